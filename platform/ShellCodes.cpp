#include "platform/ShellCodes.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/Ports.h"

namespace th {

int64_t shellCodeFromOpener(bool started, int exitStatus) {
    // Without the opener nothing on this desktop opens the item.
    if (!started) return shellcode::kNoAssociation;
    switch (exitStatus) {
        case 0:
            return shellcode::kSuccess;
        case 2:
            return shellcode::kFileNotFound;  // the item does not exist
        case 3:
            return shellcode::kNoAssociation;  // no program found to open it
        default:
            return shellcode::kOtherFailure;  // bad call (1) or the program failed (4)
    }
}

int64_t shellCodeFromErrno(int errnoValue) {
    switch (errnoValue) {
        case 0:
            return shellcode::kSuccess;
        case ENOENT:
            return shellcode::kFileNotFound;
        case ENOTDIR:
            return shellcode::kPathNotFound;
        case EACCES:
        case EPERM:
            return shellcode::kAccessDenied;
        case ENOMEM:
        case E2BIG:
            return shellcode::kOutOfMemory;
        case ENOEXEC:
        case ELIBBAD:
            return shellcode::kBadFormat;
        case ETXTBSY:
            return shellcode::kShare;  // being written by someone else
        default:
            return shellcode::kOtherFailure;
    }
}

int64_t shellCodeForFailedStart(const std::string& program) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path path(program);
    if (!fs::exists(path, ec)) {
        fs::path folder = path.parent_path();
        if (!folder.empty() && !fs::is_directory(folder, ec)) return shellcode::kPathNotFound;
        return shellcode::kFileNotFound;
    }
    if (fs::is_directory(path, ec) || ::access(program.c_str(), X_OK) != 0)
        return shellcode::kAccessDenied;
    return shellcode::kBadFormat;
}

}  // namespace th
