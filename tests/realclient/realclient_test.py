#!/usr/bin/env python3
"""Convert a store with boxferry-cli and let the real Thunderbird read the result.

usage: realclient_test.py --cli BOXFERRY_CLI --store STORE_DIR --expect EXPECT.json [--keep]

Converts STORE_DIR straight into the Local Folders directory of a throwaway Thunderbird profile,
starts Thunderbird headless with Marionette, has it parse every folder from its mbox file (probe.js),
and checks against EXPECT.json that every expected folder exists (and every "absent" one does not),
that each folder holds exactly the expected messages in file order, with the subject, sender and
attachment names as Thunderbird decodes them and the expected snippets in the body text it shows.

Exit status: 0 passed, 1 failed, 77 skipped (Thunderbird is not installed; ctest's SKIP_RETURN_CODE).
Environment: BOXFERRY_THUNDERBIRD (default /usr/lib/thunderbird/thunderbird),
BOXFERRY_REALCLIENT_LIMIT (seconds for Thunderbird's part, default 150).
Python 3 standard library only.
"""
import argparse
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77

PREFS = {
    "mail.accountmanager.accounts": "account1",
    "mail.accountmanager.localfoldersserver": "server1",
    "mail.account.account1.server": "server1",
    "mail.server.server1.directory-rel": "[ProfD]Mail/Local Folders",
    "mail.server.server1.hostname": "Local Folders",
    "mail.server.server1.name": "Local Folders",
    "mail.server.server1.type": "none",
    "mail.server.server1.userName": "nobody",
    "mail.server.server1.storeContractID": "@mozilla.org/msgstore/berkeleystore;1",
    "mail.provider.suppress_dialog_on_startup": True,
    "mail.shell.checkDefaultClient": False,
    "mail.rights.override": True,
    "mailnews.start_page.enabled": False,
    "mailnews.database.global.indexer.enabled": False,
    "app.update.enabled": False,
    "extensions.update.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.enabled": False,
    "offline.startup_state": 3,
    "network.online": False,
    "toolkit.startup.max_resumed_crashes": -1,
    "marionette.port": 0,  # any free port; Thunderbird writes it to MarionetteActivePort
}


class Marionette:
    """Just enough of the Marionette protocol (version 3): length-prefixed JSON packets."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        self.buf = b""
        self.id = 0
        if self._packet().get("marionetteProtocol") != 3:
            raise RuntimeError("unexpected Marionette handshake")

    def _packet(self):
        while b":" not in self.buf:
            self._more()
        size, self.buf = self.buf.split(b":", 1)
        size = int(size)
        while len(self.buf) < size:
            self._more()
        data, self.buf = self.buf[:size], self.buf[size:]
        return json.loads(data.decode("utf-8"))

    def _more(self):
        chunk = self.sock.recv(1 << 16)
        if not chunk:
            raise EOFError("Marionette closed the connection")
        self.buf += chunk

    def call(self, name, params=None, timeout=30):
        self.id += 1
        data = json.dumps([0, self.id, name, params or {}]).encode("utf-8")
        self.sock.settimeout(timeout)
        self.sock.sendall(b"%d:%s" % (len(data), data))
        while True:
            reply = self._packet()
            if isinstance(reply, list) and reply[0] == 1 and reply[1] == self.id:
                if reply[2]:
                    raise RuntimeError("%s: %s" % (name, json.dumps(reply[2])[:2000]))
                return reply[3]


def run_thunderbird(tb, profile, limit):
    """Start Thunderbird on the profile, run probe.js, quit; returns the probe's result."""
    with open(os.path.join(profile, "user.js"), "w", encoding="utf-8") as f:
        for key, value in PREFS.items():
            f.write("user_pref(%s, %s);\n" % (json.dumps(key), json.dumps(value)))
    env = dict(os.environ, HOME=profile, XDG_CONFIG_HOME=os.path.join(profile, ".config"),
               XDG_CACHE_HOME=os.path.join(profile, ".cache"), MOZ_CRASHREPORTER_DISABLE="1",
               MOZ_DISABLE_AUTO_SAFE_MODE="1")
    log = open(os.path.join(profile, "thunderbird.log"), "wb")
    proc = subprocess.Popen([tb, "--headless", "--no-remote", "--marionette", "-remote-allow-system-access",
                             "--profile", profile], env=env, stdout=log, stderr=subprocess.STDOUT,
                            stdin=subprocess.DEVNULL, start_new_session=True)
    deadline = time.time() + limit
    quitting = False
    try:
        port_file = os.path.join(profile, "MarionetteActivePort")
        while True:
            if proc.poll() is not None:
                raise RuntimeError("Thunderbird exited early (status %s)" % proc.returncode)
            if time.time() > deadline:
                raise RuntimeError("Thunderbird did not open Marionette within %d s" % limit)
            try:
                with open(port_file) as f:
                    m = Marionette(int(f.read().strip()))
                break
            except (OSError, ValueError, EOFError, RuntimeError):  # not listening yet
                time.sleep(0.25)
        m.call("WebDriver:NewSession")
        left = max(10, int(deadline - time.time()))
        m.call("WebDriver:SetTimeouts", {"script": left * 1000})
        m.call("Marionette:SetContext", {"value": "chrome"})
        with open(os.path.join(HERE, "probe.js"), encoding="utf-8") as f:
            script = f.read()
        result = m.call("WebDriver:ExecuteScript", {"script": script, "args": [], "newSandbox": True},
                        timeout=left + 5)
        try:
            m.call("Marionette:Quit", {"flags": ["eForceQuit"]})
            quitting = True
        except (OSError, EOFError, RuntimeError):
            pass
        return result.get("value") if isinstance(result, dict) else result
    finally:
        try:
            proc.wait(timeout=15 if quitting else 0.1)
        except subprocess.TimeoutExpired:
            try:
                os.killpg(proc.pid, signal.SIGKILL)  # the session Thunderbird was started in, nothing else
            except ProcessLookupError:
                pass
            proc.wait()
        log.close()


