#include "app/GuiThreadPorts.h"

namespace th {

namespace {
bool onGui() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}
}  // namespace

GuiThreadPorts::GuiThreadPorts(Ports& inner)
    : inner_(inner), ports_{*this, *this, *this, *this, *this} {}

MsgResult GuiThreadPorts::show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                               const std::string& title, MsgResult defaultButton) {
    return waitedOn(
        [&] { return inner_.messages.show(prompt, buttons, icon, title, defaultButton); });
}

std::vector<std::string> GuiThreadPorts::choose(const FileChooserRequest& request) {
    return waitedOn([&] { return inner_.files.choose(request); });
}

bool GuiThreadPorts::isWindow(int32_t handle) {
    return onGuiThread([&] { return inner_.files.isWindow(handle); });
}

int16_t GuiThreadPorts::shape() {
    return onGuiThread([&] { return inner_.cursor.shape(); });
}

void GuiThreadPorts::setShape(int16_t shape) {
    onGuiThread([&] { inner_.cursor.setShape(shape); });
}

void GuiThreadPorts::processEvents() {
    if (onGui()) inner_.events.processEvents();
}

void GuiThreadPorts::repaintNow() {
    if (onGui()) inner_.events.repaintNow();
}

int64_t GuiThreadPorts::openDocument(const std::string& path) {
    return onGuiThread([&] { return inner_.shell.openDocument(path); });
}

int64_t GuiThreadPorts::openUrl(const std::string& url) {
    return onGuiThread([&] { return inner_.shell.openUrl(url); });
}

int64_t GuiThreadPorts::startProgram(const std::string& program,
                                     const std::vector<std::string>& args) {
    return onGuiThread([&] { return inner_.shell.startProgram(program, args); });
}

std::string GuiThreadPorts::findExecutable(const std::string& document) {
    return onGuiThread([&] { return inner_.shell.findExecutable(document); });
}

int64_t GuiThreadPorts::launchProgram(const std::string& program,
                                      const std::vector<std::string>& args,
                                      const std::string& workingDir, bool wait) {
    return onGuiThread([&] { return inner_.shell.launchProgram(program, args, workingDir, wait); });
}

bool GuiThreadPorts::showProperties(const std::string& path, int32_t owner) {
    return onGuiThread([&] { return inner_.shell.showProperties(path, owner); });
}

}  // namespace th
