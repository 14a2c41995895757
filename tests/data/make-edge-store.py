#!/usr/bin/env python3
"""Write tests/data/edge-store: damaged and unusual AL-Mail message files, and what Thunderbird must show.

usage: make-edge-store.py [--out DIR] [--expect FILE.json] [--check]

Account1 holds one folder per case. In each, the case's message file (00000002.ALM) stands between two
good messages (00000001.ALM before, 00000003.ALM after), so a message that Thunderbird merges into its
neighbour, or hides, shows as a wrong count in that folder. The cases: lone-CR lines, a header ended by
a lone-CR empty line, CR CR LF line ends, a header of one field, of one folded field, a header that
never ends, an empty file, a file without a header, an old X-Mozilla-Status with the deleted bit, a
quoted envelope line first (without and with a date), a blank before the colon of the first field, a
200-character Japanese attachment name, a folded Japanese Subject, raw UTF-8 and raw ISO-2022-JP in the
header, and folder titles Windows opens as devices (NUL .log, CON .txt). Account2 is titled Trash and
holds a folder titled Trash: neither may become Thunderbird's Trash.

  --out DIR      where the store is written (default: tests/data/edge-store beside this script); DIR
                 must not exist yet, or be a store this script wrote (it is then replaced)
  --expect FILE  also write the expectations realclient_test.py reads: per output folder the messages
                 in file order with the subject, sender, attachment names and body snippets
                 Thunderbird shows once the converter writes every message so that Thunderbird sees
                 it; a field Thunderbird itself cannot show is null, with a "why"
  --check        write nothing; exit 1 if DIR or FILE differ from what this script writes

Deterministic bytes, written the way AL-Mail keeps them (INI files and Japanese text in Shift_JIS,
INI files with CR LF lines). Standard library only; the helpers come from tools/make-sample-store.py.
"""
import argparse
import base64
import json
import os
import runpy
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


# The sample store's generator, run as a module for its helpers (its file name holds dashes).
_sample = runpy.run_path(os.path.join(ROOT, "tools", "make-sample-store.py"), run_name="make_sample_store")
sj, ew, jis, ini, differences = _sample["sj"], _sample["ew"], _sample["jis"], _sample["ini"], _sample["differences"]

CR, CRLF = b"\r", b"\r\n"
ACCOUNT = "壊れたメールの確認"
TO = b"To: suzuki@example.co.jp"


class Msg:
    """One message file: its bytes and what Thunderbird must show for it."""

    def __init__(self, name, data, subject, sender, body, attachments=(), why=None):
        self.name, self.data = name, data
        self.expect = {"file": name, "subject": subject, "from": sender, "body": list(body),
                       "attachments": list(attachments)}
        if why:
            self.expect["why"] = why


def lines(*parts, eol=CRLF):
    """The lines joined, each ended by eol."""
    return b"".join(p + eol for p in parts)


def mime_text():
    return [b"MIME-Version: 1.0", b"Content-Type: text/plain; charset=ISO-2022-JP",
            b"Content-Transfer-Encoding: 7bit"]


def date(n, minute):
    return b"Date: %d Nov 2026 10:%02d:00 +0900" % (n, minute)


def msgid(n, k):
    return b"Message-ID: <202611%02d10%02d00.%04d@example.jp>" % (n, k, n * 10 + k)


def good(n, k, title):
    """The good message before (k = 1: received mail, RFC 2047 words) or after (k = 3: written in AL-Mail,
    raw Shift_JIS in the header) the case of folder n."""
    if k == 1:
        subject, name, addr = title + "（前）", "山田 太郎", b"yamada@example.jp"
        sender = ew(name)
        text = ["このメールは「%s」の前にあります。" % title, "正常なメールです。"]
        subject_field = ew(subject)
    else:
        subject, name, addr = title + "（後）", "鈴木 次郎", b"suzuki@example.co.jp"
        sender = sj(name)
        text = ["このメールは「%s」の後にあります。" % title, "これも正常なメールです。"]
        subject_field = sj(subject)
    data = lines(date(n, k), b"From: " + sender + b" <" + addr + b">", TO, b"Subject: " + subject_field,
                 msgid(n, k), *mime_text(), b"", *[sj(x) for x in text])
    return Msg("%08d.ALM" % k, data, subject, name, [text[0]])


