#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "app/QtCursorPort.h"
#include "app/QtFileChooserPort.h"
#include "app/QtMessageBoxPort.h"
#include "app/WindowHandles.h"

namespace th {
namespace {

TEST(QtMessageBoxPort, ShowsThePromptTitleIconAndButtonsAndReturnsThePressedOne) {
    struct Seen {
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
    } seen;
    // The box is modal: look at it and answer it from inside its own event loop.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.text = box->text();
        seen.title = box->windowTitle();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            seen.buttons << b->text();
        box->button(QMessageBox::No)->click();
    });
    QtMessageBoxPort port;
    MsgResult r = port.show("Scan selected log?        \r\nSecond line        ", MsgButtons::YesNo,
                            MsgIcon::Question, "Quelvane - tallyhound");
    EXPECT_EQ(r, MsgResult::No);
    EXPECT_EQ(seen.text, "Scan selected log?        \nSecond line        ");
    EXPECT_EQ(seen.title, "Quelvane - tallyhound");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons.size(), 2);

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(port.show("x", MsgButtons::Ok, MsgIcon::Exclamation, "        "), MsgResult::Ok);
}

TEST(QtFileChooserPort, BuildsTheDialogFromTheRequest) {
    struct Case {
        FileChooserRequest request;
        QFileDialog::AcceptMode mode;
        QFileDialog::FileMode fileMode;
        QStringList filters;
        bool confirmOverwrite;
    };
    FileChooserRequest open;
    open.title = "Select Punkbuster log";
    open.filters = {{"Punkbuster log (*.log)", "*.log"}};
    open.defaultExt = "log";
    open.flags = 0x181808 | 0x20;
    FileChooserRequest save;
    save.save = true;
    save.title = "Save scanned violations log";
    save.filters = {{"Scan File", "*.sf"}, {"Any", "*.sf;*.txt"}};
    save.initialFilter = 2;
    save.defaultExt = "sf";
    save.flags = 0x80806;
    FileChooserRequest loose = open;
    loose.flags = 0x80000;

    const Case cases[] = {
        {open,
         QFileDialog::AcceptOpen,
         QFileDialog::ExistingFile,
         {"Punkbuster log (*.log)"},
         false},
        {save,
         QFileDialog::AcceptSave,
         QFileDialog::AnyFile,
         {"Scan File (*.sf)", "Any (*.sf *.txt)"},
         true},
        {loose, QFileDialog::AcceptOpen, QFileDialog::AnyFile, {"Punkbuster log (*.log)"}, false},
    };
    for (const auto& c : cases) {
        QFileDialog dialog;
        QtFileChooserPort::configure(dialog, c.request);
        EXPECT_EQ(dialog.windowTitle(), QString::fromStdString(c.request.title));
        EXPECT_EQ(dialog.acceptMode(), c.mode);
        EXPECT_EQ(dialog.fileMode(), c.fileMode);
        EXPECT_EQ(dialog.nameFilters(), c.filters);
        EXPECT_EQ(dialog.selectedNameFilter(), c.filters.value(c.request.initialFilter - 1));
        EXPECT_EQ(dialog.defaultSuffix(), QString::fromStdString(c.request.defaultExt));
        EXPECT_EQ(!dialog.testOption(QFileDialog::DontConfirmOverwrite), c.confirmOverwrite);
    }
}

TEST(QtFileChooserPort, KnowsOnlyLiveWindows) {
    QtFileChooserPort port;
    auto* window = new QWidget;
    int32_t handle = registerWindowHandle(window);
    EXPECT_GT(handle, 0);
    EXPECT_TRUE(port.isWindow(handle));
    EXPECT_EQ(windowForHandle(handle), window);
    delete window;
    EXPECT_FALSE(port.isWindow(handle));
    EXPECT_FALSE(port.isWindow(handle + 1000));
}

TEST(QtCursorPort, TheHourglassIsAnOverrideCursorAndTheDefaultNone) {
    {
        QtCursorPort port;
        EXPECT_EQ(port.shape(), 0);
        port.setShape(11);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_EQ(port.shape(), 11);
        port.setShape(11);  // setting it twice needs one restore only
        port.setShape(0);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(port.shape(), 0);
        port.setShape(11);
    }
    // A port that goes away takes its override with it.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace th
