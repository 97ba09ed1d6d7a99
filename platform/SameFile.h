#pragma once
// Whether two looks at files are at one file: the same device and inode, whatever names
// (links, hard links, paths with "..") led to them.

#include <sys/stat.h>

namespace th {

inline bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace th
