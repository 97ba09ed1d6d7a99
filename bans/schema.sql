-- The ban database Vandrel.mdb, version by version. Every value is text, stored exactly
-- as the merge hands it over.
--
-- The build makes a new database by running this whole file. The program carries the
-- file too: a database of an older version is backed up once and then runs the versions
-- it lacks, in one transaction, when it is opened (bans/SchemaMigration.cpp). So a new
-- database and an upgraded one come out the same.
--
-- Each version ends with its own "PRAGMA user_version = N;" line. To change the schema,
-- append the next version at the end of this file, ending with that line for the next
-- number. Never edit an earlier version: databases in use already hold it.

-- Version 1.

-- One row per banned GUID. GUIDs fold letter case as the merge does, so "ABC" and
-- "abc" are one ban.
CREATE TABLE tblVandrel (
    GUID TEXT NOT NULL COLLATE NOCASE UNIQUE,
    TimeStamp TEXT NOT NULL DEFAULT '',
    PlayerName TEXT NOT NULL DEFAULT '',
    IP TEXT NOT NULL DEFAULT '',
    ViolationReason TEXT NOT NULL DEFAULT ''
);

-- The ban file's lines that begin with ";", in file order.
CREATE TABLE tblTempBans (
    ID INTEGER PRIMARY KEY,
    TempBan TEXT NOT NULL DEFAULT ''
);

-- Ordered as if stamps were day first; version 2 replaces it.
CREATE VIEW qrySelectAllVandrelOrderByTimeStamp AS
SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason
FROM tblVandrel
ORDER BY
    TimeStamp NOT GLOB '[[][0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]]',
    substr(TimeStamp, 8, 4) || substr(TimeStamp, 5, 2) || substr(TimeStamp, 2, 2) || substr(TimeStamp, 13, 8),
    TimeStamp,
    GUID;

CREATE VIEW qrySelectAllTempBans AS
SELECT TempBan FROM tblTempBans ORDER BY ID;

PRAGMA user_version = 1;

-- Version 2: the anti-cheat writes its stamps month first, "[mm.dd.yyyy hh:mm:ss]".
-- The ban lines go in the order the ban file gets them: stamps of that shape by year,
-- month, day and time; stamps of any other shape after them, by their text; equal
-- stamps by GUID. The shape is the one platform/TimeStamp.cpp reads.
DROP VIEW qrySelectAllVandrelOrderByTimeStamp;

CREATE VIEW qrySelectAllVandrelOrderByTimeStamp AS
SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason
FROM (SELECT *, TimeStamp GLOB '[[][0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]]' AS Stamped
      FROM tblVandrel)
ORDER BY
    NOT Stamped,
    CASE WHEN Stamped THEN substr(TimeStamp, 8, 4) || substr(TimeStamp, 2, 2) || substr(TimeStamp, 5, 2) || substr(TimeStamp, 13, 8) END,
    TimeStamp,
    GUID;

PRAGMA user_version = 2;

-- Version 3: bans an administrator lifted, and what browsing the bans needs.
--
-- One row per lifted GUID: the name it was banned under, when it was lifted (a stamp in
-- local time) and the administrator's note. A later ban of the GUID removes the row.
CREATE TABLE tblLiftedBans (
    GUID TEXT NOT NULL COLLATE NOCASE UNIQUE,
    PlayerName TEXT NOT NULL DEFAULT '',
    LiftedAt TEXT NOT NULL DEFAULT '',
    Note TEXT NOT NULL DEFAULT ''
);

-- The stored query's order as one value: month-first stamps as "0" and year, month, day
-- and time; other stamps as "1" and their text. With GUID it orders every ban, so a page
-- of bans can start after the last one shown, by index, at any depth.
ALTER TABLE tblVandrel ADD COLUMN SortKey TEXT GENERATED ALWAYS AS (
    CASE WHEN TimeStamp GLOB '[[][0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]]'
         THEN '0' || substr(TimeStamp, 8, 4) || substr(TimeStamp, 2, 2) || substr(TimeStamp, 5, 2) || substr(TimeStamp, 13, 8)
         ELSE '1' || TimeStamp END) VIRTUAL;

CREATE INDEX idxVandrelSortKey ON tblVandrel (SortKey, GUID);
CREATE INDEX idxVandrelPlayerName ON tblVandrel (PlayerName, GUID);
CREATE INDEX idxVandrelIP ON tblVandrel (IP, GUID);
CREATE INDEX idxVandrelViolationReason ON tblVandrel (ViolationReason, GUID);

-- The same order as version 2's, read along the index.
DROP VIEW qrySelectAllVandrelOrderByTimeStamp;

