#!/usr/bin/env python3
"""Profiles made by Thunderbird itself: boxferry-cli finds them, refuses the unsafe ones, and a conversion
straight into Local Folders shows in Thunderbird.

usage: profile_test.py --cli BOXFERRY_CLI --store STORE_DIR --expect EXPECT.json [--keep]

1. In a scratch HOME, Thunderbird creates two profiles (-CreateProfile) and, started headless on each,
   their Local Folders account with createLocalMailAccount(), as its own account setup does: one in mbox
   form, one in maildir form (mail.serverDefaultStoreContractID set first, as a user may have it).
   Thunderbird writes profiles.ini and prefs.js; the test writes neither.
2. While Thunderbird runs on the mbox profile: `boxferry-cli --thunderbird` says it runs, and a
   conversion into its Local Folders exits 1 with the message that Thunderbird is running, writing
   nothing.
3. With Thunderbird closed: --thunderbird lists both profiles with the Local Folders directory that
   Thunderbird itself reported, in the right form; a conversion into the maildir one exits 1 with the
   maildir message, writing nothing.
4. A conversion straight into the mbox profile's Local Folders exits 0, and Thunderbird, started again on
   that profile, shows every expected folder and message (the checks of realclient_test.py).

Exit status: 0 passed, 1 failed, 77 skipped (Thunderbird is not installed).
Environment: BOXFERRY_THUNDERBIRD (default /usr/lib/thunderbird/thunderbird).
Python 3 standard library only.
"""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from realclient_test import HERE, SKIP, Marionette, check, parse_args

# Only what lets the test drive Thunderbird; nothing about accounts or folders.
PREFS = {
    "marionette.port": 0,
    "mail.shell.checkDefaultClient": False,
    "mailnews.start_page.enabled": False,
    "mailnews.database.global.indexer.enabled": False,
    "app.update.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.enabled": False,
    "offline.startup_state": 3,
    "network.online": False,
}
MAILDIR = "@mozilla.org/msgstore/maildirstore;1"

MAKE_LOCAL_FOLDERS = """
const { MailServices } = ChromeUtils.importESModule("resource:///modules/MailServices.sys.mjs");
MailServices.accounts.createLocalMailAccount();
const server = MailServices.accounts.localFoldersServer;
server.rootFolder.subFolders;  // Thunderbird makes Trash and Unsent Messages on the first look
return { dir: server.localPath.path, store: Services.prefs.getCharPref("mail.server." + server.key + ".storeContractID", "") };
"""


class Thunderbird:
    """Thunderbird on one profile of HOME, driven through Marionette; quits on leaving the block."""

    def __init__(self, tb, home, name, profile_dir, prefs):
        with open(os.path.join(profile_dir, "user.js"), "w", encoding="utf-8") as f:
            for key, value in dict(PREFS, **prefs).items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(key), json.dumps(value)))
        port_file = os.path.join(profile_dir, "MarionetteActivePort")
        if os.path.exists(port_file):
            os.remove(port_file)
        self.log = open(os.path.join(home, "thunderbird-%s.log" % name), "ab")
        self.proc = subprocess.Popen([tb, "--headless", "--no-remote", "--marionette", "-remote-allow-system-access",
                                      "-P", name], env=environment(home), stdout=self.log, stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL, start_new_session=True)
        deadline = time.time() + 120
        while True:
            if self.proc.poll() is not None:
                raise RuntimeError("Thunderbird exited early (status %s)" % self.proc.returncode)
            if time.time() > deadline:
                raise RuntimeError("Thunderbird did not open Marionette within 120 s")
            try:
                with open(port_file) as f:
                    self.m = Marionette(int(f.read().strip()))
                break
            except (OSError, ValueError, EOFError, RuntimeError):
                time.sleep(0.25)
        self.m.call("WebDriver:NewSession")
        self.m.call("WebDriver:SetTimeouts", {"script": 150000})
        self.m.call("Marionette:SetContext", {"value": "chrome"})

    def run(self, script):
        result = self.m.call("WebDriver:ExecuteScript", {"script": script, "args": [], "newSandbox": True},
                             timeout=160)
        return result.get("value") if isinstance(result, dict) else result

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        quitting = False
        try:
            self.m.call("Marionette:Quit", {"flags": ["eForceQuit"]})
            quitting = True
        except (OSError, EOFError, RuntimeError):
            pass
        try:
            self.proc.wait(timeout=30 if quitting else 0.1)
        except subprocess.TimeoutExpired:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)  # the session Thunderbird was started in only
            except ProcessLookupError:
                pass
            self.proc.wait()
        self.log.close()


def environment(home):
    return dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                XDG_CACHE_HOME=os.path.join(home, ".cache"), MOZ_CRASHREPORTER_DISABLE="1",
                MOZ_DISABLE_AUTO_SAFE_MODE="1")


