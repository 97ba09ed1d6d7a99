#include "app/QtShellPort.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <optional>

#include "app/DisplayText.h"
#include "platform/ShellCodes.h"

namespace th {

namespace {

QString localPath(const std::string& bytes) {
    return QFile::decodeName(bytes.c_str());
}

// One line of a short helper's output; nothing when the helper is missing or fails,
// which is not the same as a helper that ran and had nothing to say.
std::optional<QString> runForLine(const QString& program, const QStringList& args) {
    if (QStandardPaths::findExecutable(program).isEmpty()) return std::nullopt;
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(3000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        return std::nullopt;
    }
    if (p.exitCode() != 0) return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput())
        .section(QLatin1Char('\n'), 0, 0)
        .trimmed();
}

QStringList localArgs(const std::vector<std::string>& args) {
    QStringList out;
    for (const auto& a : args) out << QFile::decodeName(a.c_str());
    return out;
}

// The program named by the Exec line of a desktop entry.
QString execOfDesktopEntry(const QString& entry) {
    QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    while (!f.atEnd()) {
        QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1String("Exec="))) {
            QStringList parts = QProcess::splitCommand(line.mid(5));
            return parts.isEmpty() ? QString() : parts.first();
        }
    }
    return {};
}

}  // namespace

int64_t QtShellPort::openDocument(const std::string& path) {
    QString file = localPath(path);
    if (!QFileInfo::exists(file)) return kFileNotFound;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file)) ? kLaunched : kNoAssociation;
}

int64_t QtShellPort::openUrl(const std::string& url) {
    QUrl address(displayText(url));
    if (!address.isValid()) return kFileNotFound;
    return QDesktopServices::openUrl(address) ? kLaunched : kNoAssociation;
}

int64_t QtShellPort::startProgram(const std::string& program,
                                  const std::vector<std::string>& args) {
    QString exe = localPath(program);
    QFileInfo info(exe);
    if (!info.exists() && QStandardPaths::findExecutable(exe).isEmpty()) return kFileNotFound;
    return QProcess::startDetached(exe, localArgs(args)) ? kLaunched : kAccessDenied;
}

std::string QtShellPort::findExecutable(const std::string& document) {
    QString file = localPath(document);
    if (!QFileInfo::exists(file)) return {};
    QString mime = QMimeDatabase().mimeTypeForFile(file).name();
    auto entry = runForLine(QStringLiteral("xdg-mime"),
                            {QStringLiteral("query"), QStringLiteral("default"), mime});
    // Only a desktop that was asked and named no program has none; when it cannot be
    // asked, the opener itself is the program that will handle the document.
    QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!entry) return QFile::encodeName(opener).toStdString();
    if (entry->isEmpty()) return {};
    QString exe = execOfDesktopEntry(*entry);
    QString found = exe.isEmpty()                 ? opener
                    : QFileInfo(exe).isAbsolute() ? exe
                                                  : QStandardPaths::findExecutable(exe);
    return QFile::encodeName(found.isEmpty() ? opener : found).toStdString();
}

int64_t QtShellPort::launchProgram(const std::string& program, const std::vector<std::string>& args,
                                   const std::string& workingDir, bool wait) {
    QString exe = localPath(program);
    QString folder = localPath(workingDir);
    if (!wait)
        return QProcess::startDetached(exe, localArgs(args), folder)
                   ? kLaunched
                   : shellCodeForFailedStart(program);
    QProcess process;
    if (!folder.isEmpty()) process.setWorkingDirectory(folder);
    process.start(exe, localArgs(args));
    if (!process.waitForStarted(-1)) return shellCodeForFailedStart(program);
    process.waitForFinished(-1);
    return kLaunched;
}

bool QtShellPort::showProperties(const std::string& path, int32_t) {
    // The desktop's file manager shows the properties sheet when asked over the session bus.
    QString uri = QUrl::fromLocalFile(localPath(path)).toString(QUrl::FullyEncoded);
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-send")).isEmpty()) return false;
    return QProcess::execute(QStringLiteral("dbus-send"),
                             {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                              QStringLiteral("--dest=org.freedesktop.FileManager1"),
                              QStringLiteral("/org/freedesktop/FileManager1"),
                              QStringLiteral("org.freedesktop.FileManager1.ShowItemProperties"),
                              QStringLiteral("array:string:") + uri, QStringLiteral("string:")}) ==
           0;
}

}  // namespace th
