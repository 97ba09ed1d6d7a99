#include "export/FileChoice.h"

namespace th {

namespace {
constexpr uint32_t kEnableHook = 0x20;  // the dialog centres itself through its hook
}

std::optional<FileChoice> chooseFile(MainForm& form, const FileChoiceSettings& s) {
    FileChooserRequest request;
    request.save = s.save;
    request.title = s.title;
    size_t start = 0;
    std::string part[2];
    int which = 0;
    for (size_t i = 0; i <= s.filter.size(); ++i) {
        if (i == s.filter.size() || s.filter[i] == '|') {
            part[which] = s.filter.substr(start, i - start);
            start = i + 1;
            if (which == 1) request.filters.emplace_back(part[0], part[1]);
            which ^= 1;
        }
    }
    request.defaultExt = s.defaultExt;
    request.owner = s.owned ? form.hWnd : 0;
    request.flags = s.flags | (s.center ? kEnableHook : 0);
    request.center = s.center;
    std::vector<std::string> chosen = form.ports.files.choose(request);
    if (chosen.empty()) return std::nullopt;
    FileChoice choice{chosen.front(), chosen.front()};
    size_t slash = choice.fileName.find_last_of("/\\");
    if (slash != std::string::npos) choice.fileTitle = choice.fileName.substr(slash + 1);
    return choice;
}

}  // namespace th
