#include "platform/FileOwner.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/Error.h"

namespace th {

namespace {
constexpr const char* kAccessAcl = "system.posix_acl_access";
}

KeptOwner giveOwnerAndGroup(int fd, const struct stat& like) {
    if (::fchown(fd, like.st_uid, like.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), like.st_gid);
    struct stat now {};
    if (::fstat(fd, &now) != 0) return {};
    return {now.st_uid == like.st_uid, now.st_gid == like.st_gid};
}

void copyAccessList(int from, int to) {
    ssize_t size = ::fgetxattr(from, kAccessAcl, nullptr, 0);
    if (size <= 0) return;  // none, or a file system without them
    std::vector<char> acl(static_cast<size_t>(size));
    size = ::fgetxattr(from, kAccessAcl, acl.data(), acl.size());
    if (size > 0) (void)::fsetxattr(to, kAccessAcl, acl.data(), static_cast<size_t>(size), 0);
}

std::string resolveLink(const std::string& path, const std::string& errorPath) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        // A link to a file not there yet: the new file goes where the link points.
        if (errno != ENOENT) throw Error::fromErrno(errno, errorPath);
        return path;
    }
    struct stat target {};
    if (::stat(resolved, &target) != 0) throw Error::fromErrno(errno, errorPath);
    if (target.st_uid != link.st_uid)
        throw Error(
            err::kPermissionDenied, appBaseName(),
            "Refused: a link owned by another account than the file it leads to: " + errorPath);
    return resolved;
}

}  // namespace th
