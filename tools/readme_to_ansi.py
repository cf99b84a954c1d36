#!/usr/bin/env python3
"""Writes the user's Readme.txt as Notepad on a Japanese Windows opens it: Shift-JIS (code page
932), CR LF line endings, no byte-order mark. The source is kept in UTF-8 for review."""
import sys


def convert(text: str) -> bytes:
    lines = text.replace("\r\n", "\n").split("\n")
    return "\r\n".join(lines).encode("cp932")


def main() -> int:
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        data = convert(f.read())
    with open(target, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
