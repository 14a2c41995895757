#!/usr/bin/env python3
"""Write the bundled sample AL-Mail store (examples/sample-store) and what a mail client must show for it.

usage: make-sample-store.py [--out DIR] [--expect FILE.json] [--check]

  --out DIR      where the store is written (default: examples/sample-store beside this script's
                 repository); DIR must not exist yet, or be a store this script wrote (it is replaced)
  --expect FILE  also write the expectations the real-client test reads: per output folder the
                 messages in file order with the subject, sender and body snippets as a reader shows
                 them after conversion
  --check        write nothing; exit 1 if DIR or FILE differ from what this script writes

The output is deterministic: the same bytes on every run and every platform. Texts are written the
way AL-Mail keeps them: INI files and Japanese message text in Shift_JIS (code page 932), INI files
with CR LF lines. Standard library only.
"""
import argparse
import base64
import filecmp
import json
import os
import quopri
import shutil
import sys
import tempfile

CRLF = b"\r\n"
LF = b"\n"

# Code page 932 holds some characters twice (NEC row 13, NEC-selected IBM extensions, IBM extensions).
# Python's codec writes the NEC-selected forms; these are the other spellings a Windows store also holds.
IBM = {"髙": b"\xfb\xfc", "﨑": b"\xfa\xb1", "纊": b"\xfa\x5c", "ⅰ": b"\xfa\x40"}
NEC_ROW13 = {"≒": b"\x87\x90"}
GAIJI = "\ue000"  # user-defined character F040: has no JIS cell, arrives as GETA MARK


def sj(text, extra=None):
    """Shift_JIS bytes of text; characters in extra get the given byte spelling."""
    if not extra:
        return text.encode("cp932")
    return b"".join(extra.get(c) or c.encode("cp932") for c in text)


def jis(text):
    """ISO-2022-JP bytes, as mail arrives from outside."""
    return text.encode("iso2022_jp")


def ew(text):
    """One RFC 2047 encoded word in ISO-2022-JP, as other mailers write headers."""
    return b"=?ISO-2022-JP?B?" + base64.b64encode(jis(text)) + b"?="


# What a reader shows after cp932 -> ISO-2022-JP -> WHATWG decoding: the same characters (the
# WHATWG table gives back the code points code page 932 decodes to, ～ and － included), except a
# user-defined character, which has no JIS cell and is sent as GETA MARK.
SHOWN = str.maketrans({GAIJI: "\u3013"})


def shown(text):
    return text.translate(SHOWN)


class Msg:
    """One message file: name, lines (bytes, without line ends), line end, and what a reader shows."""

    def __init__(self, name, lines, eol, subject, sender, body, last_eol=True, attachments=()):
        self.name, self.lines, self.eol, self.last_eol = name, lines, eol, last_eol
        self.subject, self.sender, self.body = subject, sender, body
        self.attachments = list(attachments)

    def data(self):
        out = self.eol.join(self.lines)
        return out + self.eol if self.last_eol else out


def ini(pairs):
    return b"[Property]\r\n" + b"".join(k.encode() + b"=" + sj(v) + CRLF for k, v in pairs)


# ---------------------------------------------------------------------------------------------
# Message building blocks: header and body parts as lists of lines without line ends.

PLAIN_JIS = [b"Content-Type: text/plain; charset=ISO-2022-JP", b"Content-Transfer-Encoding: 7bit"]


def header(*fields, content=PLAIN_JIS):
    """A message header: the given field lines, MIME-Version, the content fields, the blank line."""
    return list(fields) + [b"MIME-Version: 1.0"] + list(content) + [b""]


def mixed(boundary):
    """The content field of a multipart/mixed message, on one line."""
    return [b"Content-Type: multipart/mixed; boundary=\"" + boundary + b"\""]


def part(boundary, fields, body, last_eol=True):
    """One body part: its delimiter line, its header fields, the blank line and the body lines. A part
    whose body ends with a line break (last_eol) has one more, empty, line before the next delimiter."""
    return [b"--" + boundary] + list(fields) + [b""] + body + ([b""] if last_eol else [])


def closing(boundary):
    """The closing delimiter line of a multipart body."""
    return [b"--" + boundary + b"--"]


def sj_lines(texts):
    return [sj(x) for x in texts]


