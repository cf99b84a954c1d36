"""The "/s" examples of the user's Readme.txt, run exactly as written there, each checked against what the
Readme says it does: the exit status it names, the mode it names, and the message it announces.

Run one: python3 test_readme.py examples
"""

import re
import shlex
from pathlib import Path

from harness import REPO, check, log, main
from test_cmdline import OVERFLOW_TEXT, SYNTAX_TEXT, check_run

README = REPO / "docs" / "Readme.txt"
COMMAND = re.compile(r"^ {4}Velmora\.exe (/s.*)$")
STATUS = re.compile(r"（終了コード (\d)）$")
MODE = re.compile(r"(\d+)x(\d+)ピクセル (\d+)ビットに切り替え")
ERROR_NUMBER = re.compile(r"エラー番号 (\d+) のメッセージ")


def examples():
    """(command-line text, exit status, mode or None, expects a message box, error number or None)."""
    lines = README.read_text(encoding="utf-8").splitlines()
    found = []
    for i, line in enumerate(lines):
        m = COMMAND.match(line)
        if not m or i + 1 >= len(lines):
            continue
        said = lines[i + 1].strip()
        status = STATUS.search(said)
        check(status is not None, f"the example {line.strip()!r} names no exit status")
        mode = MODE.search(said)
        number = ERROR_NUMBER.search(said)
        found.append((m.group(1), int(status.group(1)), tuple(int(v) for v in mode.groups()) if mode else None,
                      "メッセージ" in said, int(number.group(1)) if number else None))
    return found


def test_examples():
    cases = examples()
    check(len(cases) >= 5, f"only {len(cases)} examples found in {README}")
    for n, (text, status, mode, box, number) in enumerate(cases):
        log(f"example {n}: Velmora.exe {text} -> status {status}, mode {mode}, box {box}, error {number}")
        check((mode is not None) == (status == 0), f"{text}: the Readme names a mode exactly when it succeeds")
        if not box:
            box_text = None
        elif status == 2:
            box_text = SYNTAX_TEXT
        else:
            check(number == 6, f"{text}: only the overflow box is checked here")
            box_text = OVERFLOW_TEXT
        check_run(f"readme_example_{n}", shlex.split(text), status, box_text, mode)


if __name__ == "__main__":
    main({"examples": test_examples})
