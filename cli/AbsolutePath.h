#pragma once
// Paths given on the command line, made full: the ban routines take paths as the file
// dialog gives them, with their folder.

#include <filesystem>
#include <string>

namespace th::cli {

// The full form of a path; empty stays empty.
inline std::string absolutePath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

}  // namespace th::cli
