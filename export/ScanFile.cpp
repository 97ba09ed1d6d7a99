#include "export/ScanFile.h"

namespace th {

void saveScanFileCommand(MainForm&) {}
void importScanFileCommand(MainForm&) {}

}  // namespace th
