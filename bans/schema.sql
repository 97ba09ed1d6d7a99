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
