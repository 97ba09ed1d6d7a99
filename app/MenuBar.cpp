#include "app/MenuBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <cstring>
#include <memory>

#include "about/frmAbout.h"
#include "app/MenuCommands.h"
#include "app/MenuTree.h"

namespace th {

namespace {

// Keys of the menu's own commands; the buttons' keys belong to the window.
const std::pair<const char*, QKeyCombination> kShortcuts[] = {
    {"ID_LoadLog...", Qt::CTRL | Qt::Key_O},
    {"ID_GenerateHTML...", Qt::CTRL | Qt::Key_H},
    {"ID_About", QKeyCombination(Qt::Key_F1)},
};

void tagTool(QObject* tool, const menu::MenuTool& entry) {
    tool->setObjectName(QString::fromLatin1(entry.id));
    tool->setProperty("toolId", QString::fromLatin1(entry.id));
    tool->setProperty("category", QString::fromLatin1(entry.category));
}

}  // namespace

void installMenuBar(QMenuBar* bar, MainForm& form, std::function<void()> showAbout,
                    std::function<void(int16_t)> pressButton) {
    if (!showAbout) {
        showAbout = [&form] {
            // Built afresh for every showing and gone when OK closes it.
            frmAbout box(form.ports);
            box.exec();
        };
    }
    auto actions = std::make_shared<MenuActions>(
        MenuActions{std::move(showAbout), {}, {}, std::move(pressButton)});
    auto route = [&form, actions](const char* id) {
        return [&form, actions, id] { runMenuTool(form, id, *actions); };
    };

    bar->setWindowTitle(QString::fromLatin1(menu::kToolBarName));
    QMenu* menus[3] = {nullptr, nullptr, nullptr};  // the open menu at each depth
    for (const menu::MenuTool& entry : menu::kMenuTree) {
        const QString caption = QString::fromLatin1(entry.caption);
        QMenu* parent = entry.depth > 0 ? menus[entry.depth] : nullptr;
        switch (entry.kind) {
            case menu::ToolKind::Menu:
            case menu::ToolKind::Submenu: {
                QMenu* m = parent ? parent->addMenu(caption) : bar->addMenu(caption);
                tagTool(m, entry);
                tagTool(m->menuAction(), entry);
                // Opening a menu is a click on its tool, as the handler sees it.
                QObject::connect(m, &QMenu::aboutToShow, m, route(entry.id));
                menus[entry.depth + 1] = m;
                break;
            }
            case menu::ToolKind::Command: {
                QAction* a = parent->addAction(caption);
                tagTool(a, entry);
                for (const auto& [id, key] : kShortcuts)
                    if (std::strcmp(id, entry.id) == 0) a->setShortcut(QKeySequence(key));
                QObject::connect(a, &QAction::triggered, a, route(entry.id));
                break;
            }
            case menu::ToolKind::Separator:
                parent->addSeparator();
                break;
        }
    }
}

}  // namespace th
