#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/QtMessageBoxPort.h"

namespace th {
namespace {

// Presses Return on every box that opens while it lives, as soon as the box is up.
struct ReturnKey {
    QTimer timer;
    ReturnKey() {
        QObject::connect(&timer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                QTest::keyClick(box, Qt::Key_Return);
        });
        timer.start(10);
    }
};

// Return on the real box presses its default button: the first one unless a caller names
// another (the reset question names No: the menu commands' test).
TEST(QtMessageBoxPort, ReturnPressesTheDefaultButton) {
    QtMessageBoxPort qt;
    ReturnKey returnKey;
    const std::vector<std::tuple<MsgButtons, std::optional<MsgResult>, MsgResult>> cases = {
        {MsgButtons::YesNo, std::nullopt, MsgResult::Yes},
        {MsgButtons::YesNo, MsgResult::No, MsgResult::No},
        {MsgButtons::OkCancel, MsgResult::No, MsgResult::Ok},  // not a button of the box
    };
    for (const auto& [buttons, pressed, answer] : cases) {
        EXPECT_EQ(pressed ? qt.show("Go on?", buttons, MsgIcon::Question, "t", *pressed)
                          : qt.show("Go on?", buttons, MsgIcon::Question, "t"),
                  answer);
    }
    // A box shown under the hourglass (a merge that failed) shows the arrow, and the
    // hourglass comes back after it.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Qt::CursorShape overBox = Qt::WaitCursor;
    QTimer::singleShot(0, [&] { overBox = QApplication::overrideCursor()->shape(); });
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
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text(), details = box->detailedText(), height = box->sizeHint().height();
        QTest::keyClick(box, Qt::Key_Return);
    });
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