# ---------------------------------------------------------------------------------------------
# Messages. Dates are fixed so the store is the same on every run.

def inbox_work():
    msgs = []
    body = ["お疲れ様です。山田です。", "",
            "来週の定例会議は１０月５日（月）～６日（火）の二日間です。",  # ～ = 81 60
            "場所は本社３階の第二会議室です。", "", "よろしくお願いします。"]
    msgs.append(Msg("00000001.ALM", header(
        b"Return-Path: <yamada@example.jp>",
        b"Received: from mail.example.jp (mail.example.jp [192.0.2.10])",
        b"\tby mx.example.co.jp with ESMTP id 1A2B3C; Mon, 5 Oct 2026 09:12:34 +0900",
        b"Date: Mon, 5 Oct 2026 09:12:30 +0900",
        b"From: " + ew("山田 太郎") + b" <yamada@example.jp>",
        b"To: suzuki@example.co.jp",
        b"Subject: " + ew("定例会議のお知らせ"),
        b"Message-ID: <20261005091230.0001@example.jp>",
    ) + sj_lines(body), CRLF, "定例会議のお知らせ", "山田 太郎", [shown(body[2]), body[3]]))

    part1 = ["鈴木様", "", "お見積書を添付いたします。", "ご確認のほどお願いいたします。"]
    qp_text = "こちらは引用符付き印字可能形式の部分です。\n金額：１２，０００円"
    qp = quopri.encodestring(jis(qp_text).replace(b"\n", b"\r\n")).split(b"\r\n")
    attach = sj("見積書\r\n品名：ノート型パソコン\r\n合計：１２，０００円\r\n")
    b64 = base64.encodebytes(attach).rstrip(b"\n").split(b"\n")
    bnd = b"----=_Part_20261006_0002"
    msgs.append(Msg("00000002.ALM", header(
        b"Return-Path: <tanaka@example.net>",
        b"Date: Tue, 6 Oct 2026 14:05:00 +0900",
        b"From: " + ew("田中 一郎") + b" <tanaka@example.net>",
        b"To: " + ew("鈴木 次郎") + b" <suzuki@example.co.jp>",
        b"Subject: " + ew("お見積書の送付"),
        b"Message-ID: <20261006140500.0002@example.net>",
        content=[b"Content-Type: multipart/mixed;", b" boundary=\"" + bnd + b"\""],
    ) + [
        b"This is a multi-part message in MIME format.",
        b"",
    ] + part(bnd, PLAIN_JIS, sj_lines(part1)) + part(bnd, [
        b"Content-Type: text/plain; charset=ISO-2022-JP",
        b"Content-Transfer-Encoding: quoted-printable",
    ], qp) + part(bnd, [
        b"Content-Type: text/plain; charset=Shift_JIS;",
        b" name=\"" + ew("見積書.txt") + b"\"",
        b"Content-Transfer-Encoding: base64",
        b"Content-Disposition: attachment;",
        b" filename=\"" + ew("見積書.txt") + b"\"",
    ], b64) + closing(bnd), CRLF, "お見積書の送付", "田中 一郎", [part1[2]], attachments=["見積書.txt"]))

    outer = ["鈴木さん", "", "先方から届いたメールを転送します。"]
    inner = ["各位", "", "来月から新しい勤怠システムに切り替わります。", "詳細は追ってご連絡します。"]
    bnd = b"=_forward_20261007_0003"
    forwarded = header(
        b"Date: Tue, 6 Oct 2026 18:30:00 +0900",
        b"From: " + ew("総務部") + b" <soumu@example.org>",
        b"To: all@example.org",
        b"Subject: " + ew("勤怠システム切り替えのご案内"),
        b"Message-ID: <20261006183000.9999@example.org>",
    ) + sj_lines(inner)
    msgs.append(Msg("00000003.ALM", header(
        b"Date: Wed, 7 Oct 2026 10:00:00 +0900",
        b"From: " + ew("佐藤 花子") + b" <sato@example.jp>",
        b"To: suzuki@example.co.jp",
        b"Subject: Fw: " + ew("勤怠システム切り替えのご案内"),
        b"Message-ID: <20261007100000.0003@example.jp>",
        content=mixed(bnd),
    ) + part(bnd, PLAIN_JIS, sj_lines(outer)) + part(bnd, [
        b"Content-Type: message/rfc822",
        b"Content-Disposition: inline",
    ], forwarded) + closing(bnd), CRLF, "Fw: 勤怠システム切り替えのご案内", "佐藤 花子", [outer[2]],
        attachments=["勤怠システム切り替えのご案内.eml"]))  # a reader names it by its own Subject

    # Raw Shift_JIS in Subject and From, LF line ends, "From " lines in the body, half-width katakana,
    # NEC row 13, IBM extensions and a user-defined character.
    kana = "ﾊﾝｶｸｶﾀｶﾅのﾃｽﾄです｡"
    nec = "①②③ ㈱山田商事 ≒ Ⅳ № ㍉"
    ibm = "髙橋さんと﨑山さん 纊 ⅰ"
    gaiji = "外字：" + GAIJI
    subject = "半角ｶﾅと機種依存文字①の確認"
    msgs.append(Msg("00000004.ALM", header(
        b"Date: Thu, 8 Oct 2026 08:45:00 +0900",
        b"From: " + sj("佐藤 花子") + b" <sato@example.jp>",
        b"To: suzuki@example.co.jp",
        b"Subject: " + sj(subject),
        b"Message-ID: <20261008084500.0004@example.jp>",
    ) + [
        sj(kana),
        sj(nec, NEC_ROW13),
        sj(ibm, IBM),
        sj(gaiji),
        b"",
        b"From the desk of Hanako: this line begins with From.",
        b">From a quoted line keeps its single mark.",
        b"",
        sj("以上です。"),
    ], LF, subject, "佐藤 花子",
        [kana, nec, ibm, shown(gaiji), "\nFrom the desk of Hanako", "\n>From a quoted line keeps"]))

    msgs.append(Msg("00000005.ALM", header(
        b"Date: Fri, 9 Oct 2026 17:20:00 +0900",
        b"From: " + ew("山田 太郎") + b" <yamada@example.jp>",
        b"To: suzuki@example.co.jp",
        b"Subject: Re: " + ew("定例会議のお知らせ"),
        b"In-Reply-To: <20261005091230.0001@example.jp>",
        b"Message-ID: <20261009172000.0005@example.jp>",
    ) + sj_lines([
        "会議室が変更になりました。",
        "> 場所は本社３階の第二会議室です。",
        "新しい場所は５階の大会議室です。",
    ]), CRLF, "Re: 定例会議のお知らせ", "山田 太郎", ["新しい場所は５階の大会議室です。"]))
    return msgs


