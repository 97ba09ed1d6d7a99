#pragma once
// The main window over scripted ports, using the database beside the program as an
// installed program with a writable folder would.

#include "app/frmMain.h"
#include "bans/Paths.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

struct DatabaseBesideProgram {
    DatabaseBesideProgram() { setDatabasePath(databaseBesideProgram()); }
    ~DatabaseBesideProgram() { setDatabasePath({}); }
};

struct Window : DatabaseBesideProgram {
    ScriptedPorts scripted;
    frmMain window{&scripted.ports};
    Window() { scripted.files.liveWindows = {window.hWnd()}; }
};

}  // namespace th::test
