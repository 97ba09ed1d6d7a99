#include "cli/BanLines.h"

#include "cli/TerminalText.h"

namespace th::cli {

std::string banLine(const NewBan& ban) {
    std::string line;
    appendTerminalText(line, ban.stamp);
    line += '\t';
    appendTerminalText(line, ban.guid);
    line += '\t';
    appendShown(line, ban.name);
    line += '\t';
    appendShown(line, ban.reason);
    return line;
}

}  // namespace th::cli
