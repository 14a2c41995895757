#!/usr/bin/env python3
"""Write synthetic AL-Mail stores for benchmarks and scale runs (Python 3 standard library only).

usage: make-store.py KIND OUT [options]      OUT must not exist; prints one line of key=value facts

KIND
  mixed        a realistic store (default about 100 MiB): mostly Japanese text mail in Shift_JIS with
               charset=ISO-2022-JP (80 %), some multipart mail (15 %), some base64 attachments (5 %;
               about a quarter of the bytes), 1,000 messages a folder
                 --mib M (100)  --messages N (instead of --mib)  --per-folder N (1000)  --seed S (1)
  mail         everyday mail (default about 100 MiB): long ASCII headers, short Japanese text, an
               attachment in one message of three (about two thirds of the bytes base64)
                 --mib M (100)  --messages N (instead of --mib)  --per-folder N (1000)  --seed S (1)
  flat         --messages N small Japanese text messages (default 100000) in one folder
  deep         --depth D (200) nested Subfolder containers, one message in each container level's
               sibling folder of messages and one at the bottom
  long-line    one message whose body is a single line of --mib M (256) MiB of Japanese text
  long-header  one message with a Subject field of --mib M (100) MiB of raw Shift_JIS on one line
  big-mbox     one folder whose mbox passes --gib G (4.5) GiB: --messages N (9) messages, each a
               base64 attachment (ASCII only, so the mbox size is known in advance)

Facts printed: messages=, folders=, alm_bytes= (sum of the .ALM sizes) and, where the conversion's
output size follows from the input, mbox_bytes= (the exact size every correct conversion writes).
"""
import argparse
import os
import random
import sys

# The separator and the status lines Thunderbird needs after it, before every message.
SEP = len(b"From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n")
CRLF = b"\r\n"

SENTENCES = [
    "お世話になっております。", "先日の打ち合わせの件でご連絡いたします。", "資料を添付いたしますのでご確認ください。",
    "来週の会議は第二会議室で行います。", "ご不明な点がございましたらお知らせください。", "よろしくお願いいたします。",
    "納期は１０月末を予定しております。", "見積書の金額に誤りがありましたので訂正いたします。",
    "本日は社内システムの保守作業のため、午後六時以降は接続できません。", "ｼｽﾃﾑ部からのお知らせです。",
    "出張報告書を提出しました。", "①議題の確認　②進捗報告　③次回の予定", "髙橋様、﨑山様にもご共有ください。",
    "From the sales team: the figures are attached.", "各位", "以上、取り急ぎご連絡まで。",
]
SENT = [s.encode("cp932") for s in SENTENCES]
WORDS = [w.encode("cp932") for w in ["会議", "報告", "資料", "予定", "確認", "連絡", "見積", "契約", "出張", "週報"]]


