#include "app/WindowSettings.h"

#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <QStringList>
#include <algorithm>

#include "app/DisplayText.h"
#include "platform/FlexGrid.h"

namespace th::settings {

namespace {

QString local(const std::string& bytes) {
    return QFile::decodeName(bytes.c_str());
}

std::string bytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString title(const FlexGrid& grid, int32_t col) {
    return displayText(grid.cell(0, col));
}

}  // namespace

void saveWindow(const QMainWindow& window) {
    QSettings s;
    s.setValue("window/geometry", window.saveGeometry());
    s.setValue("window/state", window.saveState());
}

void restoreWindow(QMainWindow& window) {
    QSettings s;
    if (s.contains("window/geometry"))
        window.restoreGeometry(s.value("window/geometry").toByteArray());
    if (s.contains("window/state")) window.restoreState(s.value("window/state").toByteArray());
}

void saveColumns(const FlexGrid& grid, const QHeaderView& header) {
    if (grid.rows() < 1) return;
    QStringList order;
    QSettings s;
    s.beginGroup("columns");
    for (int32_t c = 0; c < grid.cols(); ++c) {
        order << title(grid, c);
        s.setValue("width/" + title(grid, c), header.sectionSize(c));
    }
    s.setValue("order", order);
    s.endGroup();
}

void restoreColumns(FlexGrid& grid, QHeaderView& header) {
    if (grid.rows() < 1) return;
    QSettings s;
    s.beginGroup("columns");
    const QStringList order = s.value("order").toStringList();
    // Each remembered title in turn is moved to its place; titles no longer known are
    // left where they are.
    int32_t place = 0;
    for (const QString& wanted : order) {
        for (int32_t c = place; c < grid.cols(); ++c) {
            if (title(grid, c) != wanted) continue;
            if (c != place) grid.moveColumn(c, place);
            ++place;
            break;
        }
    }
    // A width from a larger screen (a column stretched across a maximised 4K window) is
    // kept to half of this one's: the grid scrolled across before a row was in it.
    const QScreen* screen = header.screen() ? header.screen() : QGuiApplication::primaryScreen();
    const int widest = screen ? std::max(100, screen->availableGeometry().width() / 2) : 0;
    for (int32_t c = 0; c < grid.cols() && c < header.count(); ++c) {
        const int width = s.value("width/" + title(grid, c), 0).toInt();
        if (width > 0) header.resizeSection(c, widest > 0 ? std::min(width, widest) : width);
    }
    s.endGroup();
}

std::vector<std::string> recentLogs() {
    std::vector<std::string> out;
    for (const QString& path : QSettings().value("recent/logs").toStringList())
        out.push_back(bytes(path));
    return out;
}

void setRecentLogs(const std::vector<std::string>& paths) {
    QStringList list;
    for (const std::string& p : paths) list << local(p);
    QSettings().setValue("recent/logs", list);
}

std::string lastFolder(const std::string& kind) {
    return bytes(QSettings().value("folders/" + local(kind)).toString());
}

void setLastFolder(const std::string& kind, const std::string& folder) {
    QSettings().setValue("folders/" + local(kind), local(folder));
}

ScanOptions scanOptions() {
    ScanOptions options;
    options.consoleLines = QSettings().value("reading/consoleLines", false).toBool();
    return options;
}

void setScanOptions(const ScanOptions& options) {
    QSettings().setValue("reading/consoleLines", options.consoleLines);
}

bool foldColours() {
    return QSettings().value("names/foldColours", false).toBool();
}

void setFoldColours(bool on) {
    QSettings().setValue("names/foldColours", on);
}

std::string unsavedFile() {
    QSettings s;
    s.sync();
    return s.status() == QSettings::NoError ? std::string() : bytes(s.fileName());
}

std::string unsavedText(const std::string& file) {
    return "The window's size, columns, recent logs and choices could not be saved to " + file +
           ": the next start will not remember this session's changes.";
}

}  // namespace th::settings
