#pragma once
// Who owns a file and who may read it: what a file written in place of another keeps, and
// which links may be followed.

#include <sys/stat.h>

#include <string>

namespace th {

struct KeptOwner {
    bool owner = false;
    bool group = false;
};

// Gives the open file fd the owner and group of `like`, each where this account may:
// any account may give a file a group it belongs to, only root another owner.
KeptOwner giveOwnerAndGroup(int fd, const struct stat& like);

// Copies to `to` what else of the file `from` says who may read it or was put there by its
// user: its access list (ACL), SELinux label and user attributes. 0, or the errno of one
// that could not be given (no room for it, say).
int copyAttributes(int from, int to);

// The access list (ACL) of the file at path, in the kernel's form: empty when it has none.
std::string accessListAt(const std::string& path);

// Gives the open file that access list: 0, or the errno of a list that could not be given.
int giveAccessList(int fd, const std::string& list);

// The file a path names: the path itself, or for a symbolic link the file it leads to.
// A link owned by another account than its file is refused, as the kernel's
// protected-symlinks rule does: it may have been planted to make us write someone else's
// file. Run by root, so is a link among the path's folders that neither root nor the
// folder's owner made. Throws th::Error naming errorPath.
std::string resolveLink(const std::string& path, const std::string& errorPath);

}  // namespace th
