#pragma once
// Paths given on the command line, made full: the ban routines take paths as the file
// dialog gives them, with their folder.

#include <algorithm>
#include <filesystem>
#include <string>

namespace th::cli {

// The full form of a path, naming the file the system would open by it; empty stays empty.
// A ".." after a link to a folder leads to the folder above the link's target, not above the
// link: a folder holding one is resolved by the file system, not by striking out names.
inline std::string absolutePath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec) return path;
    if (std::any_of(full.begin(), full.end(), [](const auto& part) { return part == ".."; })) {
        const std::filesystem::path folder =
            std::filesystem::weakly_canonical(full.parent_path(), ec);
        if (!ec) full = folder / full.filename();
    }
    return full.lexically_normal().string();
}

}  // namespace th::cli
