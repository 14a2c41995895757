#!/usr/bin/env python3
"""Build tests/data/corpus-store: real public test mail, stored the way AL-Mail keeps it.

usage: make-corpus-store.py CORPUS_DIR [--out DIR] [--expect FILE.json]

CORPUS_DIR holds one folder per source repository (messages as .eml / .txt files copied byte for
byte, LICENSE.txt, and a SOURCES.md describing them). Each source folder becomes one account
(AccountN, Title = the folder's name) whose Inbox.box holds the messages as 00000001.ALM, ... in
the byte order of their original names; LICENSE.txt is copied into the account directory.

AL-Mail keeps received Japanese text in Shift_JIS: every ISO-2022-JP run (ESC $ B / ESC $ @ /
ESC ( I up to the next ESC ( B / ESC ( J) is turned into code page 932 bytes. A line holding a
character that code page 932 cannot hold (carrier emoji) stays as it came, ISO-2022-JP. Everything
else is kept byte for byte: line ends, encoded words, base64 and quoted-printable parts.

--expect writes what a reader must show after conversion, per message: the Subject (RFC 2047 and
raw ISO-2022-JP decoded by Python; null where Python cannot decode it) and, where the message has a text/plain part in Japanese that
Python decodes cleanly, a snippet of it.
"""
import argparse
import email
import email.header
import email.policy
import json
import os
import shutil
import sys

SOURCES = ["jpmobile", "sisimai-set-of-emails", "ruby-mail", "mimekit", "cyrus-imapd"]
ESCAPES = {b"\x1b$B": "K", b"\x1b$@": "K", b"\x1b(B": "A", b"\x1b(J": "A", b"\x1b(I": "H"}


def jis_pair_to_cp932(pair):
    """Shift_JIS bytes of one JIS X 0208 cell (NEC row 13 included), or None."""
    try:
        text = (b"\x1b$B" + pair + b"\x1b(B").decode("iso2022_jp")
        return text.encode("cp932")
    except UnicodeError:
        pass
    j1, j2 = pair
    # Python's codec knows neither NEC row 13 nor the characters it maps to Unicode that cp932
    # spells otherwise (〜 ‖ − ...): the arithmetic JIS -> Shift_JIS step is what Windows does.
    # Of rows 89-92 (NEC-selected IBM extensions) only the non-kanji cells 7C71-7C7E (small roman
    # numerals, ￢ ￤ ＇ ＂) are taken, as iPhone mail sends them: carrier emoji of received mail
    # occupy the other cells of rows 85-94 and have no code page 932 character.
    if not (0x21 <= j1 <= 0x74 and 0x21 <= j2 <= 0x7E) and not (j1 == 0x7C and 0x71 <= j2 <= 0x7E):
        return None
    s1 = ((j1 + 1) >> 1) + 0x70
    if s1 >= 0xA0:
        s1 += 0x40
    if j1 & 1:
        s2 = j2 + 0x1F + (1 if j2 >= 0x60 else 0)
    else:
        s2 = j2 + 0x7E
    out = bytes([s1, s2])
    try:
        out.decode("cp932")
    except UnicodeError:
        return None
    return out


def line_to_store(line):
    """The line (without its end) as AL-Mail stores it; the line itself when it cannot be held."""
    if b"\x1b" not in line:
        return line
    out = bytearray()
    mode = "A"
    i = 0
    n = len(line)
    while i < n:
        if line[i] == 0x1B:
            seq = line[i:i + 3]
            if seq not in ESCAPES:
                return line
            mode = ESCAPES[seq]
            i += 3
            continue
        if mode == "A":
            out.append(line[i])
            i += 1
        elif mode == "H":
            if not 0x21 <= line[i] <= 0x5F:
                return line
            out.append(line[i] | 0x80)
            i += 1
        else:
            sj = jis_pair_to_cp932(line[i:i + 2]) if i + 1 < n else None
            if sj is None:
                return line
            out += sj
            i += 2
    return bytes(out)


def to_store(data):
    out = []
    for line in data.splitlines(keepends=True):
        body = line.rstrip(b"\r\n")
        out.append(line_to_store(body) + line[len(body):])
    return b"".join(out)


def raw_header(data, name):
    """The unfolded value of the first header field `name` of a message, as bytes, or None."""
    head = data.replace(b"\r\n", b"\n").split(b"\n\n", 1)[0].split(b"\n")
    if head and head[0].startswith(b"From "):
        head = head[1:]
    value = None
    for line in head:
        if value is not None:
            if line[:1] in (b" ", b"\t"):
                value += line
                continue
            break
        if line.lower().startswith(name.lower() + b":"):
            value = line[len(name) + 1:]
    return value


def shown_header(raw):
    if raw is None:
        return ""
    text = raw.decode("iso2022_jp_ext", "replace") if b"\x1b" in raw else raw.decode("latin-1")
    try:
        text = str(email.header.make_header(email.header.decode_header(text)))
    except (UnicodeError, LookupError, email.errors.HeaderParseError):
        pass
    if "=?" in text:
        return None  # carrier emoji Python cannot decode: the reader's rendering is not predicted
    text = "".join(c for c in text if c >= " " or c in "\t\n")  # readers drop control characters
    return " ".join(text.split())


