#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/MenuCommands.h"
#include "app/QtMessageBoxPort.h"
#include "tests/support/ScriptedPorts.h"

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
// another. The reset question names No, so a Return pressed once too often in the menu
// keeps the ban table.
TEST(QtMessageBoxPort, ReturnPressesTheDefaultButtonAndTheResetDefaultsToNo) {
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

    test::ScriptedPorts scripted;
    Ports ports{qt, scripted.files, scripted.cursor, scripted.events, scripted.shell};
    MainForm form(ports);
    form.setUpGrid();
    MenuActions actions;
    bool reset = false;
    actions.resetDatabase = [&](MainForm&) { return reset = true; };
    SSActiveToolBars1_ToolClick(form, "ID_ResetDatabase", actions);
    EXPECT_FALSE(reset);
}

}  // namespace
}  // namespace th