def profile_dirs(home):
    """Profile name -> directory, from the profiles.ini Thunderbird wrote."""
    dirs, name = {}, None
    data = os.path.join(home, ".thunderbird")
    with open(os.path.join(data, "profiles.ini"), encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("Name="):
                name = line[5:]
            elif line.startswith("Path=") and name:
                dirs[name] = os.path.join(data, line[5:])
    return dirs


def listing(cli, home):
    """--thunderbird as profile name -> {"ローカルフォルダ": ..., "形式": ..., "Thunderbird": ...}."""
    out = subprocess.run([cli, "--thunderbird"], env=environment(home), capture_output=True, timeout=60)
    profiles, current = {}, None
    for line in out.stdout.decode("utf-8").splitlines():
        m = re.match(r"プロファイル: (.*?)( \(既定\))?$", line)
        if m:
            current = profiles.setdefault(m.group(1), {})
        elif current is not None and line.startswith("  ") and ": " in line:
            key, value = line.strip().split(": ", 1)
            current[key] = value
    return profiles


def tree(root):
    entries = []
    for base, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(base, name)
            entries.append((os.path.relpath(path, root), os.path.getsize(path) if name in files else -1))
    return sorted(entries)


def convert(cli, home, store, out):
    r = subprocess.run([cli, store, out], env=environment(home), capture_output=True, timeout=120)
    return r.returncode, r.stderr.decode("utf-8", "replace")


def main():
    opts = parse_args(__doc__)
    tb = os.environ.get("BOXFERRY_THUNDERBIRD", "/usr/lib/thunderbird/thunderbird")
    if not os.access(tb, os.X_OK):
        print("SKIPPED: Thunderbird is not installed (%s)" % tb)
        return SKIP
    cli, store = opts.cli, opts.store
    with open(opts.expect, encoding="utf-8") as f:
        expect = json.load(f)

    home = tempfile.mkdtemp(prefix="boxferry-profiles-")
    problems = []
    try:
        for name in ("mbox", "maildir"):
            r = subprocess.run([tb, "--headless", "-CreateProfile", name], env=environment(home),
                               capture_output=True, timeout=120)
            if r.returncode != 0:
                print("FAILED: thunderbird -CreateProfile %s: %s" % (name, r.stderr.decode("utf-8", "replace")))
                return 1
        dirs = profile_dirs(home)
        reported = {}
        with Thunderbird(tb, home, "maildir", dirs["maildir"], {"mail.serverDefaultStoreContractID": MAILDIR}) as t:
            reported["maildir"] = t.run(MAKE_LOCAL_FOLDERS)
        with Thunderbird(tb, home, "mbox", dirs["mbox"], {}) as t:
            reported["mbox"] = t.run(MAKE_LOCAL_FOLDERS)
            local = reported["mbox"]["dir"]
            print("Thunderbird made Local Folders: %s" % json.dumps(reported, ensure_ascii=False))
            running = listing(cli, home).get("mbox", {}).get("Thunderbird", "")
            if not running.startswith("起動中"):
                problems.append("--thunderbird while Thunderbird runs says %r" % running)
            before = tree(local)
            status, err = convert(cli, home, store, local)
            if status != 1 or "Thunderbirdが起動しているため" not in err or tree(local) != before:
                problems.append("conversion into a running profile: status %d, %r" % (status, err))

        seen = listing(cli, home)
        for name, form in (("mbox", "mbox"), ("maildir", "maildir")):
            entry = seen.get(name, {})
            if entry.get("ローカルフォルダ") != reported[name]["dir"]:
                problems.append("%s: --thunderbird gives Local Folders %r, Thunderbird %r"
                                % (name, entry.get("ローカルフォルダ"), reported[name]["dir"]))
            if not entry.get("形式", "").startswith(form) or entry.get("Thunderbird") != "起動していません":
                problems.append("%s: --thunderbird says %r" % (name, entry))
        maildir_local = reported["maildir"]["dir"]
        before = tree(maildir_local)
        status, err = convert(cli, home, store, maildir_local)
        if status != 1 or "maildir形式" not in err or tree(maildir_local) != before:
            problems.append("conversion into maildir Local Folders: status %d, %r" % (status, err))

        existing = set(os.listdir(local))
        status, err = convert(cli, home, store, local)
        written = set(os.listdir(local)) - existing
        if status != 0:
            problems.append("conversion into the closed profile's Local Folders: status %d, %r" % (status, err))
        else:
            with open(os.path.join(HERE, "probe.js"), encoding="utf-8") as f:
                probe = f.read()
            with Thunderbird(tb, home, "mbox", dirs["mbox"], {}) as t:
                shown = t.run(probe)
            problems += check(shown, expect, store, written)
            print("%s shows %d folders of the profile" % (shown.get("app"), len(shown["folders"])))
    except (RuntimeError, OSError, EOFError, KeyError, subprocess.TimeoutExpired) as e:
        problems.append("%s: %s" % (type(e).__name__, e))
    finally:
        if opts.keep:
            print("kept: %s" % home)
        else:
            shutil.rmtree(home, ignore_errors=True)
    for p in problems:
        print("FAIL " + p)
    if problems:
        print("FAILED: %d problem(s)" % len(problems))
        return 1
    print("PASSED: Thunderbird's own profiles found, running and maildir ones refused, the conversion shown")
    return 0


if __name__ == "__main__":
    sys.exit(main())
