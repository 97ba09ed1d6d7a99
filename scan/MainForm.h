#pragma once
// The main window's components, without the window: what the scanner, the exports
// and the merge work on. The Qt window owns one and mirrors it; tests drive one
// through scripted ports. It sits with the scanner because it owns the matchers.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/CancelToken.h"
#include "platform/FlexGrid.h"
#include "platform/Indicators.h"
#include "platform/Ports.h"
#include "platform/XZipper.h"
#include "scan/FieldSplitter.h"
#include "scan/GridColumns.h"
#include "scan/PatternMatcher.h"
#include "scan/ScanOptions.h"

namespace th {

struct MainForm {
    explicit MainForm(Ports& ports);

    // Sets up the violation grid as the window does at start.
    void setUpGrid();

    Ports& ports;
    int32_t hWnd = 0;

    FlexGrid vsFlexGrid1;
    FlexGrid grdDummy;
    PatternMatcher flexQuelvane, flexQuelvaneGetIP, flexQuelvaneGetGUID;
    FieldSplitter awkQuelvane, awkQuelvane2;
    XZipper xzipper1;

    // How the scanner reads logs: the window's settings, the command's options.
    ScanOptions scanOptions;

    Panel pnlLogPathToFile;
    // Set by Load log folder: the folder whose logs Scan reads, one after another, while
    // the path panel names the folder and its number of logs. Empty for a single log.
    std::string logFolder;
    Label lblScanning, lblLinesScanned, lblNumberLinesScanned;
    ProgressBar prgScanning;

    // Ends the program (Exit); the window sets it.
    std::function<void()> unload;

    // The grid holds rows that no Save, HTML or Merge has written anywhere yet: Exit
    // asks before they are lost.
    bool unsavedRows = false;

    // Set by whoever shows the window to stop a scan or a merge; the window clears it
    // before each command.
    CancelToken cancel;
};

inline constexpr uint32_t kGroupBackColor = 0xFF0000;  // blue, in blue-green-red order
inline constexpr uint32_t kGroupForeColor = 0xFFFFFF;

// The grid arrangement: sorts by every column from the first, rebuilds the group
// rows on the first column and sizes the columns. Its errors end it silently.
void vsFlexGrid1_AfterMoveColumn(MainForm& form, int32_t col, int32_t& position);

}  // namespace th
