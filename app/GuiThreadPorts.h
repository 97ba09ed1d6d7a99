#pragma once
// The ports as seen from a worker thread: every call is handed to the GUI thread, which
// runs it on the real port while the worker waits for the answer. Called on the GUI
// thread they go straight through. The core never learns that it runs on a worker.

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <exception>
#include <functional>
#include <type_traits>

#include "platform/Ports.h"

namespace th {

// Runs f on the GUI thread and returns its result; an exception it throws is thrown
// again on the calling thread.
template <typename F>
auto onGuiThread(F&& f) -> decltype(f()) {
    using Result = decltype(f());
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) return f();
    std::exception_ptr failure;
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(
            app,
            [&] {
                try {
                    f();
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (failure) std::rethrow_exception(failure);
    } else {
        Result result{};
        QMetaObject::invokeMethod(
            app,
            [&] {
                try {
                    result = f();
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (failure) std::rethrow_exception(failure);
        return result;
    }
}

class GuiThreadPorts : MessageBoxPort, FileChooserPort, CursorPort, EventsPort, ShellPort {
  public:
    explicit GuiThreadPorts(Ports& inner);
    Ports& ports() { return ports_; }
    // Told on the GUI thread (true, then false) around a question or a file chooser that a
    // worker waits on.
    std::function<void(bool)> workerWaits;

  private:
    MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title, MsgResult defaultButton) override;
    std::vector<std::string> choose(const FileChooserRequest& request) override;
    bool isWindow(int32_t handle) override;
    int16_t shape() override;
    void setShape(int16_t shape) override;
    // A worker needs no events run for it, and the window paints its indicators itself.
    void processEvents() override;
    void repaintNow() override;
    int64_t openDocument(const std::string& path) override;
    int64_t openUrl(const std::string& url) override;
    int64_t startProgram(const std::string& program, const std::vector<std::string>& args) override;
    std::string findExecutable(const std::string& document) override;
    int64_t launchProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::string& workingDir, bool wait) override;
    bool showProperties(const std::string& path, int32_t owner) override;

    // Runs f on the GUI thread, telling workerWaits around it when a worker waits on it.
    template <typename F>
    auto waitedOn(F&& f) -> decltype(f()) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread() || !workerWaits) return f();
        return onGuiThread([&] {
            workerWaits(true);
            struct Told {
                std::function<void(bool)>& tell;
                ~Told() { tell(false); }
            } told{workerWaits};
            return f();
        });
    }

    Ports& inner_;
    Ports ports_;
};

}  // namespace th
