#include "app/QtShellPort.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include "app/DisplayText.h"

namespace th {

namespace {

QString localPath(const std::string& bytes) {
    return QFile::decodeName(bytes.c_str());
}

// One line of a short helper's output, empty when it fails or is missing.
QString runForLine(const QString& program, const QStringList& args) {
    if (QStandardPaths::findExecutable(program).isEmpty()) return {};
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(3000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        return {};
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput())
        .section(QLatin1Char('\n'), 0, 0)
        .trimmed();
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
    QStringList arguments;
    for (const auto& a : args) arguments << localPath(a);
    return QProcess::startDetached(exe, arguments) ? kLaunched : kAccessDenied;
}

std::string QtShellPort::findExecutable(const std::string& document) {
    QString file = localPath(document);
    if (!QFileInfo::exists(file)) return {};
    QString mime = QMimeDatabase().mimeTypeForFile(file).name();
    QString entry = runForLine(QStringLiteral("xdg-mime"),
                               {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (entry.isEmpty()) return {};
    QString exe = execOfDesktopEntry(entry);
    if (exe.isEmpty()) return {};
    QString found = QFileInfo(exe).isAbsolute() ? exe : QStandardPaths::findExecutable(exe);
    return QFile::encodeName(found).toStdString();
}

}  // namespace th
