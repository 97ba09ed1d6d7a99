#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>

#include "app/QtFileChooserPort.h"
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
                     [&](QWidget* modal) {
                         auto* box = qobject_cast<QMessageBox*>(modal);
                         if (!box) return false;
                         said = box->text();
                         box->accept();
                         return true;
                     },
                     typeAndSave(QStringLiteral("my best scan"))};
    QtFileChooserPort port;
    EXPECT_EQ(port.choose(request), std::vector<std::string>{folder + "/my best scan.sf"});
    EXPECT_EQ(said, QtFileChooserPort::kQuoteInName);
}

}  // namespace
}  // namespace th
