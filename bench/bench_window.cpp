// The window scanning a log: from the click on Scan to the arranged rows shown in the
// grid, the scan running on the window's worker thread as it does for a user.
// Usage: bench_window LOG [PNG]   (offscreen unless QT_QPA_PLATFORM says otherwise);
// PNG receives a picture of the window as the scan left it.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "app/MainCommands.h"
#include "app/ViolationGridView.h"
#include "app/frmMain.h"
#include "tests/support/ScriptedPorts.h"

namespace {

// Answers every box with its default button (Yes, scan; OK) and notes when the count of
// rows found is shown: the scan and the arrangement are over then.
struct TimedMessages : th::test::ScriptedMessages {
    QElapsedTimer* clock = nullptr;
    double foundAt = 0;
    th::MsgResult show(const std::string& prompt, th::MsgButtons buttons, th::MsgIcon icon,
                       const std::string& title, th::MsgResult defaultButton) override {
        if (prompt.find("violations found") != std::string::npos)
            foundAt = static_cast<double>(clock->nsecsElapsed()) * 1e-9;
        return ScriptedMessages::show(prompt, buttons, icon, title, defaultButton);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: bench_window LOG [PNG]\n");
        return 2;
    }
    th::test::ScriptedPorts scripted;
    TimedMessages messages;
    th::Ports ports{messages, scripted.files, scripted.cursor, scripted.events, scripted.shell};
    th::frmMain window(&ports);
    scripted.files.liveWindows = {window.hWnd()};
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    window.form().pnlLogPathToFile.setCaption(argv[1]);

    QElapsedTimer clock;
    messages.clock = &clock;
    QEventLoop loop;
    QObject::connect(&window, &th::frmMain::workFinished, &loop, &QEventLoop::quit);
    clock.start();
    window.cmdQuelvane_Click(th::cmd::kScan);
    loop.exec();
    window.repaint();  // the rows now shown, painted
    const double shown = static_cast<double>(clock.nsecsElapsed()) * 1e-9;

    if (argc == 3 && !window.grab().save(argv[2])) return 1;

    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf(
        "%d grid rows, %d groups shown: found and arranged after %.3f s, shown after "
        "%.3f s; peak memory %ld MiB\n",
        window.form().vsFlexGrid1.rows() - 1, window.vsFlexGrid1()->model()->rowCount(),
        messages.foundAt, shown, u.ru_maxrss / 1024);
    return messages.foundAt > 0 ? 0 : 1;
}
