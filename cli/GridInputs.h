#pragma once
// Builds one grid from the files named on the command line, in order, as successive
// commands that never clear the grid would. A folder stands for every log in it; with
// --new-only each log is read only from where the last such run left it.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/CommandContext.h"
#include "cli/TerminalPorts.h"
#include "scan/ColourCodes.h"
#include "scan/LogPositions.h"
#include "scan/MainForm.h"

namespace th::cli {

// What a grid command works on: the terminal's ports and a violation grid set up as
// the window sets up its own. Information boxes stay quiet; errors are printed.
struct CommandForm {
    // foldColours: player names are arranged and shown without their colour codes.
    // Commands that take no scan options read the anti-cheat's own lines only.
    CommandForm(std::ostream& err, const ScanOptions& scanOptions = {}, bool foldColours = false)
        : terminal(err), form(terminal.ports) {
        terminal.messages.printInformation = false;
        form.setUpGrid();
        form.scanOptions = scanOptions;
        setFoldColours(form.vsFlexGrid1, foldColours);
    }
    TerminalPorts terminal;
    MainForm form;
};

struct GridSources {
    // The inputs with each folder replaced by its logs (scan/LogFolder.h), in order.
    std::vector<std::string> files;
    // The folders among the inputs.
    std::vector<std::string> folders;
    // With --new-only: the slices of the logs still to read, and where they will stand.
    std::optional<ScanPlan> plan;
    // The files the plan reads from their places, as named in files: decided once, since a
    // log renamed by a rotation after the plan is still read through the plan.
    std::set<std::string> planned;
};

// Whether an input is a scan file (".sf" in any case), which is imported rather than scanned.
bool isScanFile(const std::string& path);

// Throws th::Error naming a folder that cannot be read, or one that holds no log unless
// waitForLogs (a folder followed gains its logs later). With unreadable, a folder that cannot
// be read is said there instead and left out.
GridSources gatherSources(const std::vector<std::string>& inputs, bool waitForLogs = false,
                          std::vector<std::string>* unreadable = nullptr);
// The same for a command: nothing once the failure has been told through the context.
std::optional<GridSources> gatherSources(CommandContext& context,
                                         const std::vector<std::string>& inputs);

// Plans reading only what follows the stored positions: logs (regular files not ending
// in ".sf") are read from there; scan files and streams are read whole, as always.
// Throws th::Error naming a log that cannot be read; with unreadable, says it there and
// leaves it out (planScan).
void planNewOnly(GridSources& sources, const std::vector<LogPosition>& stored,
                 std::vector<std::string>* unreadable = nullptr);

// Scans each log (a file ending in ".sf" is imported instead) and, when asked, arranges
// the grid once at the end. Throws th::Error naming the file that failed.
void buildGrid(MainForm& form, const GridSources& sources, bool arrange);

}  // namespace th::cli
