"""The "/s" switch of Velmora.exe under Wine: the Readme's examples exactly as written, each checked against
the exit status, mode and message the Readme names. (Which apply results end in status 4 and "/S" being no
switch are the unit tests'; the refused mode's box is test_menu's.)

Run: python3 test_cmdline.py [readme]
"""

import re
import shlex
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import REPO, WineSession, check, check_equal, log, main  # noqa: E402

# The two boxes of the switch: a stop icon, an OK button, caption "Velmora", these texts.
SYNTAX = "パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。"
OVERFLOW = re.compile(r"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : 6\r\n[^\r\n]+\r\nVer 1\.90")


def readme_examples():
    """(arguments, exit status, mode applied or None, box text or None) for each example of docs/Readme.txt."""
    lines = (REPO / "docs" / "Readme.txt").read_text(encoding="utf-8").splitlines()
    found = []
    for line, said in zip(lines, lines[1:]):
        if m := re.fullmatch(r" {4}Velmora\.exe (/s.*)", line):
            status = int(re.search(r"（終了コード (\d)）$", said).group(1))
            mode = re.search(r"(\d+)x(\d+)ピクセル (\d+)ビットに切り替え", said)
            box = None if "メッセージ" not in said else SYNTAX if status == 2 else OVERFLOW
            found.append((shlex.split(m.group(1)), status, mode and tuple(map(int, mode.groups())), box))
    return found


def run_switch(s, args, status, applied, box_text):
    """Runs Velmora.exe with args to its end and checks its exit status, its box and the mode it left."""
    before = s.mode()
    proc = s.start(*args)
    if box_text:
        box = s.msgbox()
        check(box is not None, f"{args}: no message box")
        text = box["texts"][0] if len(box["texts"]) == 1 else box["texts"]
        matches = box_text.fullmatch(text) if isinstance(box_text, re.Pattern) else text == box_text
        check(matches, f"{args}: box text {text!r}")
        check_equal((box["caption"], box["icon"], box["buttons"]), ("Velmora", True, ["OK"]), f"{args}: box")
        l, t, r, b = box["rect"]
        s.screenshot(f"cmdline_status_{status}_box", (l, t, r - l, b - t))
        time.sleep(0.5)
        check(proc.poll() is None, f"{args}: Velmora ended while its box was up")
        s.driver("msgbox-ok")
    check_equal(proc.wait(30), status, f"{args}: exit status")
    # The size in force (a virtual desktop keeps its depth) and the mode stored.
    now, stored = s.mode()
    check_equal((now[:2], stored), (applied[:2], applied) if applied else (before[0][:2], before[1]), f"{args}: mode")


def test_readme():
    with WineSession("cmdline_readme") as s:
        examples = readme_examples()
        check_equal(sorted({e[1] for e in examples}), [0, 1, 2, 3], "exit statuses of the Readme's examples")
        for args, status, mode, box in examples:
            log("Velmora.exe", *args, "->", status, mode)
            run_switch(s, args, status, mode, box)


if __name__ == "__main__":
    main({"readme": test_readme})
