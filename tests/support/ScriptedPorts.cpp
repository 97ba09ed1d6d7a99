#include "tests/support/ScriptedPorts.h"

#include <algorithm>

namespace th::test {

namespace {

// The next scripted answer, or the fallback once the script has run out.
template <class T>
T nextAnswer(std::deque<T>& answers, T fallback) {
    if (answers.empty()) return fallback;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

}  // namespace

MsgResult ScriptedMessages::show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                                 const std::string& title, MsgResult defaultButton) {
    shown.push_back({prompt, buttons, icon, title, defaultButton});
    if (onShow) onShow(prompt);
    return nextAnswer(answers,
                      hasButton(buttons, defaultButton) ? defaultButton : firstButton(buttons));
}

std::vector<std::string> ScriptedFiles::choose(const FileChooserRequest& request) {
    requests.push_back(request);
    if (onChoose) onChoose();
    return nextAnswer(answers, std::vector<std::string>{});
}

bool ScriptedFiles::isWindow(int32_t handle) {
    return std::ranges::find(liveWindows, handle) != liveWindows.end();
}

}  // namespace th::test
