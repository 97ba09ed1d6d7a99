#include "scan/LogScanner.h"

namespace th {

int32_t g_lngScanLogFile(MainForm&) {
    return 0;
}

}  // namespace th
