#!/usr/bin/env python3
"""Reads what `tallyhound-cli db export` writes with Python's own csv and json modules and
checks every field of awkward bans: commas, quotes, line breaks, apostrophes stored as
grave accents, formula-looking cells, Windows-1252 and UTF-8 names.

    check_ban_lists.py TALLYHOUND_CLI EMPTY_DATABASE
"""
import csv
import io
import json
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile

BANS = [
    # guid, stamp, stored name, stored ip, stored reason
    ("0123abcd", "[04.16.2017 21:03:11]", b'"Jayyz"', '"198.51.100.7"',
     '"VIOLATION DETECTED -> AIMBOT #50001"'),
    ("=cmd", "[12.31.2016 23:59:59]", b'"O``Neil, \\"the\\"\nbest"', '"-1+1"', '"@SUM(A1)"'),
    ("latin", "[01.02.2018 00:00:00]", b'"caf\xe9 \x80"', '"192.0.2.1"', ""),
    ("utf8", "[01.03.2018 00:00:00]", '"Jörg 🎮"'.encode(), '"192.0.2.2"', '"x, y"'),
    ("nostamp", "", b'"+plus"', '""', ""),
]

# What a person reads: quotes stripped, grave accent pairs back to apostrophes, bytes
# decoded as UTF-8 when valid, else Windows-1252; in the stored query's order.
EXPECTED = [
    {"guid": "=cmd", "name": 'O\'Neil, \\"the\\"\nbest', "ip": "-1+1", "reason": "@SUM(A1)",
     "time": "[12.31.2016 23:59:59]"},
    {"guid": "0123abcd", "name": "Jayyz", "ip": "198.51.100.7",
     "reason": "VIOLATION DETECTED -> AIMBOT #50001", "time": "[04.16.2017 21:03:11]"},
    {"guid": "latin", "name": "café €", "ip": "192.0.2.1", "reason": "",
     "time": "[01.02.2018 00:00:00]"},
    {"guid": "utf8", "name": "Jörg 🎮", "ip": "192.0.2.2", "reason": "x, y",
     "time": "[01.03.2018 00:00:00]"},
    {"guid": "nostamp", "name": "+plus", "ip": "", "reason": "", "time": ""},
]
FIELDS = ["guid", "name", "ip", "reason", "time"]


def export(cli, db, fmt):
    done = subprocess.run([cli, "db", "export", "--db", db, "--format", fmt, "-o", "-"],
                          capture_output=True, check=False)
    if done.returncode != 0:
        sys.exit(f"db export --format {fmt} failed: {done.stderr.decode(errors='replace')}")
    return done.stdout.decode("utf-8")  # must be UTF-8


def main():
    cli, empty = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp()
    try:
        db = os.path.join(folder, "Vandrel.mdb")
        shutil.copy(empty, db)
        with sqlite3.connect(db) as connection:
            connection.executemany(
                "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) "
                "VALUES (?, ?, CAST(? AS TEXT), ?, ?)", BANS)

        failures = []
        text = export(cli, db, "csv")
        rows = list(csv.reader(io.StringIO(text, newline="")))
        if rows[0] != FIELDS:
            failures.append(f"csv header {rows[0]}")
        got = [dict(zip(FIELDS, r)) for r in rows[1:]]
        # A spreadsheet shows a formula-looking cell with the apostrophe that disarms it.
        want = [{k: ("'" + v if v and v[0] in "=+-@" else v) for k, v in ban.items()}
                for ban in EXPECTED]
        if got != want:
            failures.append(f"csv rows\n  got  {got}\n  want {want}")

        got = json.loads(export(cli, db, "json"))
        if got != EXPECTED:
            failures.append(f"json\n  got  {got}\n  want {EXPECTED}")
        if [list(o.keys()) for o in got] != [FIELDS] * len(EXPECTED):
            failures.append("json field order")

        for failure in failures:
            print("FAIL:", failure)
        return 1 if failures else 0
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    sys.exit(main())
