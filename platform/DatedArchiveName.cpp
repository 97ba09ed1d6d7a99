#include "platform/DatedArchiveName.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "platform/XZipper.h"

namespace th {

std::string datedArchiveName(std::time_t t, const std::string& suffix) {
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d_%02d-%02d-%02d", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return stamp + suffix;
}

bool isDatedArchiveName(std::string_view name) {
    constexpr std::string_view shape = "00-00-0000_00-00-00";
    if (name.size() < shape.size() || !name.ends_with(".zip")) return false;
    for (size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == '0' ? name[i] < '0' || name[i] > '9' : name[i] != shape[i]) return false;
    return true;
}

std::string freeArchivePath(const std::string& folder, std::time_t t, const std::string& suffix) {
    const std::string name = datedArchiveName(t, suffix);
    auto taken = [](const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0;
    };
    std::string path = folder + name;
    const std::string ext = ".zip";
    const bool zip =
        name.size() >= ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
    const std::string stem = folder + (zip ? name.substr(0, name.size() - ext.size()) : name);
    for (int n = 2; taken(path); ++n) path = stem + "-" + std::to_string(n) + (zip ? ext : "");
    return path;
}

bool anotherArchiveHolds(const std::string& archive) {
    namespace fs = std::filesystem;
    const EntryHead held = firstEntry(archive);
    if (held.name.empty()) return false;
    std::optional<std::string> bytes;
    const fs::path own(archive);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(own.parent_path(), ec)) {
        const std::string other = entry.path().string();
        // The header first (cheap), then the bytes themselves, read back from both.
        if (entry.path().filename() == own.filename() ||
            !isDatedArchiveName(entry.path().filename().string()) || firstEntry(other) != held)
            continue;
        if (!bytes && !(bytes = onlyEntryBytes(archive))) return false;
        if (onlyEntryBytes(other) == bytes) return true;
    }
    return false;
}

void writeDatedArchive(XZipper& zip, const std::string& folder, const std::string& suffix,
                       const std::function<void(XZipper&)>& fill, std::string& archive) {
    constexpr int kAttempts = 20;
    for (int attempt = 1;; ++attempt) {
        archive = freeArchivePath(folder, std::time(nullptr), suffix);
        zip.clearFiles();
        zip.resetOptions();
        zip.setArchiveName(archive);
        zip.setCompressionLevel(5);
        zip.setStorePaths(false);
        zip.setAppend(false);
        zip.setOverwrite(false);
        fill(zip);
        try {
            zip.write();
            return;
        } catch (const ArchiveNameTaken&) {
            if (attempt >= kAttempts) throw;
        }
    }
}

}  // namespace th