def outbox_work():
    # Mail written in AL-Mail: raw Shift_JIS in the header, attachment name raw too.
    text = ["田中様", "", "お世話になっております。鈴木です。", "注文書をお送りします。"]
    attach = sj("注文書\r\n数量：３台\r\n")
    b64 = base64.encodebytes(attach).rstrip(b"\n").split(b"\n")
    bnd = b"AL-Mail32-20261010-0001"
    return [Msg("00000001.ALM", header(
        b"Date: Sat, 10 Oct 2026 11:11:11 +0900",
        b"From: " + sj("鈴木 次郎") + b" <suzuki@example.co.jp>",
        b"To: " + sj("田中 一郎") + b" <tanaka@example.net>",
        b"Subject: " + sj("注文書の送付について"),
        b"Message-Id: <20261010111111.0001@example.co.jp>",
        b"X-Mailer: AL-Mail32 Version 1.13",
        content=mixed(bnd),
    ) + part(bnd, PLAIN_JIS, sj_lines(text)) + part(bnd, [
        b"Content-Type: application/octet-stream; name=\"" + sj("注文書.txt") + b"\"",
        b"Content-Transfer-Encoding: base64",
        b"Content-Disposition: attachment; filename=\"" + sj("注文書.txt") + b"\"",
    ], b64, last_eol=False) + closing(bnd), CRLF, "注文書の送付について", "鈴木 次郎", [text[3]],
        attachments=["注文書.txt"])]


