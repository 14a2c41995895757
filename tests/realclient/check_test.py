#!/usr/bin/env python3
"""What realclient_test.check() reports for what Thunderbird might show, without Thunderbird.

Each case starts from a folder of three messages shown exactly as expected and changes what is shown;
the problems must name the folder, the message and what is wrong (or nothing, for the good cases).
Python 3 standard library only.
"""
import copy
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from realclient_test import check  # noqa: E402

FILES = ["00000001.ALM", "00000002.ALM", "00000003.ALM"]


def message(n, subject=None):
    return {"file": FILES[n], "subject": subject or "件名%d" % n, "from": "山田", "body": ["本文%d" % n],
            "attachments": []}


def shown(n, **change):
    m = {"subject": "件名%d" % n, "hasRe": False, "from": "山田 <y@example.jp>", "body": "本文%d\n" % n,
         "attachments": []}
    m.update(change)
    return m


EXPECT = {"folders": [{"path": "Acc", "container": True, "messages": []},
                      {"path": "Acc/Box", "source": "Account1/Folder1.box", "container": False,
                       "messages": [message(0), message(1), message(2)]}],
          "absent": ["Trash/Trash"]}


def seen(messages, roles=(), extra=()):
    return {"folders": [{"path": "Acc", "file": "Acc", "roles": list(roles), "error": None, "messages": []},
                        {"path": "Acc/Box", "file": "Acc.sbd/Box", "roles": [], "error": None,
                         "messages": messages}] + list(extra)}


MERGED = shown(0, body="本文0\nFrom - \nSubject: 件名1\n本文1\n")
CASES = [
    # name, seen, written, the problems (each given by words it must hold)
    ("all shown", seen([shown(0), shown(1), shown(2)]), {"Acc"}, []),
    ("Thunderbird's own special folders",
     seen([shown(0), shown(1), shown(2)], extra=[
         {"path": "Trash", "file": "Trash", "roles": ["Trash"], "error": None, "messages": []},
         {"path": "Unsent Messages", "file": "Unsent Messages", "roles": ["Queue"], "error": None,
          "messages": []}]), {"Acc"}, []),
    ("merged into the one before", seen([MERGED, shown(2)]), {"Acc"},
     [["Acc/Box", "2 messages, expected 3", "shown #1", "件名0"],
      ["Acc/Box/00000002.ALM", "not shown", "件名1"]]),
    ("hidden", seen([shown(0), shown(2)]), {"Acc"},
     [["Acc/Box", "2 messages, expected 3"], ["Acc/Box/00000002.ALM", "not shown"]]),
    ("undecoded subject", seen([shown(0), shown(1, subject="$B7oL>(B"), shown(2)]), {"Acc"},
     [["Acc/Box/00000002.ALM", "subject '$B7oL>(B', expected '件名1'"],
      ["Acc/Box/00000002.ALM", "not decoded"]]),
    ("body and attachment", seen([shown(0), shown(1, body="", attachments=["x.txt"]), shown(2)]), {"Acc"},
     [["00000002.ALM", "attachments ['x.txt'], expected []"], ["00000002.ALM", "body lacks '本文1'"]]),
    ("converted account becomes a special folder", seen([shown(0), shown(1), shown(2)], roles=["Trash"]),
     {"Acc"}, [["Acc", "Trash"]]),
    ("converted account taken for Thunderbird's Trash",
     seen([shown(0), shown(1), shown(2)], extra=[
         {"path": "Trash", "file": "Trash", "roles": ["Trash"], "error": None, "messages": []},
         {"path": "Trash/Trash", "file": "Trash.sbd/Trash", "roles": [], "error": None, "messages": []}]),
     {"Acc", "Acc.sbd", "Trash", "Trash.sbd"},
     [["Trash/Trash", "no folder was expected"], ["Trash", "file Trash", "Trash folder"]]),
]


class CheckTest(unittest.TestCase):
    def test_cases(self):
        with tempfile.TemporaryDirectory() as store:
            box = os.path.join(store, "Account1", "Folder1.box")
            os.makedirs(box)
            for name in FILES:
                open(os.path.join(box, name), "wb").close()
            for name, shown_, written, want in CASES:
                with self.subTest(name):
                    problems = check(copy.deepcopy(shown_), EXPECT, store, written)
                    self.assertEqual(len(problems), len(want), "\n".join(problems))
                    for words, problem in zip(want, problems):
                        for w in words:
                            self.assertIn(w, problem)

    def test_store_not_covered(self):
        with tempfile.TemporaryDirectory() as store:
            box = os.path.join(store, "Account1", "Folder1.box")
            os.makedirs(box)
            open(os.path.join(box, FILES[0]), "wb").close()
            problems = check(seen([shown(0), shown(1), shown(2)]), EXPECT, store)
            self.assertEqual(problems, ["Account1/Folder1.box: expectations list 3 message files, the store holds 1"])


if __name__ == "__main__":
    unittest.main()
