#pragma once
// What the window remembers between runs, in the user's settings file: its geometry,
// the grid's column order and widths, the recent logs, the folder each kind of file was
// last chosen in, and how logs are read and names shown.

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

#include "scan/ScanOptions.h"

class QHeaderView;
class QMainWindow;

namespace th {

class FlexGrid;

namespace settings {

void saveWindow(const QMainWindow& window);
void restoreWindow(QMainWindow& window);

// Columns are remembered by their titles, so a column dragged elsewhere keeps its width.
void saveColumns(const FlexGrid& grid, const QHeaderView& header);
void restoreColumns(FlexGrid& grid, QHeaderView& header);

std::vector<std::string> recentLogs();
void setRecentLogs(const std::vector<std::string>& paths);

// The folder where files of a kind (named by its extension) were last chosen; empty
// when none was.
std::string lastFolder(const std::string& kind);
void setLastFolder(const std::string& kind, const std::string& folder);

// How logs are read (Utilities > Read game-console lines); off when never set.
ScanOptions scanOptions();
void setScanOptions(const ScanOptions& options);

// Whether player names show without their colour codes (Utilities > Fold colour codes).
bool foldColours();
void setFoldColours(bool on);

// Writes what is remembered to the settings file now; the file's name when it could not
// be written (a folder or disk that takes no writes), else empty.
std::string unsavedFile();

// The box shown at exit when unsavedFile() names a file.
std::string unsavedText(const std::string& file);

}  // namespace settings
}  // namespace th
