#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "app/QtCursorPort.h"
#include "app/QtFileChooserPort.h"
#include "app/QtMessageBoxPort.h"

namespace th {
namespace {

TEST(QtMessageBoxPort, ShowsThePromptTitleIconAndButtonsAndReturnsThePressedOne) {
    QString seen;
    // The box is modal: look at it and answer it from inside its own event loop.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = box->text() + "|" + box->windowTitle() + "|" + QString::number(box->icon()) + "|" +
               QString::number(box->buttons().size());
        box->button(QMessageBox::No)->click();
    });
    QtMessageBoxPort port;
    EXPECT_EQ(port.show("Scan selected log?        \r\nSecond line        ", MsgButtons::YesNo,
                        MsgIcon::Question, "Quelvane - tallyhound"),
              MsgResult::No);
    EXPECT_EQ(seen, "Scan selected log?        \nSecond line        |Quelvane - tallyhound|" +
                        QString::number(QMessageBox::Question) + "|2");
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(port.show("x", MsgButtons::Ok, MsgIcon::Exclamation, "        "), MsgResult::Ok);
}

TEST(QtFileChooserPort, BuildsTheDialogFromTheRequest) {
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
    FileChooserRequest loose = open;  // without the must-exist flag
    loose.flags = 0x80000;
    // Accept mode, file mode, whether overwriting is confirmed, then the filters.
    const std::pair<FileChooserRequest, QStringList> cases[] = {
        {open, {"0 1 0", "Punkbuster log (*.log)"}},
        {save, {"1 0 1", "Scan File (*.sf)", "Any (*.sf *.txt)"}},
        {loose, {"0 0 0", "Punkbuster log (*.log)"}},
    };
    for (const auto& [request, expected] : cases) {
        QFileDialog dialog;
        QtFileChooserPort::configure(dialog, request);
        QStringList seen = {QStringLiteral("%1 %2 %3")
                                .arg(int(dialog.acceptMode()))
                                .arg(int(dialog.fileMode()))
                                .arg(int(!dialog.testOption(QFileDialog::DontConfirmOverwrite)))};
        seen << dialog.nameFilters();
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(dialog.windowTitle(), QString::fromStdString(request.title));
        EXPECT_EQ(dialog.selectedNameFilter(), expected.value(request.initialFilter));
        EXPECT_EQ(dialog.defaultSuffix(), QString::fromStdString(request.defaultExt));
    }
}

TEST(QtCursorPort, TheHourglassIsAnOverrideCursorAndTheDefaultNone) {
    {
        QtCursorPort port;
        port.setShape(11);
        port.setShape(11);  // setting it twice needs one restore only
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        port.setShape(0);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        port.setShape(11);
    }
    // A port that goes away takes its override with it.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace th
