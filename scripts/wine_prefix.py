"""The Wine prefix Velmora runs in, made the same way for scripts/run.sh, the end-to-end tests and the benchmark:
one 1280x1024 virtual desktop that all programs share (with a taskbar and its notification area), no crash dialog,
the IPA fonts for the Japanese system fonts, and the Japanese locale (ANSI code page 932). A session may run in
another locale, such as ENGLISH (code page 1252), in the same prefix.

    python3 scripts/wine_prefix.py [COMMAND...]

makes or updates $WINEPREFIX for $WINEARCH, then runs COMMAND in it with the locale."""

import contextlib
import fcntl
import os
import shutil
import signal
import subprocess
import sys
from pathlib import Path

WINE_DIR = Path("/usr/lib/wine")
LOADERS = {"win32": WINE_DIR / "wine", "win64": WINE_DIR / "wine64"}
# Raise it when SETTINGS change: a prefix made with other settings is made anew.
VERSION = "4"
# No Mono or Gecko installer while the prefix is made, nor later.
QUIET = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree=;mshtml="}
JAPANESE, ENGLISH = "ja_JP.UTF-8", "en_US.UTF-8"
SETTINGS = [
    (r"HKCU\Software\Wine\Explorer", "Desktop", "REG_SZ", "Default"),
    (r"HKCU\Software\Wine\Explorer\Desktops", "Default", "REG_SZ", "1280x1024"),
    (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0"),
] + [(r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes", name, "REG_SZ", ipa)
     for name, ipa in (("ＭＳ Ｐゴシック", "IPAPGothic"), ("MS PGothic", "IPAPGothic"), ("MS UI Gothic", "IPAPGothic"),
                       ("ＭＳ ゴシック", "IPAGothic"), ("MS Gothic", "IPAGothic"))]


def runs_32_bit_code():
    with contextlib.suppress(OSError):  # "Exec format error" where the kernel runs no 32-bit code
        return subprocess.run([LOADERS["win32"], "--version"], capture_output=True, timeout=30).returncode == 0


def environment(base, prefix, arch, locale=JAPANESE):
    """base (an environment) with the prefix, its architecture and loader, and the locale."""
    return {**base, "WINEPREFIX": str(prefix), "WINEARCH": arch, "WINELOADER": str(LOADERS[arch]), **QUIET,
            "LANG": locale, "LC_ALL": locale}


def make(env):
    """Makes env's prefix, in the Japanese locale whatever env's, unless it was made with this VERSION; one process at
    a time (a lock beside it)."""
    env, prefix = {**env, "LANG": JAPANESE, "LC_ALL": JAPANESE}, Path(env["WINEPREFIX"])
    prefix.parent.mkdir(parents=True, exist_ok=True)
    with open(f"{prefix}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        ready = prefix / ".velmora-prefix"
        if ready.exists() and ready.read_text() == VERSION:
            return
        print("making the Wine prefix", prefix, flush=True)
        shutil.rmtree(prefix, ignore_errors=True)
        try:
            for args in [("wineboot", "-i")] + [("reg", "add", k, "/v", n, "/t", t, "/d", v, "/f")
                                                 for k, n, t, v in SETTINGS]:
                subprocess.run([env["WINELOADER"], *args], env=env, capture_output=True, timeout=300)
        finally:
            end(env)  # the desktop settings take effect when the prefix's server starts again
        if "Desktops" not in (prefix / "user.reg").read_text(errors="replace"):
            raise RuntimeError(f"the Wine prefix {prefix} was not made")
        ready.write_text(VERSION)


def end(env):
    """Ends the prefix's wineserver and, by their ids, the Wine processes left in the prefix."""
    with contextlib.suppress(subprocess.TimeoutExpired):
        subprocess.run([WINE_DIR / "wineserver", "-k"], env=env, capture_output=True, timeout=30)
    for pid in processes(env["WINEPREFIX"]):
        with contextlib.suppress(OSError):
            os.kill(pid, signal.SIGKILL)


def processes(prefix):
    """{id: command line} of the processes running in the prefix, but this one."""
    marker, found = f"WINEPREFIX={prefix}".encode(), {}
    for pid in filter(lambda pid: pid.isdigit() and int(pid) != os.getpid(), os.listdir("/proc")):
        with contextlib.suppress(OSError):
            if marker in Path(f"/proc/{pid}/environ").read_bytes().split(b"\0"):
                found[int(pid)] = Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ").decode()
    return found


if __name__ == "__main__":
    wine = environment(os.environ, os.environ["WINEPREFIX"], os.environ["WINEARCH"])
    make(wine)
    if sys.argv[1:]:
        os.execvpe(sys.argv[1], sys.argv[1:], wine)
