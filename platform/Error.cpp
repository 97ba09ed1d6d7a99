#include "platform/Error.h"

#include <cerrno>
#include <cstring>

namespace th {

namespace {
std::string& baseName() {
    static std::string name = "Tallyhound";
    return name;
}
}  // namespace

const std::string& appBaseName() {
    return baseName();
}
void setAppBaseName(std::string name) {
    baseName() = std::move(name);
}

Error Error::fromErrno(int errnoValue, const std::string& path) {
    int32_t number = err::kFileIo;
    switch (errnoValue) {
        case ENOENT:
            number = err::kFileNotFound;
            break;
        case ENOTDIR:
            number = err::kPathNotFound;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            number = err::kPermissionDenied;
            break;
        case ENOSPC:
        case EDQUOT:
            number = err::kDiskFull;
            break;
        default:
            break;
    }
    return Error(number, appBaseName(), std::string(std::strerror(errnoValue)) + ": " + path);
}

}  // namespace th