def header(i, subject, ctype, extra=b"", ascii_only=False):
    name = b"Bench" if ascii_only else "山田 太郎".encode("cp932")
    return CRLF.join([
        b"Return-Path: <sender%d@example.jp>" % (i % 97),
        b"Received: from mail.example.jp by mx.example.co.jp with ESMTP id %08X;" % i,
        b"\tMon, 5 Oct 2026 09:12:34 +0900",
        b"Date: Mon, 5 Oct 2026 09:%02d:%02d +0900" % (i // 60 % 60, i % 60),
        b"From: " + name + b" <sender%d@example.jp>" % (i % 97),
        b"To: suzuki@example.co.jp",
        b"Subject: " + subject,
        b"Message-ID: <%d.bench@example.jp>" % i,
        b"MIME-Version: 1.0",
        ctype,
    ]) + CRLF + extra + CRLF


def text_lines(rng, nbytes):
    out, size = [], 0
    while size < nbytes:
        line = b"".join(rng.choice(SENT) for _ in range(rng.randint(1, 3)))
        out.append(line)
        size += len(line) + 2
    return CRLF.join(out) + CRLF


def b64_lines(rng, nbytes):
    alphabet = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
    line = bytes(rng.choice(alphabet) for _ in range(76)) + CRLF
    n = max(1, nbytes // len(line))
    block = [bytes(rng.choice(alphabet) for _ in range(76)) + CRLF for _ in range(64)]
    return b"".join(block[k % 64] for k in range(n))


def mixed_message(rng, i, kinds):
    """One message: 80 % Japanese text mail, 15 % multipart with two text parts, 5 % with an
    attachment; by bytes about three quarters Japanese text, one quarter base64."""
    subject = b"%s%s #%d" % (rng.choice(WORDS), rng.choice(WORDS), i)
    kind = rng.random()
    plain = b"Content-Type: text/plain; charset=ISO-2022-JP" + CRLF + b"Content-Transfer-Encoding: 7bit"
    if kind < 0.80:  # text mail, 2-24 KiB
        kinds["text"] += 1
        return header(i, subject, plain) + text_lines(rng, rng.randint(2, 24) * 1024)
    bnd = b"----=_Part_%08d" % i
    parts = [b"--" + bnd + CRLF + plain + CRLF + CRLF + text_lines(rng, rng.randint(1, 8) * 1024)]
    if kind < 0.95:  # multipart/alternative-like: two text parts
        kinds["multipart"] += 1
        parts.append(b"--" + bnd + CRLF + plain + CRLF + CRLF + text_lines(rng, rng.randint(1, 8) * 1024))
    else:  # attachment, 16-128 KiB of base64
        kinds["attachment"] += 1
        parts.append(b"--" + bnd + CRLF + b"Content-Type: application/octet-stream; name=\"" +
                     "資料.pdf".encode("cp932") + b"\"" + CRLF + b"Content-Transfer-Encoding: base64" + CRLF +
                     b"Content-Disposition: attachment; filename=\"" + "資料.pdf".encode("cp932") + b"\"" +
                     CRLF + CRLF + b64_lines(rng, rng.randint(16, 128) * 1024))
    return (header(i, subject, b"Content-Type: multipart/mixed; boundary=\"" + bnd + b"\"") +
            b"This is a multi-part message in MIME format." + CRLF + CRLF + b"".join(parts) +
            b"--" + bnd + b"--" + CRLF)


def everyday_message(rng, i, kinds):
    """One message as a mailbox of everyday mail holds it: a long header of relay lines (ASCII), a short
    Japanese text, and in one message of three an attachment; by bytes about two thirds base64, a tenth
    header lines, the rest text."""
    relays = b"".join(b"Received: from relay%d.example.net (relay%d.example.net [192.0.2.%d])" % (k, k, k) +
                      CRLF + b"\tby mx.example.co.jp with ESMTPS id %08X%02d;" % (i, k) + CRLF +
                      b"\tMon, 5 Oct 2026 09:12:%02d +0900" % k + CRLF for k in range(rng.randint(2, 6)))
    extra = relays + b"X-Mailer: Example Mail 5.2" + CRLF + b"DKIM-Signature: v=1; a=rsa-sha256; d=example.jp; " + \
        bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz0123456789") for _ in range(180)) + CRLF
    subject = b"Re: %s%s" % (rng.choice(WORDS), rng.choice(WORDS))
    plain = b"Content-Type: text/plain; charset=ISO-2022-JP" + CRLF + b"Content-Transfer-Encoding: 7bit"
    text = text_lines(rng, rng.randint(1, 3) * 512)
    if rng.random() < 2 / 3:
        kinds["text"] += 1
        return header(i, subject, plain, extra) + text
    kinds["attachment"] += 1
    bnd = b"----=_Part_%08d" % i
    return (header(i, subject, b"Content-Type: multipart/mixed; boundary=\"" + bnd + b"\"", extra) +
            b"--" + bnd + CRLF + plain + CRLF + CRLF + text +
            b"--" + bnd + CRLF + b"Content-Type: application/pdf; name=\"report.pdf\"" + CRLF +
            b"Content-Transfer-Encoding: base64" + CRLF + CRLF + b64_lines(rng, rng.randint(4, 32) * 1024) +
            b"--" + bnd + b"--" + CRLF)


def account(out, n, title):
    path = os.path.join(out, "Account%d" % n)
    os.makedirs(path)
    with open(os.path.join(path, "Account.ini"), "wb") as f:
        f.write(b"[Property]\r\nTitle=" + title.encode("cp932") + b"\r\n")
    return path


def folder(parent, name, title=None, container=False):
    path = os.path.join(parent, name)
    os.makedirs(path)
    if title:
        with open(os.path.join(path, "Entry.ini"), "wb") as f:
            f.write(b"[Property]\r\nTitle=" + title.encode("cp932") + b"\r\n" +
                    (b"Type=Subfolder\r\n" if container else b""))
    return path


def put(path, i, data):
    with open(os.path.join(path, "%08d.ALM" % i), "wb") as f:
        f.write(data)
    return len(data)


KINDS = ["mixed", "mail", "flat", "deep", "long-line", "long-header", "big-mbox"]


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("kind", metavar="KIND", choices=KINDS, help="one of " + ", ".join(KINDS))
    parser.add_argument("out", metavar="OUT", help="the store's folder; must not exist")
    # Numbers as floats, as --mib 0.5 and --gib 4.5 need; counts are truncated. Unset ones (None) take
    # the default of their KIND (see above).
    parser.add_argument("--mib", metavar="M", type=float, help="size in MiB (mixed, long-line, long-header)")
    parser.add_argument("--gib", metavar="G", type=float, help="size of the mbox in GiB (big-mbox)")
    parser.add_argument("--messages", metavar="N", type=float, help="number of messages (mixed, flat, big-mbox)")
    parser.add_argument("--per-folder", metavar="N", type=float, help="messages a folder (mixed)")
    parser.add_argument("--depth", metavar="D", type=float, help="nesting depth (deep)")
    parser.add_argument("--seed", metavar="S", type=float, default=1, help="random seed (default 1)")
    return parser.parse_args()


def given(value, default):
    return default if value is None else value


def main():
    args = parse_args()
    kind, out = args.kind, args.out
    if os.path.exists(out):
        sys.exit("%s exists" % out)
    rng = random.Random(int(args.seed))
    facts = {"messages": 0, "folders": 0, "alm_bytes": 0}

    if kind in ("mixed", "mail"):
        limit = given(args.mib, 100) * 1048576
        count = int(given(args.messages, 0))
        per = int(given(args.per_folder, 1000))
        acc = account(out, 1, "ベンチマーク")
        path = None
        kinds = {"text": 0, "multipart": 0, "attachment": 0} if kind == "mixed" else {"text": 0, "attachment": 0}
        make = mixed_message if kind == "mixed" else everyday_message
        while (facts["messages"] < count) if count else (facts["alm_bytes"] < limit):
            if facts["messages"] % per == 0:
                facts["folders"] += 1
                path = folder(acc, "Folder%d.box" % facts["folders"], "フォルダ%d" % facts["folders"])
            facts["messages"] += 1
            facts["alm_bytes"] += put(path, facts["messages"], make(rng, facts["messages"], kinds))
        facts.update(kinds)
    elif kind == "flat":
        acc = account(out, 1, "大量")
        path = folder(acc, "Inbox.box")
        facts["folders"] = 1
        plain = b"Content-Type: text/plain; charset=ISO-2022-JP"
        for i in range(1, int(given(args.messages, 100000)) + 1):
            facts["alm_bytes"] += put(path, i, header(i, b"%s %d" % (WORDS[i % 10], i), plain) +
                                      text_lines(rng, 600))
            facts["messages"] += 1
    elif kind == "deep":
        parent = account(out, 1, "深い階層")
        plain = b"Content-Type: text/plain; charset=ISO-2022-JP"
        for d in range(1, int(given(args.depth, 200)) + 1):
            leaf = folder(parent, "Mail.box", "メール%03d" % d)
            facts["alm_bytes"] += put(leaf, 1, header(d, b"level %d" % d, plain) + text_lines(rng, 300))
            facts["messages"] += 1
            parent = folder(parent, "Sub.box", "階%03d" % d, container=True)
            facts["folders"] += 2
        leaf = folder(parent, "Mail.box", "最下層")
        facts["alm_bytes"] += put(leaf, 1, header(0, b"bottom", plain) + text_lines(rng, 300))
        facts["messages"] += 1
        facts["folders"] += 1
    elif kind in ("long-line", "long-header"):
        mib = given(args.mib, 256 if kind == "long-line" else 100)
        acc = account(out, 1, "長い行")
        path = folder(acc, "Inbox.box")
        facts["folders"] = 1
        unit = "長い行のテスト".encode("cp932") * 4096  # 56 KiB of double-byte text
        total = int(mib * 1048576) // len(unit) * len(unit)
        plain = b"Content-Type: text/plain; charset=ISO-2022-JP"
        with open(os.path.join(path, "00000001.ALM"), "wb") as f:
            if kind == "long-line":
                head = header(1, b"one long line", plain, ascii_only=True)
                f.write(head)
                for _ in range(total // len(unit)):
                    f.write(unit)
                f.write(CRLF + b"end" + CRLF)
                # Japanese only, so the line becomes ESC $ B, the JIS bytes (as many), ESC ( B.
                facts["mbox_bytes"] = SEP + len(head) + 3 + total + 3 + 2 + 5
            else:
                f.write(b"Date: Mon, 5 Oct 2026 09:00:00 +0900" + CRLF + b"Subject: ")
                for _ in range(total // len(unit)):
                    f.write(unit)
                f.write(CRLF + b"From: a@example.jp" + CRLF + plain + CRLF + CRLF)
                f.write("本文です。".encode("cp932") + CRLF)
            facts["alm_bytes"] = f.tell()
        facts["messages"] = 1
    elif kind == "big-mbox":
        n = int(given(args.messages, 9))
        each = int(given(args.gib, 4.5) * 1073741824 / n)
        acc = account(out, 1, "大きなフォルダ")
        path = folder(acc, "Inbox.box")
        facts["folders"] = 1
        block = b64_lines(rng, 1 << 20)
        for i in range(1, n + 1):
            # ASCII only, so the converter writes it unchanged and the mbox size is known.
            head = header(i, b"big %d" % i, b"Content-Type: application/octet-stream", ascii_only=True)
            head = head[:-2] + b"Content-Transfer-Encoding: base64" + CRLF + CRLF
            with open(os.path.join(path, "%08d.ALM" % i), "wb") as f:
                f.write(head)
                for _ in range(each // len(block)):
                    f.write(block)
                facts["alm_bytes"] += f.tell()
            facts["messages"] += 1
        facts["mbox_bytes"] = facts["alm_bytes"] + SEP * n
    print(" ".join("%s=%d" % kv for kv in facts.items()))


if __name__ == "__main__":
    main()
