#pragma once
// Builds one grid from the files named on the command line, in order, as successive
// commands that never clear the grid would.

#include <string>
#include <vector>

#include "cli/TerminalPorts.h"
#include "scan/ColourCodes.h"
#include "scan/MainForm.h"

namespace th::cli {

// What a grid command works on: the terminal's ports and a violation grid set up as
// the window sets up its own. Information boxes stay quiet; errors are printed.
struct CommandForm {
    // foldColours: player names are arranged and shown without their colour codes.
    CommandForm(std::ostream& err, const ScanOptions& scanOptions, bool foldColours = false)
        : terminal(err), form(terminal.ports) {
        terminal.messages.printInformation = false;
        form.setUpGrid();
        form.scanOptions = scanOptions;
        setFoldColours(form.vsFlexGrid1, foldColours);
    }
    TerminalPorts terminal;
    MainForm form;
};

// Scans each log (a file ending in ".sf" is imported instead) and, when asked, arranges
// the grid once at the end. Throws th::Error naming the file that failed.
void buildGrid(MainForm& form, const std::vector<std::string>& inputs, bool arrange);

}  // namespace th::cli
