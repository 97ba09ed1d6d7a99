#!/usr/bin/env python3
"""The yardstick for bench_merge: what bare SQLite costs for the bans a first merge of
100,000 + 100,000 stores. Inserts 150,000 bans of the merge benchmark's shape, in one
transaction, into a ban table with a unique GUID index (the ban table as first made, before
the browsing indexes and the aliases), then reads them back and writes them as a ban file
and syncs it. Prints one line per GUID order:
    sorted <seconds>
    random <seconds>
Usage: bench/merge_reference.py [BANS]"""

import os
import random
import sqlite3
import sys
import tempfile
import time

TABLE = """CREATE TABLE tblVandrel (
    GUID TEXT NOT NULL COLLATE NOCASE UNIQUE,
    TimeStamp TEXT NOT NULL DEFAULT '',
    PlayerName TEXT NOT NULL DEFAULT '',
    IP TEXT NOT NULL DEFAULT '',
    ViolationReason TEXT NOT NULL DEFAULT '')"""


def ban(i):
    # As bench/BenchBans.h makes them.
    guid = "%08x%08x%08x%08x" % (i * 2654435761 % 4294967296, i, 0xABCDEF, i ^ 0x5555)
    stamp = "[%02d.%02d.%04d %02d:%02d:%02d]" % (
        1 + (i // 28) % 12, 1 + i % 28, 2000 + (i // 336) % 10, i % 24, (i // 24) % 60,
        (i // 1440) % 60)
    return (guid, stamp, '"Player %d"' % i, '"10.0.%d.%d:27960"' % (i // 256 % 256, i % 256),
            '"VIOLATION DETECTED -> (AIMBOT) #50100"')


def run(bans, folder):
    db = os.path.join(folder, "Vandrel.mdb")
    banFile = os.path.join(folder, "pbbans.dat")
    for path in (db, db + "-journal", banFile):
        if os.path.exists(path):
            os.remove(path)
    start = time.monotonic()
    con = sqlite3.connect(db, isolation_level=None)
    con.execute(TABLE)
    con.execute("BEGIN")
    con.executemany(
        "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) "
        "VALUES (?, ?, ?, ?, ?)", bans)
    con.execute("COMMIT")
    with open(banFile, "w", newline="") as out:
        for row in con.execute(
                "SELECT TimeStamp, GUID, PlayerName, IP, ViolationReason FROM tblVandrel"):
            out.write(" ".join(row) + "\r\n")
        out.flush()
        os.fsync(out.fileno())
    con.close()
    return time.monotonic() - start


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 150000
    bans = [ban(i) for i in range(count)]
    with tempfile.TemporaryDirectory(prefix="tallyhound-merge-reference-") as folder:
        print("sorted %.3f" % run(sorted(bans), folder))
        random.seed(1)
        random.shuffle(bans)
        print("random %.3f" % run(bans, folder))


if __name__ == "__main__":
    main()
