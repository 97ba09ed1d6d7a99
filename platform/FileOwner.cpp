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

// Where a link to a file not there yet leads, link by link: the new file goes there, and
// the link stays. Run by root, only root's own links are followed, as no file owner can
// vouch for them.
std::string danglingTarget(std::string at, const std::string& errorPath) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat link {};
        if (::lstat(at.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return at;
        if (::geteuid() == 0 && link.st_uid != 0)
            throw Error(
                err::kPermissionDenied, appBaseName(),
                "Refused: a link owned by another account, to a file not there yet: " + errorPath);
        char next[PATH_MAX];
        const ssize_t n = ::readlink(at.c_str(), next, sizeof next - 1);
        if (n <= 0) throw Error::fromErrno(n < 0 ? errno : ENOENT, errorPath);
        std::string to(next, static_cast<size_t>(n));
        const size_t slash = at.find_last_of('/');
        if (to.front() != '/' && slash != std::string::npos) to = at.substr(0, slash + 1) + to;
        at = std::move(to);
    }
    throw Error::fromErrno(ELOOP, errorPath);
}

}  // namespace

KeptOwner giveOwnerAndGroup(int fd, const struct stat& like) {
    if (::fchown(fd, like.st_uid, like.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), like.st_gid);
    struct stat now {};
    if (::fstat(fd, &now) != 0) return {};
    return {now.st_uid == like.st_uid, now.st_gid == like.st_gid};
}

int copyAccessList(int from, int to) {
    ssize_t size = ::fgetxattr(from, kAccessAcl, nullptr, 0);
    if (size <= 0) return 0;  // none, or a file system without them
    std::vector<char> acl(static_cast<size_t>(size));
    size = ::fgetxattr(from, kAccessAcl, acl.data(), acl.size());
    if (size <= 0) return 0;  // taken away meanwhile
    if (::fsetxattr(to, kAccessAcl, acl.data(), static_cast<size_t>(size), 0) != 0) return errno;
    return 0;
}

std::string resolveLink(const std::string& path, const std::string& errorPath) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        if (errno != ENOENT) throw Error::fromErrno(errno, errorPath);
        return danglingTarget(path, errorPath);
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
