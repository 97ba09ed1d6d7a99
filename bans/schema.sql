-- The ban database Vandrel.mdb. The build makes it from this file; the program only
-- opens it. Every value is text, stored exactly as the merge hands it over.

PRAGMA user_version = 1;

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

-- The ban lines in the order the ban file gets them: by the moment of the time stamp
-- "[dd.mm.yyyy hh:mm:ss]" (year, month, day, time), not by its text; stamps of any
-- other shape come after, by their text; equal stamps by GUID.
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
