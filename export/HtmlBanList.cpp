#include "export/HtmlBanList.h"

namespace th {

bool g_blnCreateHtmlBanList(MainForm&, std::string&) { return true; }
void runHtmlCommand(MainForm&) {}

}  // namespace th