def norm(text):
    return " ".join((text or "").split())


RE_PREFIX = re.compile(r"^(re|aw|sv|antw)(\[\d+\])?:\s*", re.I)


def shown_line(i, g):
    return "shown #%d %r from %r: %r" % (i, g["subject"], g["from"], norm(g["body"])[:80])


def expected_subject(subject, g):
    """The expected subject as Thunderbird lists it: without the reply prefix it keeps as a flag."""
    return RE_PREFIX.sub("", norm(subject)) if g["hasRe"] else norm(subject)


def pair_by_subject(want, got):
    """Expected and shown messages paired in order by subject (a message without an expected subject
    takes the next shown one); an expected message nobody shows is paired with None."""
    pairs, at = [], 0
    for w in want:
        found = None
        if w.get("subject") is None:
            found = at if at < len(got) else None
        else:
            found = next((i for i in range(at, len(got)) if norm(got[i]["subject"]) == expected_subject(w["subject"], got[i])), None)
        pairs.append((w, None if found is None else got[found]))
        if found is not None:
            at = found + 1
    return pairs


def top_name(name):
    return name[:-4] if name.endswith(".sbd") else name


def check(seen, expect, store, written=None):
    """List of problems: what Thunderbird shows compared with the expectations. `written` names the
    entries the conversion made at the top of Local Folders (their folders are converted ones too)."""
    problems = []
    for want in expect["folders"]:  # the expectations must cover every message file of the store
        if want.get("container") or "source" not in want:
            continue
        src = os.path.join(store, *want["source"].split("/"))
        files = sorted(x for x in os.listdir(src) if x.upper().endswith(".ALM"))
        if files != [m["file"] for m in want["messages"]]:
            problems.append("%s: expectations list %d message files, the store holds %d"
                            % (want["source"], len(want["messages"]), len(files)))
    folders = {f["path"]: f for f in seen["folders"]}
    for path in expect.get("absent", []):
        if path in folders:
            problems.append("%s: listed, but no folder was expected there" % path)
    tops = {f["path"].split("/")[0] for f in expect["folders"]}
    known = {f["path"] for f in expect["folders"]}
    converted = {top_name(x) for x in written or ()}
    for f in seen["folders"]:
        path = f["path"]
        if path.split("/")[0] in tops and path not in known:
            problems.append("%s: unexpected folder" % path)
        # A converted tree must never be one of Thunderbird's special folders: it would empty a Trash,
        # send from an Outbox, file replies into a Sent folder.
        top = top_name(f.get("file", path).split("/")[0])
        if f.get("roles") and (path.split("/")[0] in tops or top in converted):
            problems.append("%s: converted folder (file %s) is Thunderbird's %s folder"
                            % (path, f.get("file"), "/".join(f["roles"])))
    for want in expect["folders"]:
        path = want["path"]
        got = folders.get(path)
        if got is None:
            problems.append("%s: folder missing" % path)
            continue
        if got.get("error"):
            problems.append("%s: %s" % (path, got["error"]))
        msgs = got["messages"]
        if len(msgs) == len(want["messages"]):
            pairs = list(zip(want["messages"], msgs))
        else:  # merged or hidden messages: say what is shown, then compare by subject
            problems.append("\n    ".join(
                ["%s: %d messages, expected %d" % (path, len(msgs), len(want["messages"]))]
                + ["expected %s %r" % (w["file"], w.get("subject")) for w in want["messages"]]
                + [shown_line(i, g) for i, g in enumerate(msgs, 1)]))
            pairs = pair_by_subject(want["messages"], msgs)
        for w, g in pairs:
            where = "%s/%s" % (path, w["file"])
            if g is None:
                problems.append("%s: not shown as a message of its own (subject %r)" % (where, w.get("subject")))
                continue
            subject = g["subject"] or ""
            if w.get("subject") is not None:
                expected = expected_subject(w["subject"], g)
                if norm(subject) != expected:
                    problems.append("%s: subject %r, expected %r" % (where, subject, expected))
            if "\x1b" in subject or "$B" in subject or "=?" in subject:
                problems.append("%s: subject not decoded: %r" % (where, subject))
            if w.get("from") and w["from"] not in (g["from"] or ""):
                problems.append("%s: sender %r does not show %r" % (where, g["from"], w["from"]))
            if "attachments" in w and w["attachments"] != g.get("attachments"):
                problems.append("%s: attachments %r, expected %r" % (where, g.get("attachments"), w["attachments"]))
            text = (g["body"] or "").replace("\r\n", "\n")
            for snippet in w.get("body", []):
                if norm(snippet) not in norm(text) or ("\n" in snippet and snippet not in text):
                    problems.append("%s: body lacks %r; it reads %r" % (where, snippet, text[:300]))
    return problems


