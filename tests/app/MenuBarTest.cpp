#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/MenuBar.h"
#include "app/frmMain.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

// One line per tool: depth, caption, ID, category; "-" for a separator.
void describe(const QList<QAction*>& actions, int depth, QStringList& out) {
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            out << QStringLiteral("%1 -").arg(depth);
            continue;
        }
        out << QStringLiteral("%1 %2 | %3 | %4")
                   .arg(depth)
                   .arg(a->text(), a->property("toolId").toString(),
                        a->property("category").toString());
        if (a->menu()) describe(a->menu()->actions(), depth + 1, out);
    }
}

QStringList tree(QMenuBar* bar) {
    QStringList out;
    describe(bar->actions(), 0, out);
    return out;
}

const QStringList kExpectedTree = {
    "0 &File | ID_File | File",
    "1 &Load Log... | ID_LoadLog... | File",
    "1 Generate HTML... | ID_GenerateHTML... | File",
    "1 -",
    "1 E&xit | ID_Exit | File",
    "0 Utilities | ID_Tool1 | Utilis",
    "1 Database | ID_Database | Utilis",
    "2 Backup | ID_Backup | Utilis",
    "2 -",
    "2 Reset | ID_ResetDatabase | Utilis",
    "0 &Help | ID_Help | Help",
    "1 Web Links | ID_WebLinks | Help",
    "2 &Oakmere | ID_Oakmere | Help",
    "2 -",
    "2 Quelvane | ID_Quelvane | Help",
    "2 Even Balance | ID_Punkbuster | Help",
    "1 -",
    "1 &About | ID_About | Help",
};

QAction* toolAction(QMenuBar* bar, const QString& id) {
    for (QAction* a : bar->findChildren<QAction*>())
        if (a->property("toolId").toString() == id && !a->menu()) return a;
    return nullptr;
}

TEST(MenuBar, TheMainWindowCarriesTheTreeAndItsToolsReachTheHandler) {
    test::ScriptedPorts ports;
    frmMain window(&ports.ports);
    ports.files.liveWindows = {window.hWnd()};
    QMenuBar* bar = window.menuBar();
    EXPECT_EQ(tree(bar), kExpectedTree);
    // Opening a menu reaches the handler as a click on its title, which does nothing.
    for (QMenu* menu : bar->findChildren<QMenu*>()) emit menu->aboutToShow();
    EXPECT_TRUE(ports.files.requests.empty());
    toolAction(bar, "ID_Quelvane")->trigger();
    toolAction(bar, "ID_LoadLog...")->trigger();
    ASSERT_EQ(ports.shell.calls.size(), 1u);
    EXPECT_EQ(ports.shell.calls[0].target, "http://www.quelvane.net/");
    EXPECT_EQ(ports.files.requests.size(), 1u);
    EXPECT_TRUE(ports.messages.shown.empty());
}

}  // namespace
}  // namespace th
