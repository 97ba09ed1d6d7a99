#include "about/SystemInfo.h"

#include "about/AboutTexts.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramSearch.h"

namespace th::about {

const std::vector<SysInfoProgram>& sysInfoPrograms() {
    static const std::vector<SysInfoProgram> programs = {
        {"hardinfo2", {}},
        {"hardinfo", {}},
        {"kinfocenter", {}},
        {"gnome-control-center", {"info-overview"}},
    };
    return programs;
}

void StartSysInfo(Ports& ports) {
    for (const SysInfoProgram& program : sysInfoPrograms()) {
        std::string path = findProgramOnPath(program.name);
        if (path.empty()) continue;
        if (ports.shell.startProgram(path, program.args) > 32) return;
        break;  // installed but not startable: the same answer as not installed
    }
    // No title of its own: the box shows the application's.
    ports.messages.show(withAdvice(kSysInfoUnavailable, kSysInfoAdvice), MsgButtons::Ok,
                        MsgIcon::None, "");
}

}  // namespace th::about