CREATE VIEW qrySelectAllVandrelOrderByTimeStamp AS
SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason
FROM tblVandrel
ORDER BY SortKey, GUID;

PRAGMA user_version = 3;

-- Version 4: where incremental scans stand in each log. A log is known by its device and
-- inode, so a log renamed away by rotation keeps its place. Each reader keeps its own:
-- 'merge' for merge and follow, 'look' for scan, save and html. HeadHash is the XXH64 of
-- the log's first min(4096, Position) bytes; Position is just after the last complete
-- line read; Modified is in nanoseconds since 1970. The numbers are decimal text.
CREATE TABLE tblLogPositions (
    Reader TEXT NOT NULL,
    Device TEXT NOT NULL,
    Inode TEXT NOT NULL,
    Path TEXT NOT NULL DEFAULT '',
    Size TEXT NOT NULL DEFAULT '0',
    Modified TEXT NOT NULL DEFAULT '0',
    HeadHash TEXT NOT NULL DEFAULT '0',
    Position TEXT NOT NULL DEFAULT '0',
    PRIMARY KEY (Reader, Device, Inode)
);

PRAGMA user_version = 4;

-- Version 5: every name and address a GUID was seen with (the ban keeps one name only),
-- each with the first and last stamp it was seen at: "[mm.dd.yyyy hh:mm:ss]", or empty
-- when none was readable. One row per GUID (letter case folded), name and address, the
-- name and address in double quotes and apostrophes as in tblVandrel. Every merge adds
-- to it; a database of an older version starts with each ban's own name.
CREATE TABLE tblAliases (
    GUID TEXT NOT NULL COLLATE NOCASE,
    PlayerName TEXT NOT NULL DEFAULT '',
    IP TEXT NOT NULL DEFAULT '',
    FirstSeen TEXT NOT NULL DEFAULT '',
    LastSeen TEXT NOT NULL DEFAULT '',
    UNIQUE (GUID, PlayerName, IP)
);

INSERT INTO tblAliases (GUID, PlayerName, IP, FirstSeen, LastSeen)
SELECT GUID, PlayerName, IP, Seen, Seen
FROM (SELECT *, CASE WHEN TimeStamp GLOB '[[][0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]]'
                     THEN TimeStamp ELSE '' END AS Seen
      FROM tblVandrel);

PRAGMA user_version = 5;

-- Version 6: searching the bans as the ban window types.
--
-- tblVandrel gets a key of its own, ID, in place of SQLite's hidden row number, which a
-- VACUUM may renumber: the search index names bans by it. A new ban is numbered past the
-- largest ID there is. The table is made again with every row kept under its old number,
-- every column and index as before.
DROP VIEW qrySelectAllVandrelOrderByTimeStamp;

CREATE TABLE tblVandrelKeyed (
    ID INTEGER PRIMARY KEY,
    GUID TEXT NOT NULL COLLATE NOCASE UNIQUE,
    TimeStamp TEXT NOT NULL DEFAULT '',
    PlayerName TEXT NOT NULL DEFAULT '',
    IP TEXT NOT NULL DEFAULT '',
    ViolationReason TEXT NOT NULL DEFAULT '',
    SortKey TEXT GENERATED ALWAYS AS (
        CASE WHEN TimeStamp GLOB '[[][0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]]'
             THEN '0' || substr(TimeStamp, 8, 4) || substr(TimeStamp, 2, 2) || substr(TimeStamp, 5, 2) || substr(TimeStamp, 13, 8)
             ELSE '1' || TimeStamp END) VIRTUAL
);

INSERT INTO tblVandrelKeyed (ID, GUID, TimeStamp, PlayerName, IP, ViolationReason)
SELECT rowid, GUID, TimeStamp, PlayerName, IP, ViolationReason FROM tblVandrel ORDER BY rowid;

DROP TABLE tblVandrel;
ALTER TABLE tblVandrelKeyed RENAME TO tblVandrel;

CREATE INDEX idxVandrelSortKey ON tblVandrel (SortKey, GUID);
CREATE INDEX idxVandrelPlayerName ON tblVandrel (PlayerName, GUID);
CREATE INDEX idxVandrelIP ON tblVandrel (IP, GUID);
CREATE INDEX idxVandrelViolationReason ON tblVandrel (ViolationReason, GUID);

CREATE VIEW qrySelectAllVandrelOrderByTimeStamp AS
SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason
FROM tblVandrel
ORDER BY SortKey, GUID;

