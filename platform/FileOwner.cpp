#include "platform/FileOwner.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/Error.h"

namespace th {

namespace {
constexpr const char* kAccessAcl = "system.posix_acl_access";

// The value of one attribute of an open file: false when it has none (or it went meanwhile).
bool attributeOf(int fd, const char* name, std::vector<char>& value) {
    const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
    if (size <= 0) return false;
    value.resize(static_cast<size_t>(size));
    const ssize_t read = ::fgetxattr(fd, name, value.data(), value.size());
    if (read <= 0) return false;
    value.resize(static_cast<size_t>(read));
    return true;
}

// Whether a file written in place of another takes this attribute: its access list, its
// SELinux label (which may be what lets the game server read it) and the user's own
// attributes. The kernel's own (an IMA hash of the old content, say) are not the file's to
// pass on.
bool passedOn(std::string_view name) {
    return name == kAccessAcl || name == "security.selinux" || name.starts_with("user.");
}

// Run by root, a link among a path's folders that another account made could lead root
// into a third account's folder, to write its files: such a link is followed only when
// root made it, or the owner of the folder it leads to.
void refuseFolderLinksOfOthers(const std::string& path, const std::string& errorPath) {
    if (::geteuid() != 0) return;
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        struct stat link {};
        struct stat target {};
        if (::lstat(folder.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) || link.st_uid == 0 ||
            ::stat(folder.c_str(), &target) != 0 || target.st_uid == link.st_uid)
            continue;
        throw Error(
            err::kPermissionDenied, appBaseName(),
            "Refused: a link owned by another account than the folder it leads to: " + errorPath);
    }
}

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

int copyAttributes(int from, int to) {
    ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size <= 0) return 0;  // none, or a file system without them
    std::vector<char> names(static_cast<size_t>(size));
    size = ::flistxattr(from, names.data(), names.size());
    if (size <= 0) return 0;  // taken away meanwhile
    names.resize(static_cast<size_t>(size));
    std::vector<char> value, now;
    for (size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        if (!passedOn(name) || !attributeOf(from, name, value)) continue;
        // A label the new file has already is not set again: setting it may need a right
        // that keeping it does not.
        if (attributeOf(to, name, now) && now == value) continue;
        if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0) return errno;
    }
    return 0;
}

std::string accessListAt(const std::string& path) {
    for (;;) {
        const ssize_t size = ::getxattr(path.c_str(), kAccessAcl, nullptr, 0);
        if (size <= 0) return {};  // none, or a file system without them
        std::string list(static_cast<size_t>(size), '\0');
        const ssize_t read = ::getxattr(path.c_str(), kAccessAcl, list.data(), list.size());
        if (read > 0) return list.substr(0, static_cast<size_t>(read));
        if (read == 0 || errno != ERANGE) return {};  // taken away meanwhile
    }
}

int giveAccessList(int fd, const std::string& list) {
    return ::fsetxattr(fd, kAccessAcl, list.data(), list.size(), 0) == 0 ? 0 : errno;
}

std::string resolveLink(const std::string& path, const std::string& errorPath) {
    refuseFolderLinksOfOthers(path, errorPath);
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
