#include "tests/support/ScriptedPorts.h"

#include <algorithm>

namespace th::test {

MsgResult ScriptedMessages::show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                                 const std::string& title, MsgResult defaultButton) {
    shown.push_back({prompt, buttons, icon, title, defaultButton});
    if (onShow) onShow(prompt);
    if (!answers.empty()) {
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return hasButton(buttons, defaultButton) ? defaultButton : firstButton(buttons);
}

std::vector<std::string> ScriptedFiles::choose(const FileChooserRequest& request) {
    requests.push_back(request);
    if (onChoose) onChoose();
    if (answers.empty()) return {};
    auto r = answers.front();
    answers.pop_front();
    return r;
}

bool ScriptedFiles::isWindow(int32_t handle) {
    return std::find(liveWindows.begin(), liveWindows.end(), handle) != liveWindows.end();
}

int64_t ScriptedShell::openDocument(const std::string& path) {
    calls.push_back({"document", path, {}, {}, false, 0});
    return result;
}

int64_t ScriptedShell::openUrl(const std::string& url) {
    calls.push_back({"url", url, {}, {}, false, 0});
    return result;
}

int64_t ScriptedShell::startProgram(const std::string& program,
                                    const std::vector<std::string>& args) {
    calls.push_back({"program", program, args, {}, false, 0});
    return result;
}

std::string ScriptedShell::findExecutable(const std::string&) {
    return executable;
}

int64_t ScriptedShell::launchProgram(const std::string& program,
                                     const std::vector<std::string>& args,
                                     const std::string& workingDir, bool wait) {
    calls.push_back({"launch", program, args, workingDir, wait, 0});
    return result;
}

bool ScriptedShell::showProperties(const std::string& path, int32_t owner) {
    calls.push_back({"properties", path, {}, {}, false, owner});
    return propertiesResult;
}

}  // namespace th::test