def body_snippet(data):
    msg = email.message_from_bytes(data, policy=email.policy.default)
    for part in msg.walk():
        if part.get_content_type() != "text/plain" or part.is_attachment():
            continue
        if (str(part.get("Content-Transfer-Encoding", "")).strip().lower() == "quoted-printable"
                and "\x1b" in str(part.get_payload(decode=False))):
            # Raw ISO-2022-JP inside a quoted-printable part: the store holds it in Shift_JIS, and
            # quoted-printable lines are written unchanged, so a reader sees Shift_JIS there.
            continue
        try:
            text = part.get_content()
        except (LookupError, UnicodeError, AssertionError):
            continue
        if "\ufffd" in text or "\x1b" in text:
            continue
        for line in text.splitlines():
            line = line.strip()
            if any(ord(c) > 0x3000 for c in line) and len(line) >= 4:
                return line[:20]
    return None


def write_sources(corpus, out, table):
    """SOURCES.md: the origin and licence of every message, from the corpus's own description."""
    with open(os.path.join(corpus, "SOURCES.md"), encoding="utf-8") as f:
        lines = f.read().split("\n")
    repos = [x for x in lines if x.startswith("| `") and x.split("|")[1].strip().endswith("/`")]
    what = {}
    for x in lines:
        cells = [c.strip() for c in x.split("|")[1:-1]]
        if len(cells) == 3 and cells[0].startswith("`") and not cells[0].endswith("/`"):
            what[cells[0].strip("`")] = cells[2]
    quirks = "\n".join(lines[next(i for i, x in enumerate(lines) if x.startswith("## Known quirks")):])
    with open(os.path.join(out, "SOURCES.md"), "w", encoding="utf-8") as f:
        f.write("# Corpus store: where its messages come from\n\n"
                "Written by `tests/data/make-corpus-store.py` from messages copied byte for byte from the "
                "test data of public repositories (data files only, no code). Each `AccountN/` holds the "
                "messages of one source repository in `Inbox.box/` and a copy of that repository's licence "
                "file as `LICENSE.txt` (MIT and BSD-style licences ask that the notice travel with copies). "
                "The messages are the originals byte for byte, except that ISO-2022-JP text is stored in "
                "Shift_JIS, as AL-Mail keeps it (column \"changed\").\n\n"
                "| folder | repository | commit | licence | files |\n|---|---|---|---|---|\n")
        f.write("\n".join(repos) + "\n\n")
        f.write("Feature words: `msg-hdr-jp` Japanese in the message header (encoded words or raw "
                "ISO-2022-JP), `inner-hdr-jp` in the header of an embedded message, `rawjis-hdr` raw "
                "ISO-2022-JP in a header, `rfc822` an embedded message, `body-CHARSET-ENCODING` a text part "
                "with Japanese in that charset and transfer encoding.\n\n"
                "| account (title) | file | original file | what it holds | changed |\n|---|---|---|---|---|\n")
        for source, alm, name, changed in table:
            acc = "Account%d" % (SOURCES.index(source) + 1)
            f.write("| `%s/` (%s) | `%s` | `%s` | %s | %s |\n"
                    % (acc, source, alm, name, what.get(name, ""), "yes" if changed else "no"))
        f.write("\n" + quirks.rstrip("\n") + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("corpus", metavar="CORPUS_DIR", help="one folder per source repository")
    parser.add_argument("--out", metavar="DIR", default=os.path.join(here, "corpus-store"),
                        help="where the store is written (default: corpus-store beside this script); "
                             "replaced when it is a store this script wrote")
    parser.add_argument("--expect", metavar="FILE.json", help="also write what a reader must show")
    args = parser.parse_args()
    corpus, out, expect = args.corpus, args.out, args.expect
    if os.path.exists(out):
        if not os.path.isfile(os.path.join(out, "SOURCES.md")):
            sys.exit("refusing to replace %s: it is not a corpus store" % out)
        shutil.rmtree(out)
    os.makedirs(out)
    with open(os.path.join(out, ".gitattributes"), "wb") as f:
        f.write(b"* -text -diff\n")

    folders = []
    table = []
    for n, source in enumerate(SOURCES, 1):
        src = os.path.join(corpus, source)
        account = os.path.join(out, "Account%d" % n)
        inbox = os.path.join(account, "Inbox.box")
        os.makedirs(inbox)
        with open(os.path.join(account, "Account.ini"), "wb") as f:
            f.write(b"[Property]\r\nTitle=" + source.encode() + b"\r\n")
        shutil.copyfile(os.path.join(src, "LICENSE.txt"), os.path.join(account, "LICENSE.txt"))
        names = sorted(x for x in os.listdir(src) if x != "LICENSE.txt")
        msgs = []
        for i, name in enumerate(names, 1):
            with open(os.path.join(src, name), "rb") as f:
                data = f.read()
            alm = "%08d.ALM" % i
            stored = to_store(data)
            with open(os.path.join(inbox, alm), "wb") as f:
                f.write(stored)
            table.append((source, alm, name, stored != data))
            msgs.append({"file": alm, "source": name, "subject": shown_header(raw_header(data, b"Subject")),
                         "body": [s for s in [body_snippet(data)] if s]})
        folders.append({"path": source, "container": True, "messages": []})
        folders.append({"path": source + "/郵便受け", "source": "Account%d/Inbox.box" % n, "container": False,
                        "messages": msgs})

    write_sources(corpus, out, table)
    if expect:
        with open(expect, "w", encoding="utf-8") as f:
            json.dump({"folders": folders, "absent": []}, f, ensure_ascii=False, indent=1)
            f.write("\n")


if __name__ == "__main__":
    main()
