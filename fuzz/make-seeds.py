#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/) from the bundled stores and the
message test data. Run it again when those change; the seeds are committed."""
import argparse
import hashlib
import pathlib
import shutil

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
STORES = [ROOT / "examples" / "sample-store", ROOT / "tests" / "data" / "corpus-store"]
MAX_SEED = 16 * 1024


def put(target, data):
    data = data[:MAX_SEED]
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


def message_files():
    for base in STORES + [ROOT / "tests" / "message" / "data"]:
        for path in sorted(base.rglob("*")):
            if path.is_file() and path.suffix.upper() == ".ALM":
                yield path


def walk_record(store):
    """The store as records of fuzz_walk: D path, F path=content (01 = CR LF, 02 = LF)."""
    lines = []
    for path in sorted(store.rglob("*")):
        rel = path.relative_to(store).as_posix().encode()
        if path.is_dir():
            lines.append(b"D" + rel)
        else:
            content = path.read_bytes()[:2048]
            content = content.replace(b"\r\n", b"\x01").replace(b"\n", b"\x02")
            lines.append(b"F" + rel + b"=" + content)
    return b"\n".join(lines)


def main():
    argparse.ArgumentParser(description=__doc__).parse_args()  # takes none; answers --help
    shutil.rmtree(CORPUS, ignore_errors=True)
    for path in message_files():
        data = path.read_bytes()
        put("message", data)
        put("transcoder", b"\x00" + b"\n".join(data.splitlines()[:40]))
    # Line ends Thunderbird does not take for one, binary bodies that keep them, headers that are not.
    for data in [b"S: x\rT: y\r\rbody\rFrom z\r",
                 b"S: x\r\r\nT: y\r\r\n\r\r\nbody\r\r\r\nFrom z\r\n",
                 b"Subject: b\r\nContent-Transfer-Encoding: binary\r\n\r\na\rFrom b\r\r\nFrom c\r",
                 b"Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain; "
                 b"charset=iso-2022-jp\r\nContent-Transfer-Encoding: binary\r\n\r\n\x93\xfa\rFrom x\r\n--b--\r\n",
                 b"X-Mozilla-Status: 0009\r\nSubject: old\r\n\r\nbody\r\n",
                 b"Subject : x\r\nFrom: y\r\n\r\nbody\r\n", b">From someone\r\nSubject: x\r\n\r\n",
                 b"plain text without a header\r\nFrom here\r\n", b"S: x", b"",
                 b"Content-Transfer-Encoding:binary\n\n\r\r"]:
        put("message", data)
    for base in STORES:
        for path in sorted(base.rglob("*.ini")):
            put("names", path.read_bytes())
    for text in ["..", ".", "../x", "a\\b", "CON", "nul.txt", "COM1.log", " \t ", "x" * 300,
                 "\u90f5\u4fbf\u53d7\u3051", "\u8868\u30dd", "a.sbd", "b.MSF~", "\x01\x7f", "NUL .log",
                 "CON  .txt", "LPT1 ", "CONIN$", "conout$.x", "Trash", "unsent messages"]:
        put("names", b"[Property]\r\nTitle=" + text.encode("cp932", "replace") + b"\r\nType=Subfolder\r\n")
    # Code page 932 has no superscript digits; a UTF-8 file (with its byte-order mark) can hold them.
    for text in ["COM\u00b9", "lpt\u00b3 .log"]:
        put("names", b"\xef\xbb\xbf[Property]\r\nTitle=" + text.encode("utf-8") + b"\r\n")
    links = (b"\nLAccountLoop/x.box>in\nLAccount1/Up.box>in/Account1"
             b"\nLAccount1/Out.box>out\nLAccount1/Away.box>outside")
    for base in STORES:
        put("walk", walk_record(base))
        for account in sorted(p for p in base.iterdir() if p.is_dir()):
            records = [r[:1] + account.name.encode() + b"/" + r[1:]
                       for r in walk_record(account).split(b"\n") if r]
            put("walk", b"\n".join(records) + links)

    # Bytes read both as an mbox (Thunderbird's count) and as a message file converted twice.
    ours = b"From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n"
    for seed in [ours + b"Subject: a\r\n\r\nbody\r\n>From x\r\n" + ours + b"\r\ntext\r\n",
                 b"From x\nA: 1\nB: 2\n\nbody\nFrom y\nC: 3\n folded\nD: 4\n\nFrom z\n:x\nnot\n\n",
                 b"From x\nA: 1\n\rline\nFrom y\nA: 1\nB: 2\n\x00\n\nb\nFrom q\nFrom r\nA: 1\nB: 2\n\n",
                 b"From a@b Sat Jan  1 00:00:00 2000\r\nSubject: x\r\nTo: y\r\n\r\nFrom here\r\n",
                 b"Subject: long\r\n continued\r\nTo: y\r\n\r\nbody\rwith a lone CR\r\n",
                 b"plain text without a header\nFrom here\nA: 1\nB: 2\n",
                 b"A:" + b"x" * 120 + b"\r\nnot a field\r\n\r\n"]:
        put("mbox_count", seed)

    # Thunderbird's profile files as Thunderbird writes them (its own escapes, CR LF on Windows).
    put("profiles", b"// Mozilla User Preferences\n\n"
                    b'user_pref("mail.accountmanager.localfoldersserver", "server1");\n'
                    b'user_pref("mail.server.server1.directory", "C:\\\\Users\\\\\\u5c71\\\\Local Folders");\n'
                    b'user_pref("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders");\n'
                    b'user_pref("mail.server.server1.storeContractID", "@mozilla.org/msgstore/maildirstore;1");\n'
                    b'user_pref("mail.server.server1.port", 110);\nuser_pref("x", true);\n/* c */ # h\n')
    put("profiles", b"[Install4F96D1932A9F858E]\r\nDefault=Profiles/abc.default-release\r\nLocked=1\r\n\r\n"
                    b"[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/abc.default-release\r\n"
                    b"Default=1\r\n\r\n[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n")


if __name__ == "__main__":
    main()