def parse_args(usage):
    """--cli, --store, --expect (all required) and --keep, with `usage` as the help text."""
    parser = argparse.ArgumentParser(description=usage, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True, metavar="BOXFERRY_CLI", help="the boxferry-cli to run")
    parser.add_argument("--store", required=True, metavar="STORE_DIR", help="the AL-Mail store to convert")
    parser.add_argument("--expect", required=True, metavar="EXPECT.json", help="what Thunderbird must show")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder and print where it is")
    return parser.parse_args()


def main():
    opts = parse_args(__doc__)
    tb = os.environ.get("BOXFERRY_THUNDERBIRD", "/usr/lib/thunderbird/thunderbird")
    if not os.access(tb, os.X_OK):
        print("SKIPPED: Thunderbird is not installed (%s); install it (apt-get install thunderbird) "
              "or set BOXFERRY_THUNDERBIRD to run the real-client test" % tb)
        return SKIP
    with open(opts.expect, encoding="utf-8") as f:
        expect = json.load(f)

    work = tempfile.mkdtemp(prefix="boxferry-realclient-")
    try:
        profile = os.path.join(work, "profile")
        local = os.path.join(profile, "Mail", "Local Folders")
        os.makedirs(local)
        conv = subprocess.run([opts.cli, opts.store, local], capture_output=True, timeout=120)
        written = set(os.listdir(local))
        if conv.returncode != 0:
            print("boxferry-cli failed with status %d:\n%s%s" % (conv.returncode, conv.stdout.decode(
                "utf-8", "replace"), conv.stderr.decode("utf-8", "replace")))
            return 1
        print(conv.stdout.decode("utf-8", "replace").strip().splitlines()[-1])
        t0 = time.time()
        try:
            seen = run_thunderbird(tb, profile, int(os.environ.get("BOXFERRY_REALCLIENT_LIMIT", "150")))
        except (RuntimeError, OSError, EOFError) as e:
            print("FAILED: %s" % e)
            logfile = os.path.join(profile, "thunderbird.log")
            if os.path.exists(logfile):
                with open(logfile, "rb") as f:
                    print(f.read()[-3000:].decode("utf-8", "replace"))
            return 1
        total = sum(len(f["messages"]) for f in expect["folders"])
        print("%s read %d folders in %.1f s" % (seen.get("app"), len(seen["folders"]), time.time() - t0))
        problems = check(seen, expect, opts.store, written)
        for f in expect["folders"]:
            for m in f["messages"]:
                if m.get("why"):
                    print("note %s/%s: %s" % (f["path"], m["file"], m["why"]))
        if opts.keep:
            with open(os.path.join(work, "seen.json"), "w", encoding="utf-8") as f:
                json.dump(seen, f, ensure_ascii=False, indent=1)
        for p in problems:
            print("FAIL " + p)
        if problems:
            print("FAILED: %d problem(s) in %d expected messages" % (len(problems), total))
            return 1
        print("PASSED: %d folders, %d messages, subjects, senders and bodies as expected"
              % (len(expect["folders"]), total))
        return 0
    finally:
        if opts.keep:
            print("kept: %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
