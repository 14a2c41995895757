#!/usr/bin/env python3
"""Writes the texts of the Windows zip: README.txt from tools/windows/README-ja.txt and TERMS.txt, the
terms of use, which the about box (message 102) says must accompany the program.

Usage: make-package-texts.py MESSAGES_CPP VERSION BITS OUTPUT_DIR

README-ja.txt may hold @VERSION@, @BITS@ and lines "@MSG N@": such a line becomes the first line of
message N as the program shows it, quoted; when the program has no message N, that line and the indented
lines after it are left out. Every message the program can show must have such an entry. TERMS.txt is message 102 as the about box shows it, then the English
translation in terms-en.txt. Both are UTF-8 with a byte order mark and CR LF line ends, as Notepad reads
them everywhere.
"""
import argparse
import importlib.util
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
# Texts that never stand alone in a box or the status line: menu entry, notice, chooser prompts, the
# welcome (which explains itself), "converting...", button labels.
NOT_EXPLAINED = {101, 102, 103, 104, 110, 114, 117, 118}


def message_texts(messages_cpp):
    path = os.path.join(HERE, "..", "..", "res", "make-strings-rc.py")
    found = importlib.util.spec_from_file_location("make_strings_rc", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    with open(messages_cpp, encoding="utf-8") as f:
        return module.read_texts(f.read())


def readme(template, texts, version, bits):
    out, skipping = [], False
    for line in template.splitlines():
        match = re.fullmatch(r"@MSG (\d+)@", line)
        if match:
            text = texts.get(int(match.group(1)))
            skipping = text is None
            if text is not None:
                out.append("「" + text.split("\r\n")[0] + "」")
            continue
        if skipping and line.startswith("  "):
            continue
        skipping = False
        out.append(line.replace("@VERSION@", version).replace("@BITS@", bits))
    explained = {int(n) for n in re.findall(r"^@MSG (\d+)@$", template, re.M)}
    unexplained = sorted(set(texts) - explained - NOT_EXPLAINED)
    if unexplained:
        raise ValueError("README-ja.txt does not explain messages %s" % unexplained)
    result = "\n".join(out) + "\n"
    left = re.findall(r"@[A-Z]+[^@\n]*@", result)
    if left:
        raise ValueError("README-ja.txt: placeholders left: %s" % ", ".join(left))
    return result


def write(path, text):
    with open(path, "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("messages_cpp", metavar="MESSAGES_CPP", help="engine/messages.cpp")
    parser.add_argument("version", metavar="VERSION", help="the version the build was configured with")
    parser.add_argument("bits", metavar="BITS", help="32 or 64, for @BITS@")
    parser.add_argument("out_dir", metavar="OUTPUT_DIR", help="the existing folder the texts are written into")
    args = parser.parse_args()
    texts = message_texts(args.messages_cpp)
    with open(os.path.join(HERE, "README-ja.txt"), encoding="utf-8") as f:
        write(os.path.join(args.out_dir, "README.txt"), readme(f.read(), texts, args.version, args.bits))
    with open(os.path.join(HERE, "terms-en.txt"), encoding="utf-8") as f:
        english = f.read()
    terms = "Boxferry 使用条件 (Terms of use)\n\n" + texts[102].replace("\r\n", "\n") + "\n\n" + english
    write(os.path.join(args.out_dir, "TERMS.txt"), terms)


if __name__ == "__main__":
    main()
