#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>

#include "app/QtFileChooserPort.h"
#include "app/QtMessageBoxPort.h"
#include "tests/support/Files.h"

namespace th {
namespace {

// Answers each modal window as it comes up, in turn: the dialog, then the box, and so on.
struct Answers {
    QTimer timer;
    std::deque<std::function<bool(QWidget*)>> steps;  // true once the window was answered
    Answers() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && !steps.empty() && steps.front()(modal)) steps.pop_front();
        });
        timer.start(10);
    }
};

// Presses Return on a message box once it is up, having let see() look at it.
std::function<bool(QWidget*)> pressReturn(std::function<void(QMessageBox*)> see = {}) {
    return [see](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) return false;
        if (see) see(box);
        QTest::keyClick(box, Qt::Key_Return);
        return true;
    };
}

std::function<bool(QWidget*)> typeAndSave(const QString& name) {
    return [name](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return false;
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
        static_cast<QDialog*>(dialog)->accept();  // as the Save button does
        return true;
    };
}

// A name typed with a double quote, which Qt's dialog reads as a list and saved under
// another name in another folder, is refused and asked for again; one without is taken.
TEST(QtFileChooserPort, ANameToSaveUnderWithADoubleQuoteIsAskedForAgain) {
    test::ScratchFolder scratch;
    const std::string folder = scratch.dir + "/w";
    std::filesystem::create_directories(folder);
    FileChooserRequest request;
    request.save = true;
    request.initialDir = folder;
    request.defaultExt = "sf";
    QString said;
    Answers answers;
    answers.steps = {typeAndSave(QStringLiteral("my \"best\" scan")),
                     pressReturn([&](QMessageBox* box) { said = box->text(); }),
                     typeAndSave(QStringLiteral("my best scan"))};
    QtFileChooserPort port;
    EXPECT_EQ(port.choose(request), std::vector<std::string>{folder + "/my best scan.sf"});
    EXPECT_EQ(said, QtFileChooserPort::kQuoteInName);
}

// The dialog tells a file's type by its name: it read each file's first bytes on the
// window's thread, and root's window froze for good in /proc (/proc/kmsg never answers).
TEST(QtFileChooserPort, FilesAreTypedByTheirNamesNotRead) {
    test::ScratchFolder scratch;
    const std::string png = scratch.dir + "/kmsg";  // no name a type is known by
    test::writeBytes(png, "\x89PNG\r\n\x1A\n");
    QFileDialog dialog;
    QtFileChooserPort::configure(dialog, {});
    ASSERT_NE(dialog.iconProvider(), nullptr);
    const QMimeDatabase types;
    EXPECT_EQ(dialog.iconProvider()->type(QFileInfo(QString::fromStdString(png))),
              types.mimeTypeForName(QStringLiteral("application/octet-stream")).comment());
}

// Return on the real box presses its default button: the first one unless a caller names
// another (the reset question names No: the menu commands' test).
TEST(QtMessageBoxPort, ReturnPressesTheDefaultButton) {
    QtMessageBoxPort qt;
    const std::vector<std::tuple<MsgButtons, std::optional<MsgResult>, MsgResult>> cases = {
        {MsgButtons::YesNo, std::nullopt, MsgResult::Yes},
        {MsgButtons::YesNo, MsgResult::No, MsgResult::No},
        {MsgButtons::OkCancel, MsgResult::No, MsgResult::Ok},  // not a button of the box
    };
    Answers answers;
    answers.steps.assign(cases.size(), pressReturn());
    for (const auto& [buttons, pressed, answer] : cases) {
        EXPECT_EQ(pressed ? qt.show("Go on?", buttons, MsgIcon::Question, "t", *pressed)
                          : qt.show("Go on?", buttons, MsgIcon::Question, "t"),
                  answer);
    }
    // A box shown under the hourglass (a merge that failed) shows the arrow, and the
    // hourglass comes back after it.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Qt::CursorShape overBox = Qt::WaitCursor;
    answers.steps = {
        pressReturn([&](QMessageBox*) { overBox = QApplication::overrideCursor()->shape(); })};
    qt.show("Failed.", MsgButtons::Ok, MsgIcon::Exclamation, "t");
    EXPECT_EQ(overBox, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
}

// A report of hundreds of lines (an import naming every line it skipped) keeps its box on
// the screen: its first lines show, all of them are under Show Details.
TEST(QtMessageBoxPort, ALongTextKeepsTheBoxOnTheScreen) {
    std::string prompt = "Import complete.";
    for (int i = 1; i <= 400; ++i) prompt += "\r\nother.dat:" + std::to_string(i) + ": skipped";
    QString shown, details;
    int height = 0;
    Answers answers;
    answers.steps = {pressReturn([&](QMessageBox* box) {
        shown = box->text(), details = box->detailedText(), height = box->sizeHint().height();
    })};
    QtMessageBoxPort().show(prompt, MsgButtons::Ok, MsgIcon::Information, "t");
    EXPECT_TRUE(shown.startsWith("Import complete.\nother.dat:1: skipped\n"));
    EXPECT_TRUE(
        shown.endsWith("other.dat:19: skipped\n\n... and 381 more lines: Show "
                       "Details... lists them all."))
        << shown.toStdString();
    EXPECT_EQ(details, QString::fromStdString(prompt).replace("\r\n", "\n"));
    EXPECT_LT(height, 700);
}

}  // namespace
}  // namespace th