def header(n, subject, sender="佐藤 花子"):
    """A normal header with raw Shift_JIS in Subject and From, as AL-Mail writes them."""
    return [date(n, 2), b"From: " + sj(sender) + b" <sato@example.jp>", TO, b"Subject: " + sj(subject),
            msgid(n, 2), *mime_text()]


# ---------------------------------------------------------------------------------------------
# The cases: (folder title, function of the folder number giving the case's message).

def cr_only(n):
    subject = "CRだけで改行したメール"
    text = ["行末はすべてCRだけです。", "二行目も別の行として読めます。"]
    data = lines(*header(n, subject), b"", *[sj(x) for x in text], eol=CR)
    return Msg("00000002.ALM", data, subject, "佐藤 花子", [text[0] + "\n" + text[1]])


def lone_cr_blank(n):
    subject = "空行がCRだけのヘッダ"
    text = ["ヘッダの後の空行はCRだけです。", "本文はその次の行からです。"]
    data = lines(*header(n, subject)) + CR + lines(*[sj(x) for x in text])
    return Msg("00000002.ALM", data, subject, "佐藤 花子", [text[0] + "\n" + text[1]])


def cr_cr_lf(n):
    subject = "CR CR LFで改行したメール"
    text = ["行末はすべてCR CR LFです。", "二行目です。"]
    data = lines(*header(n, subject), b"", *[sj(x) for x in text], eol=CR + CRLF)
    return Msg("00000002.ALM", data, subject, "佐藤 花子", [text[0] + "\n" + text[1]])


def one_field(n):
    subject = "ヘッダが一つだけ"
    data = lines(b"Subject: " + sj(subject), b"", b"Only one header field stands above this body.")
    return Msg("00000002.ALM", data, subject, "", ["Only one header field stands above this body."])


def one_folded_field(n):
    data = lines(b"Subject: A folded first field", b"\tis the whole header", b"",
                 b"The header is one field on two lines.")
    return Msg("00000002.ALM", data, "A folded first field is the whole header", "",
               ["The header is one field on two lines."])


def header_only(n):
    subject = "ヘッダだけで本文なし"
    return Msg("00000002.ALM", lines(*header(n, subject)), subject, "佐藤 花子", [])


def empty_file(n):
    return Msg("00000002.ALM", b"", "", "", [])


def headerless(n):
    # Written verbatim after an empty line: raw Shift_JIS without a charset, which Thunderbird 153 still
    # shows as Japanese (it guesses the charset of an undeclared body).
    text = ["見出しのないメモ書きです。", "Plain text, no header field above it."]
    return Msg("00000002.ALM", lines(*[sj(x) for x in text]), "", "", [text[0] + "\n" + text[1]])


def deleted_status(n):
    subject = "古いX-Mozilla-Statusが付いたメール"
    text = ["削除済みの印が残っていても表示されます。"]
    data = lines(b"X-Mozilla-Status: 0009", b"X-Mozilla-Status2: 00000000", *header(n, subject), b"",
                 *[sj(x) for x in text])
    return Msg("00000002.ALM", data, subject, "佐藤 花子", text)


def quoted_envelope(n):
    data = lines(b">From someone", date(n, 2), b"From: Someone <someone@example.org>", TO,
                 b"Subject: A quoted envelope line stands first", msgid(n, 2), *mime_text(), b"",
                 b"The first line of this file is a quoted envelope line.")
    return Msg("00000002.ALM", data, "", "", [">From someone\n", "Subject: A quoted envelope line stands first",
                                               "The first line of this file is a quoted envelope line."],
               why=("The first line '>From someone' holds no ':', so the file has no header: all of it is body "
                    "text, the '>From' line shown with its one '>' (written '>>From', mboxrd) and the "
                    "fields as text. Subject and sender stay empty."))


def quoted_envelope_dated(n):
    subject = "日付の付いた引用Fromが先頭"
    text = ["先頭行は時刻の入った >From 行です。"]
    data = lines(b">From someone@example.org  Sat Oct 17 20:00:00 2026", *header(n, subject), b"",
                 *[sj(x) for x in text])
    return Msg("00000002.ALM", data, subject, "佐藤 花子", text)


