-- The ban database in PostgreSQL, version by version: the tables, views and order of
-- bans/schema.sql, for a fleet of game servers that share one ban list. Versions 1 to 6
-- here and there hold the same things. Each file numbers its own versions: SQLite's
-- version 7 only lays out its aliases table in key order, which changes nothing here, so
-- a fleet's servers need not all be upgraded at once. A change to both appends each
-- file's next version.
--
-- `tallyhound-cli db init --db postgresql://...` runs this whole file in one transaction;
-- a database of an older version runs the versions it lacks, in one transaction, when it
-- is opened (bans/SchemaMigration.cpp).
--
-- Every value is bytea: the bytes the ban file and the logs hold, whatever their encoding,
-- come back exactly. Each version ends with its own
-- "UPDATE tblSchemaVersion SET Version = N;" line. Never edit an earlier version.

-- Version 1.

CREATE TABLE tblSchemaVersion (
    Version integer NOT NULL
);
INSERT INTO tblSchemaVersion (Version) VALUES (0);

-- A GUID with its ASCII capitals made small, as bans/GuidKey.cpp makes it: "ABC" and
-- "abc" are one ban on every server. The escape form writes every byte that is not
-- ASCII as digits, so only ASCII letters change.
CREATE FUNCTION GuidKeyOf(guid bytea) RETURNS bytea
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT decode(translate(encode(guid, 'escape'), 'ABCDEFGHIJKLMNOPQRSTUVWXYZ',
                              'abcdefghijklmnopqrstuvwxyz'), 'escape') $$;

-- One row per banned GUID.
CREATE TABLE tblVandrel (
    GUID bytea NOT NULL,
    GuidKey bytea NOT NULL GENERATED ALWAYS AS (GuidKeyOf(GUID)) STORED UNIQUE,
    TimeStamp bytea NOT NULL DEFAULT '',
    PlayerName bytea NOT NULL DEFAULT '',
    IP bytea NOT NULL DEFAULT '',
    ViolationReason bytea NOT NULL DEFAULT ''
);

-- The ban file's lines that are not ban lines, in file order, per game server: each
-- server's file gets its own back.
CREATE TABLE tblTempBans (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    Server bytea NOT NULL,
    TempBan bytea NOT NULL DEFAULT ''
);
CREATE INDEX tblTempBansByServer ON tblTempBans (Server, ID);

-- The ban lines in the order the ban file gets them: stamps "[mm.dd.yyyy hh:mm:ss]" by
-- year, month, day and time; stamps of any other shape after them, by their bytes;
-- equal stamps by GUID. The shape is the one platform/TimeStamp.cpp reads.
CREATE VIEW qrySelectAllVandrelOrderByTimeStamp AS
SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason
FROM (SELECT *, encode(TimeStamp, 'escape') ~
                '^\[[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\]$' AS Stamped
      FROM tblVandrel) AS Bans
ORDER BY
    NOT Stamped,
    CASE WHEN Stamped THEN substring(TimeStamp FROM 8 FOR 4) || substring(TimeStamp FROM 2 FOR 2) ||
                           substring(TimeStamp FROM 5 FOR 2) || substring(TimeStamp FROM 13 FOR 8) END,
    TimeStamp,
    GuidKey;

CREATE VIEW qrySelectAllTempBans AS
SELECT Server, TempBan FROM tblTempBans ORDER BY Server, ID;

UPDATE tblSchemaVersion SET Version = 1;

-- Version 2: in SQLite, the ban lines' order became month first. These views had that
-- order from the start.

UPDATE tblSchemaVersion SET Version = 2;

-- Version 3: bans an administrator lifted, and what browsing the bans needs.
--
-- One row per lifted GUID (letter case folded as in tblVandrel): the name it was banned
-- under, when it was lifted (a stamp in local time) and the administrator's note. A
-- later ban of the GUID removes the row.
CREATE TABLE tblLiftedBans (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    GUID bytea NOT NULL,
    GuidKey bytea NOT NULL GENERATED ALWAYS AS (
        decode(translate(encode(GUID, 'escape'), 'ABCDEFGHIJKLMNOPQRSTUVWXYZ',
                         'abcdefghijklmnopqrstuvwxyz'), 'escape')) STORED UNIQUE,
    PlayerName bytea NOT NULL DEFAULT '',
    LiftedAt bytea NOT NULL DEFAULT '',
    Note bytea NOT NULL DEFAULT ''
);