-- A trigram index of the three values a search looks in. It only narrows a search to the
-- bans holding its pieces; the search's own LIKE decides, so the index's folding of
-- letter case never changes what is found. Each value is indexed followed by two bytes
-- 0x01, so that every character of it begins a trigram and a search of one or two
-- characters finds its bans among the trigrams they begin. Those values are not
-- tblVandrel's, so the index holds no values of its own (contentless) and only rowids
-- (detail=none): it is filled only as below, never by 'rebuild'.
CREATE VIRTUAL TABLE tblVandrelSearch USING fts5 (
    GUID, PlayerName, IP, content = '', tokenize = 'trigram', detail = 'none');

-- The index is a cache that catches up when a search needs it: it holds exactly the bans
-- whose ID is at most UpTo (one row). Moving the mark up indexes the bans it passes, in one
-- statement. The program moves it to the largest ID before it searches, so adding bans
-- costs nothing here: no trigger on inserts, which would cost a merge as much again as the
-- inserts themselves. A change to a ban already indexed is kept in step by the triggers
-- below, whoever makes it; deleting the largest ID brings the mark down to the largest
-- left, so that the next ban, numbered past it, is above the mark too.
CREATE TABLE tblVandrelSearchMark (
    UpTo INTEGER NOT NULL
);
INSERT INTO tblVandrelSearchMark (UpTo) VALUES (0);

CREATE TRIGGER tblVandrelSearchMarkMoved AFTER UPDATE OF UpTo ON tblVandrelSearchMark
WHEN new.UpTo > old.UpTo BEGIN
    INSERT INTO tblVandrelSearch (rowid, GUID, PlayerName, IP)
    SELECT ID, GUID || char(1, 1), PlayerName || char(1, 1), IP || char(1, 1)
    FROM tblVandrel WHERE ID > old.UpTo AND ID <= new.UpTo;
END;

CREATE TRIGGER tblVandrelSearchRemove AFTER DELETE ON tblVandrel
WHEN old.ID <= (SELECT UpTo FROM tblVandrelSearchMark) BEGIN
    INSERT INTO tblVandrelSearch (tblVandrelSearch, rowid, GUID, PlayerName, IP)
    VALUES ('delete', old.ID, old.GUID || char(1, 1), old.PlayerName || char(1, 1), old.IP || char(1, 1));
    UPDATE tblVandrelSearchMark SET UpTo = (SELECT coalesce(max(ID), 0) FROM tblVandrel)
    WHERE UpTo > (SELECT coalesce(max(ID), 0) FROM tblVandrel);
END;

CREATE TRIGGER tblVandrelSearchChange AFTER UPDATE OF ID, GUID, PlayerName, IP ON tblVandrel BEGIN
    INSERT INTO tblVandrelSearch (tblVandrelSearch, rowid, GUID, PlayerName, IP)
    SELECT 'delete', old.ID, old.GUID || char(1, 1), old.PlayerName || char(1, 1), old.IP || char(1, 1)
    WHERE old.ID <= (SELECT UpTo FROM tblVandrelSearchMark);
    INSERT INTO tblVandrelSearch (rowid, GUID, PlayerName, IP)
    SELECT new.ID, new.GUID || char(1, 1), new.PlayerName || char(1, 1), new.IP || char(1, 1)
    WHERE new.ID <= (SELECT UpTo FROM tblVandrelSearchMark);
    UPDATE tblVandrelSearchMark SET UpTo = (SELECT coalesce(max(ID), 0) FROM tblVandrel)
    WHERE UpTo > (SELECT coalesce(max(ID), 0) FROM tblVandrel);
END;

PRAGMA user_version = 6;

-- Version 7: the aliases are kept in their unique key's own order, one B-tree rather than a
-- table and an index beside it. A merge writes a row per sighting it has not seen, so each
-- sighting written once rather than twice is most of what the aliases cost a merge. Every
-- row is kept as it was; nothing reads the aliases by row number.
CREATE TABLE tblAliasesKeyed (
    GUID TEXT NOT NULL COLLATE NOCASE,
    PlayerName TEXT NOT NULL DEFAULT '',
    IP TEXT NOT NULL DEFAULT '',
    FirstSeen TEXT NOT NULL DEFAULT '',
    LastSeen TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (GUID, PlayerName, IP)
) WITHOUT ROWID;

INSERT INTO tblAliasesKeyed (GUID, PlayerName, IP, FirstSeen, LastSeen)
SELECT GUID, PlayerName, IP, FirstSeen, LastSeen FROM tblAliases;

DROP TABLE tblAliases;
ALTER TABLE tblAliasesKeyed RENAME TO tblAliases;

PRAGMA user_version = 7;