def blank_before_colon(n):
    text = ["件名の行はSubjectとコロンの間に空白があります。"]
    data = lines(b"Subject : " + sj("コロンの前に空白"), date(n, 2), b"From: " + sj("佐藤 花子") +
                 b" <sato@example.jp>", TO, msgid(n, 2), *mime_text(), b"", *[sj(x) for x in text])
    return Msg("00000002.ALM", data, None, "佐藤 花子", text, why=(
        "'Subject :' is another field than 'Subject:' to Thunderbird (no blank is allowed before the "
        "colon), so it shows no subject for this message whatever the converter writes."))


# A 200-character attachment name (196 + ".txt"), with digits and ASCII between the Japanese so the
# JIS text switches sets many times inside the one encoded word it must become.
LONG_NAME = ("".join("第%d章 長い名前の添付ファイル（資料Ver%d）・" % (i, i) for i in range(1, 20)))[:196] + ".txt"
assert len(LONG_NAME) == 200


def long_attachment_name(n):
    subject = "長い日本語の添付ファイル名"
    text = ["二百文字の名前の添付ファイルを送ります。"]
    bnd = b"AL-Mail32-20261120-long"
    payload = base64.encodebytes(sj("添付ファイルの中身です。\r\n")).rstrip(b"\n").split(b"\n")
    data = lines(date(n, 2), b"From: " + sj("佐藤 花子") + b" <sato@example.jp>", TO,
                 b"Subject: " + sj(subject), msgid(n, 2), b"X-Mailer: AL-Mail32 Version 1.13",
                 b"MIME-Version: 1.0", b"Content-Type: multipart/mixed; boundary=\"" + bnd + b"\"", b"",
                 b"--" + bnd, b"Content-Type: text/plain; charset=ISO-2022-JP",
                 b"Content-Transfer-Encoding: 7bit", b"", *[sj(x) for x in text], b"",
                 b"--" + bnd, b"Content-Type: application/octet-stream; name=\"" + sj(LONG_NAME) + b"\"",
                 b"Content-Transfer-Encoding: base64",
                 b"Content-Disposition: attachment; filename=\"" + sj(LONG_NAME) + b"\"", b"",
                 *payload, b"--" + bnd + b"--")
    return Msg("00000002.ALM", data, subject, "佐藤 花子", text, [LONG_NAME])


def folded_japanese_subject(n):
    text = ["件名は二行に折り返され、二行目は空白で始まります。"]
    data = lines(date(n, 2), b"From: " + sj("佐藤 花子") + b" <sato@example.jp>", TO,
                 b"Subject: " + sj("①②③"), b" " + sj("④⑤⑥"), msgid(n, 2), *mime_text(), b"",
                 *[sj(x) for x in text])
    return Msg("00000002.ALM", data, "①②③ ④⑤⑥", "佐藤 花子", text)


def u(text):
    return text.encode("utf-8")


def raw_utf8(n):
    bnd = b"utf8-20261120-boundary"
    text = "UTF-8のまま届いたメールです。"
    data = lines(date(n, 2), b"From: " + u("Jörg 山田") + b" <joerg@example.de>", TO,
                 b"Subject: " + u("Nøt ASCIIだよ"), msgid(n, 2), b"MIME-Version: 1.0",
                 b"Content-Type: multipart/mixed; boundary=\"" + bnd + b"\"", b"", b"--" + bnd,
                 b"Content-Type: text/plain; charset=UTF-8", b"Content-Transfer-Encoding: 8bit", b"", u(text),
                 b"", b"--" + bnd, b"Content-Type: application/msword; name=\"" + u("管理.doc") + b"\"",
                 b"Content-Transfer-Encoding: base64",
                 b"Content-Disposition: attachment; filename=\"" + u("管理.doc") + b"\"", b"",
                 base64.b64encode(b"not a real document\r\n"), b"--" + bnd + b"--")
    return Msg("00000002.ALM", data, "Nøt ASCIIだよ", "Jörg 山田", [text], ["管理.doc"])


def raw_jis(n):
    subject = "テストの件名"
    text = ["件名はESC $ Bで始まる生のISO-2022-JPです。"]
    data = lines(date(n, 2), b"From: " + sj("佐藤 花子") + b" <sato@example.jp>", TO,
                 b"Subject: " + jis(subject), msgid(n, 2), *mime_text(), b"", *[sj(x) for x in text])
    return Msg("00000002.ALM", data, subject, "佐藤 花子", text)