-- The stored query's order as one value: month-first stamps as "0" and year, month, day
-- and time; other stamps as "1" and their bytes. With GuidKey it orders every ban, so a
-- page of bans can start after the last one shown, by index, at any depth.
ALTER TABLE tblVandrel ADD COLUMN SortKey bytea GENERATED ALWAYS AS (
    CASE WHEN encode(TimeStamp, 'escape') ~
              '^\[[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\]$'
         THEN '\x30'::bytea || substring(TimeStamp FROM 8 FOR 4) || substring(TimeStamp FROM 2 FOR 2) ||
              substring(TimeStamp FROM 5 FOR 2) || substring(TimeStamp FROM 13 FOR 8)
         ELSE '\x31'::bytea || TimeStamp END) STORED;

CREATE INDEX idxVandrelSortKey ON tblVandrel (SortKey, GuidKey);
CREATE INDEX idxVandrelPlayerName ON tblVandrel (PlayerName, GuidKey);
CREATE INDEX idxVandrelIP ON tblVandrel (IP, GuidKey);
CREATE INDEX idxVandrelViolationReason ON tblVandrel (ViolationReason, GuidKey);

UPDATE tblSchemaVersion SET Version = 3;

-- Version 4: where incremental scans stand in each log, per server (devices and inodes
-- only mean something on the server's own machine) and per reader: 'merge' for merge and
-- follow, 'look' for scan, save and html. The numbers are decimal text, as in SQLite.
CREATE TABLE tblLogPositions (
    Server bytea NOT NULL,
    Reader bytea NOT NULL,
    Device bytea NOT NULL,
    Inode bytea NOT NULL,
    Path bytea NOT NULL DEFAULT '',
    Size bytea NOT NULL DEFAULT '0',
    Modified bytea NOT NULL DEFAULT '0',
    HeadHash bytea NOT NULL DEFAULT '0',
    Position bytea NOT NULL DEFAULT '0',
    PRIMARY KEY (Server, Reader, Device, Inode)
);

UPDATE tblSchemaVersion SET Version = 4;

-- Version 5: every name and address a GUID was seen with (the ban keeps one name only),
-- each with the first and last stamp it was seen at: "[mm.dd.yyyy hh:mm:ss]", or empty
-- when none was readable. One row per GUID (letter case folded), name and address. Every
-- merge adds to it; a database of an older version starts with each ban's own name.
CREATE TABLE tblAliases (
    GUID bytea NOT NULL,
    GuidKey bytea NOT NULL GENERATED ALWAYS AS (GuidKeyOf(GUID)) STORED,
    PlayerName bytea NOT NULL DEFAULT '',
    IP bytea NOT NULL DEFAULT '',
    FirstSeen bytea NOT NULL DEFAULT '',
    LastSeen bytea NOT NULL DEFAULT '',
    UNIQUE (GuidKey, PlayerName, IP)
);

INSERT INTO tblAliases (GUID, PlayerName, IP, FirstSeen, LastSeen)
SELECT GUID, PlayerName, IP, Seen, Seen
FROM (SELECT *, CASE WHEN encode(TimeStamp, 'escape') ~
                          '^\[[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\]$'
                     THEN TimeStamp ELSE ''::bytea END AS Seen
      FROM tblVandrel) AS Bans;

UPDATE tblSchemaVersion SET Version = 5;

-- Version 6: searching the bans as the ban window types: a pg_trgm index of the three values a
-- search looks in (GUID key, name and address with ASCII capitals made small, escape-
-- encoded as text, a line end between them). It only narrows a search; the search's own
-- LIKE over the bytes decides. pg_trgm comes with PostgreSQL and is a trusted extension:
-- the database's owner may create it.
CREATE EXTENSION IF NOT EXISTS pg_trgm;

CREATE INDEX idxVandrelSearch ON tblVandrel USING gin (
    encode(GuidKey || '\x0a'::bytea || GuidKeyOf(PlayerName) || '\x0a'::bytea || GuidKeyOf(IP),
           'escape') gin_trgm_ops);

UPDATE tblSchemaVersion SET Version = 6;
