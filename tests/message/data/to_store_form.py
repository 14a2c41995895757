#!/usr/bin/env python3
"""Writes store/NAME.ALM for every corpus/*/NAME.eml: the message as AL-Mail keeps received mail, every
ISO-2022-JP run turned into Shift_JIS (code page 932), every other byte unchanged."""
import argparse
import pathlib
import re

HERE = pathlib.Path(__file__).resolve().parent
# An escape into JIS X 0208 or half-width katakana, up to the escape back to ASCII/Roman or the line end.
RUN = re.compile(rb"\x1b(\$B|\$@|\(I)(.*?)(\x1b\([BJ]|(?=\r?\n)|$)", re.S)


def to_sjis(match):
    designation, text = match.group(1), match.group(2)
    if designation == b"(I":
        return bytes(b + 0x80 for b in text)
    return (b"\x1b$B" + text + b"\x1b(B").decode("iso2022_jp").encode("cp932")


def main():
    argparse.ArgumentParser(description=__doc__).parse_args()  # takes none; answers --help
    out_dir = HERE / "store"
    out_dir.mkdir(exist_ok=True)
    for eml in sorted(HERE.glob("corpus/*/*.eml")):
        lines = eml.read_bytes().splitlines(keepends=True)
        converted = b"".join(RUN.sub(to_sjis, line) for line in lines)
        (out_dir / (eml.stem + ".ALM")).write_bytes(converted)


if __name__ == "__main__":
    main()