CASES = [
    ("CRだけの改行", cr_only),
    ("空行がCRだけのヘッダ", lone_cr_blank),
    ("CR CR LFの改行", cr_cr_lf),
    ("ヘッダが一つだけ", one_field),
    ("折り返した一つだけのヘッダ", one_folded_field),
    ("ヘッダだけで本文なし", header_only),
    ("空のファイル", empty_file),
    ("ヘッダのないファイル", headerless),
    ("X-Mozilla-Status 0009", deleted_status),
    ("引用されたFrom行が先頭", quoted_envelope),
    ("日付付きの引用From行が先頭", quoted_envelope_dated),
    ("Subjectとコロンの間に空白", blank_before_colon),
    ("200文字の添付ファイル名", long_attachment_name),
    ("折り返した日本語の件名", folded_japanese_subject),
    ("生のUTF-8", raw_utf8),
    ("生のISO-2022-JP", raw_jis),
]

# Titles Windows opens as devices: the output name gets "_" right after the device name.
DEVICE_TITLES = [("NUL .log", "NUL_ .log"), ("CON .txt", "CON_ .txt")]


# ---------------------------------------------------------------------------------------------
# The store: (source dir, Entry.ini pairs or None, messages, output path or None for a container).

def layout():
    account = [("Title", ACCOUNT), ("Name", "鈴木 次郎"), ("MailAddress", "suzuki@example.co.jp")]
    folders = []
    n = 0
    for title, case in CASES:
        n += 1
        folders.append(("Account1/Folder%d.box" % n, [("Title", title)],
                        [good(n, 1, title), case(n), good(n, 3, title)], ACCOUNT + "/" + title))
    for title, shown in DEVICE_TITLES:
        n += 1
        folders.append(("Account1/Folder%d.box" % n, [("Title", title)], [good(n, 1, title), good(n, 3, title)],
                        ACCOUNT + "/" + shown))
    n += 1
    trash = [("Account2/Folder1.box", [("Title", "Trash")], [good(n, 1, "Trash"), good(n, 3, "Trash")],
              "Trash_/Trash")]
    return [("Account1", account, ACCOUNT), *folders,
            ("Account2", [("Title", "Trash"), ("Name", "次郎"), ("MailAddress", "jiro@example.ne.jp")], "Trash_"),
            *trash]


def write_store(out):
    _sample["start_store"](out, "Account1/Folder1.box/Entry.ini", "an edge store")
    for entry in layout():
        path = os.path.join(out, *entry[0].split("/"))
        os.makedirs(path)
        if len(entry) == 3:
            with open(os.path.join(path, "Account.ini"), "wb") as f:
                f.write(ini(entry[1]))
            continue
        with open(os.path.join(path, "Entry.ini"), "wb") as f:
            f.write(ini(entry[1]))
        for m in entry[2]:
            with open(os.path.join(path, m.name), "wb") as f:
                f.write(m.data)


def expectations():
    folders = []
    for entry in layout():
        if len(entry) == 3:
            folders.append({"path": entry[2], "container": True, "messages": []})
        else:
            folders.append({"path": entry[3], "source": entry[0], "container": False,
                            "messages": [m.expect for m in entry[2]]})
    # What the names were before: a device name unchanged, the account Thunderbird took for its Trash.
    absent = [ACCOUNT + "/" + title for title, _ in DEVICE_TITLES] + ["Trash/Trash"]
    return {"folders": folders, "absent": absent}


def main():
    parser = argparse.ArgumentParser(description="Write the edge-case AL-Mail store and its expectations.")
    parser.add_argument("--out", default=os.path.join(HERE, "edge-store"))
    parser.add_argument("--expect")
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    if args.check:
        with tempfile.TemporaryDirectory() as tmp:
            fresh = os.path.join(tmp, "store")
            write_store(fresh)
            bad = differences(args.out, fresh) if os.path.isdir(args.out) else [args.out]
            if args.expect:
                with open(args.expect, encoding="utf-8") as f:
                    if json.load(f) != expectations():
                        bad.append(args.expect)
        for x in bad:
            print("differs from what tests/data/make-edge-store.py writes: %s" % x)
        sys.exit(1 if bad else 0)
    write_store(args.out)
    if args.expect:
        with open(args.expect, "w", encoding="utf-8") as f:
            json.dump(expectations(), f, ensure_ascii=False, indent=1)
            f.write("\n")


if __name__ == "__main__":
    main()
