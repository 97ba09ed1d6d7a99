#pragma once
// The main window over scripted ports, using the database beside the program as an
// installed program with a writable folder would.

#include <QTest>

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
    // Shows the window; whether it came up.
    [[nodiscard]] bool shown() {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    // Waits for the command in hand, which long ones run on a worker; whether it ended.
    [[nodiscard]] bool finished() {
        return QTest::qWaitFor([&] { return !window.busy(); }, 20000);
    }
};

}  // namespace th::test