def project_deep():
    text = ["開発チーム各位", "", "２０２６年度の開発計画（ソース管理表）を共有します。"]
    return [Msg("00000001.ALM", header(
        b"Date: Mon, 12 Oct 2026 09:00:00 +0900",
        b"From: " + ew("開発部長") + b" <dev-lead@example.co.jp>",
        b"To: dev@example.co.jp",
        b"Subject: " + ew("２０２６年度 開発計画"),
        b"Message-ID: <20261012090000.0001@example.co.jp>",
    ) + sj_lines(text), LF, "２０２６年度 開発計画", "開発部長", [text[2]])]


def project_minutes():
    text = ["第１回 打ち合わせ議事録", "", "・仕様の確認（表示部分）", "・次回は１０月２０日"]
    return [Msg("00000001.ALM", header(
        b"Date: Tue, 13 Oct 2026 16:00:00 +0900",
        b"From: " + ew("鈴木 次郎") + b" <suzuki@example.co.jp>",
        b"To: project@example.co.jp",
        b"Subject: " + ew("議事録（第１回）"),
        b"Message-ID: <20261013160000.0001@example.co.jp>",
    ) + sj_lines(text), CRLF, "議事録（第１回）", "鈴木 次郎", [text[2]]),
        Msg("00000002.ALM", header(
            b"Date: Wed, 14 Oct 2026 10:30:00 +0900",
            b"From: " + ew("田中 一郎") + b" <tanaka@example.net>",
            b"To: project@example.co.jp",
            b"Subject: " + ew("議事録の補足"),
            b"Message-ID: <20261014103000.0002@example.net>",
        ) + [sj("補足です。画面の文言を一部修正しました。")], CRLF, "議事録の補足", "田中 一郎",
            ["画面の文言を一部修正しました。"], last_eol=False)]


def inbox_private():
    msgs = []
    # Kept from an mbox file: the first line is the envelope line.
    text = ["週末の予定はいかがですか。", "駅前の喫茶店で会いましょう。"]
    msgs.append(Msg("00000001.ALM", header(
        b"From hanako@example.ne.jp  Sat Oct 17 20:00:00 2026",
        b"Date: Sat, 17 Oct 2026 20:00:00 +0900",
        b"From: " + ew("花子") + b" <hanako@example.ne.jp>",
        b"To: jiro@example.ne.jp",
        b"Subject: " + ew("週末の予定"),
        b"Message-ID: <20261017200000.0001@example.ne.jp>",
    ) + sj_lines(text), LF, "週末の予定", "花子", [text[1]]))
    # Mobile mail in Shift_JIS stays Shift_JIS.
    text = ["了解です！", "十時に改札でお願いします。"]
    msgs.append(Msg("00000002.ALM", header(
        b"Date: Sat, 17 Oct 2026 21:15:00 +0900",
        b"From: jiro@example.ne.jp",
        b"To: hanako@example.ne.jp",
        b"Subject: =?Shift_JIS?B?" + base64.b64encode(sj("Re: 週末の予定")) + b"?=",
        b"Message-ID: <20261017211500.0002@example.ne.jp>",
        content=[b"Content-Type: text/plain; charset=Shift_JIS", b"Content-Transfer-Encoding: 8bit"],
    ) + sj_lines(text), LF, "Re: 週末の予定", "jiro@example.ne.jp", [text[1]]))
    return msgs


# ---------------------------------------------------------------------------------------------
# The store: (path, Entry.ini pairs or None, kind, messages); kind is "mail" or "container".

WORK = "仕事・予定表"      # 表 = 95 5C
PRIVATE = "プライベート"


def layout():
    return [
        ("Account1", [("Title", WORK), ("Name", "鈴木 次郎"), ("MailAddress", "suzuki@example.co.jp")]),
        ("Account1/Inbox.box", None, "mail", inbox_work(), [WORK, "郵便受け"]),
        ("Account1/Outbox.box", None, "mail", outbox_work(), [WORK, "送信箱"]),
        ("Account1/Folder1.box", [("Title", "プロジェクト"), ("Type", "Subfolder")], "container", [],
         [WORK, "プロジェクト"]),
        ("Account1/Folder1.box/Folder1.box", [("Title", "ソフト開発"), ("Type", "Subfolder")], "container",
         [], [WORK, "プロジェクト", "ソフト開発"]),                # ソ = 83 5C
        ("Account1/Folder1.box/Folder1.box/Folder1.box", [("Title", "２０２６年度")], "mail", project_deep(),
         [WORK, "プロジェクト", "ソフト開発", "２０２６年度"]),
        ("Account1/Folder1.box/Folder2.box", [("Title", "議事録")], "mail", project_minutes(),
         [WORK, "プロジェクト", "議事録"]),
        # An empty folder keeps its Entry.ini (git keeps no empty directories).
        ("Account1/Folder2.box", [("Title", "保存用")], "mail", [], None),
        ("Account2", [("Title", PRIVATE), ("Name", "次郎"), ("MailAddress", "jiro@example.ne.jp")]),
        ("Account2/Inbox.box", None, "mail", inbox_private(), [PRIVATE, "郵便受け"]),
    ]


