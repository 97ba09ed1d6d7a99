#include "app/QtFileChooserPort.h"

#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QScreen>
#include <cmath>

#include "app/DisplayText.h"
#include "app/WindowHandles.h"
#include "app/WindowSettings.h"

namespace th {

namespace {

// The dialog's icons and types came from each file's first bytes, read on the window's
// thread: /proc/kmsg, which root may open, never answers, and the window froze for good.
// Here a name tells what a file is.
class NameOnlyIconProvider : public QFileIconProvider {
  public:
    QIcon icon(const QFileInfo& info) const override {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QFileIconProvider::type(info);
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
};

// Whether the name typed in Qt's own dialog holds a double quote.
bool typedQuote(const QFileDialog& dialog) {
    const auto* typed = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return typed && typed->text().contains(QLatin1Char('"'));
}

}  // namespace

QStringList QtFileChooserPort::nameFilters(const FileChooserRequest& request) {
    QStringList names;
    for (const auto& [description, pattern] : request.filters) {
        // Several patterns come separated by ";"; QFileDialog wants spaces.
        QString patterns =
            displayText(pattern).replace(QLatin1Char(';'), QLatin1Char(' ')).trimmed();
        QString desc = displayText(description).trimmed();
        // A description that already ends in its pattern is shown as it is.
        if (desc.endsWith(QLatin1Char(')')) &&
            desc.contains(QLatin1Char('(') + patterns + QLatin1Char(')')))
            names << desc;
        else
            names << QStringLiteral("%1 (%2)").arg(desc, patterns);
    }
    return names;
}

void QtFileChooserPort::configure(QFileDialog& dialog, const FileChooserRequest& request) {
    static NameOnlyIconProvider byName;
    dialog.setIconProvider(&byName);
    dialog.setWindowTitle(displayText(request.title));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (request.save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else
        dialog.setFileMode((request.flags & kFileMustExist) ? QFileDialog::ExistingFile
                                                            : QFileDialog::AnyFile);
    QStringList filters = nameFilters(request);
    if (request.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    }
    if (!filters.isEmpty() && !request.folder) {
        dialog.setNameFilters(filters);
        int i = request.initialFilter - 1;
        dialog.selectNameFilter(filters.value(i >= 0 && i < filters.size() ? i : 0));
    }
    if (!request.initialDir.empty())
        dialog.setDirectory(QFile::decodeName(request.initialDir.c_str()));
    if (!request.proposedName.empty())
        dialog.selectFile(QFile::decodeName(request.proposedName.c_str()));
    dialog.setDefaultSuffix(displayText(request.defaultExt));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.flags & kOverwritePrompt));
    dialog.setOption(QFileDialog::DontResolveSymlinks, (request.flags & kNoDereferenceLinks) != 0);
}

FileChooserRequest QtFileChooserPort::withRememberedFolder(FileChooserRequest request) {
    if (request.initialDir.empty()) request.initialDir = settings::lastFolder(request.defaultExt);
    return request;
}

void QtFileChooserPort::rememberFolder(const FileChooserRequest& request,
                                       const std::vector<std::string>& chosen) {
    if (chosen.empty()) return;
    const QFileInfo info(QFile::decodeName(chosen.front().c_str()));
    const QString folder = request.folder ? info.absoluteFilePath() : info.absolutePath();
    settings::setLastFolder(request.defaultExt, QFile::encodeName(folder).toStdString());
}

std::vector<std::string> QtFileChooserPort::choose(const FileChooserRequest& request) {
    QFileDialog dialog(windowForHandle(request.owner));
    configure(dialog, withRememberedFolder(request));
    if (request.center) {
        // Centred on the whole screen (not the work area, not the owner); halves round
        // to the even neighbour.
        dialog.adjustSize();
        QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect s = screen->geometry();
            QSize d = dialog.size();
            dialog.move(s.left() + static_cast<int>(std::lrint((s.width() - d.width()) / 2.0)),
                        s.top() + static_cast<int>(std::lrint((s.height() - d.height()) / 2.0)));
        }
    }
    std::vector<std::string> chosen;
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return chosen;
        if (!request.save || !typedQuote(dialog)) break;
        // The dialog reads a name in double quotes as one of a list and would write under
        // a name the user never typed, perhaps in another folder.
        QMessageBox::warning(&dialog, displayText(request.title), kQuoteInName);
    }
    for (const QString& path : dialog.selectedFiles())
        chosen.push_back(QFile::encodeName(path).toStdString());
    rememberFolder(request, chosen);
    return chosen;
}

bool QtFileChooserPort::isWindow(int32_t handle) {
    return windowForHandle(handle) != nullptr;
}

}  // namespace th