def start_store(out, marker, kind):
    """Make `out` an empty store directory; one that exists is replaced only when it holds the file
    `marker` (a path relative to it) that every store of this kind has."""
    if os.path.exists(out):
        if not os.path.isfile(os.path.join(out, *marker.split("/"))):
            sys.exit("refusing to replace %s: it is not %s" % (out, kind))
        shutil.rmtree(out)
    os.makedirs(out)
    # Git must keep the bytes as they are (line ends, Shift_JIS); the converter ignores this file.
    with open(os.path.join(out, ".gitattributes"), "wb") as f:
        f.write(b"* -text -diff\n")


def write_store(out):
    start_store(out, "Account1/Account.ini", "a sample store")
    for entry in layout():
        path = os.path.join(out, *entry[0].split("/"))
        os.makedirs(path, exist_ok=True)
        if len(entry) == 2:
            with open(os.path.join(path, "Account.ini"), "wb") as f:
                f.write(ini(entry[1]))
            continue
        _, entry_ini, _, msgs, _ = entry
        if entry_ini:
            with open(os.path.join(path, "Entry.ini"), "wb") as f:
                f.write(ini(entry_ini))
        for m in msgs:
            with open(os.path.join(path, m.name), "wb") as f:
                f.write(m.data())


def expectations():
    folders = []
    for entry in layout():
        if len(entry) == 2:
            folders.append({"path": entry[1][0][1], "container": True, "messages": []})
            continue
        source, _, kind, msgs, shown_path = entry
        if shown_path is None:
            continue  # a folder without messages leaves no mbox file
        folders.append({
            "path": "/".join(shown_path),
            "source": source,
            "container": kind == "container",
            "messages": [{"file": m.name, "subject": m.subject, "from": m.sender, "body": m.body,
                          "attachments": m.attachments} for m in msgs],
        })
    return {"folders": folders, "absent": [WORK + "/保存用", PRIVATE + "/送信箱"]}


def differences(a, b):
    """Relative paths of files and directories that differ between trees a and b."""
    cmp = filecmp.dircmp(a, b, ignore=[])
    out = [os.path.join(a, x) for x in cmp.left_only + cmp.right_only + cmp.funny_files]
    out += [os.path.join(a, x) for x in cmp.common_files if not filecmp.cmp(
        os.path.join(a, x), os.path.join(b, x), shallow=False)]
    for d in cmp.common_dirs:
        out += differences(os.path.join(a, d), os.path.join(b, d))
    return out


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", metavar="DIR", default=os.path.join(root, "examples", "sample-store"),
                        help="where the store is written")
    parser.add_argument("--expect", metavar="FILE.json", help="also write what a reader must show")
    parser.add_argument("--check", action="store_true",
                        help="compare with DIR and FILE.json instead of writing")
    args = parser.parse_args()
    out, expect, check = args.out, args.expect, args.check
    if check:
        with tempfile.TemporaryDirectory() as tmp:
            fresh = os.path.join(tmp, "store")
            write_store(fresh)
            bad = differences(out, fresh)
            if expect:
                with open(expect, encoding="utf-8") as f:
                    if json.load(f) != expectations():
                        bad.append(expect)
        for x in bad:
            print("differs from what tools/make-sample-store.py writes: %s" % x)
        sys.exit(1 if bad else 0)
    write_store(out)
    if expect:
        with open(expect, "w", encoding="utf-8") as f:
            json.dump(expectations(), f, ensure_ascii=False, indent=1)
            f.write("\n")


if __name__ == "__main__":
    main()
