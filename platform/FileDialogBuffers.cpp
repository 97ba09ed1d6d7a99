#include "platform/FileDialogBuffers.h"

#include <limits>
#include <stdexcept>

namespace th::MFileOpenSaveDialog {

namespace {

const std::string kDoubleNul(2, '\0');

std::string baseName(const std::string& path) {
    auto sep = path.rfind(kPathSeparator);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// The folder that holds a path; the root keeps its separator, as the dialog writes it.
std::optional<std::string> parentFolder(const std::string& path) {
    auto sep = path.rfind(kPathSeparator);
    if (sep == std::string::npos || path.size() == 1) return std::nullopt;
    return sep == 0 ? std::string(1, kPathSeparator) : path.substr(0, sep);
}

bool endsWithSeparator(const std::string& text) {
    return !text.empty() && text.back() == kPathSeparator;
}

// Length of the part of `path` that names `folder` and the separator after it, or
// nothing when the path does not lie below the folder.
std::optional<std::size_t> prefixBelow(const std::string& path, const std::string& folder) {
    std::size_t prefix = endsWithSeparator(folder) ? folder.size() : folder.size() + 1;
    if (path.size() <= prefix || path.compare(0, folder.size(), folder) != 0) return std::nullopt;
    if (path[prefix - 1] != kPathSeparator) return std::nullopt;
    return prefix;
}

// The deepest folder below which every chosen path lies: a chooser answers with files of
// one folder, but the dialog's buffer can only say one folder, so be sure of it.
std::optional<std::string> commonFolder(const std::vector<std::string>& paths) {
    auto folder = parentFolder(paths.front());
    for (const auto& path : paths) {
        while (folder && !prefixBelow(path, *folder)) folder = parentFolder(*folder);
    }
    return folder;
}

// Writes `written` over the start of the proposed buffer, as the dialog does: what stood
// after it stays.
std::optional<std::string> overwrite(const std::string& proposed, const std::string& written) {
    if (written.size() > kBufferLength) return std::nullopt;
    std::string buffer = proposed;
    buffer.resize(kBufferLength, '\0');
    buffer.replace(0, written.size(), written);
    return buffer;
}

std::vector<std::string> splitAtNul(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        auto nul = text.find('\0', start);
        if (nul == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, nul - start));
        start = nul + 1;
    }
}

std::string beforeFirstNul(const std::string& text) {
    auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

}  // namespace

std::string convertFilter(const std::string& strFilter) {
    std::string converted;
    converted.reserve(strFilter.size() + 2);
    for (char c : strFilter) converted += c == '|' ? '\0' : c;
    converted += kDoubleNul;
    return converted;
}

std::vector<std::pair<std::string, std::string>> filterPairs(const std::string& nulFilter) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string description;
    bool haveDescription = false;
    std::size_t start = 0;
    while (start < nulFilter.size()) {
        auto nul = nulFilter.find('\0', start);
        if (nul == std::string::npos) nul = nulFilter.size();
        if (nul == start) break;  // an empty string ends the list
        std::string piece = nulFilter.substr(start, nul - start);
        if (haveDescription) {
            pairs.emplace_back(std::move(description), std::move(piece));
            description.clear();
        } else {
            description = std::move(piece);
        }
        haveDescription = !haveDescription;
        start = nul + 1;
    }
    return pairs;
}

std::optional<std::string> padBuffer(const std::string& text) {
    if (text.size() > kBufferLength) return std::nullopt;
    std::string buffer = text;
    buffer.resize(kBufferLength, '\0');
    return buffer;
}

std::optional<std::string> answerFileBuffer(const std::string& proposed,
                                            const std::vector<std::string>& paths,
                                            bool multiSelect) {
    if (paths.empty()) return std::nullopt;
    if (!multiSelect || paths.size() == 1) return overwrite(proposed, paths.front() + '\0');

    auto folder = commonFolder(paths);
    if (!folder) return std::nullopt;
    std::string written = *folder;
    for (const auto& path : paths) {
        written += '\0';
        written += path.substr(*prefixBelow(path, *folder));
    }
    written += kDoubleNul;
    return overwrite(proposed, written);
}

std::optional<std::string> answerTitleBuffer(const std::string& proposed,
                                             const std::vector<std::string>& paths) {
    if (paths.empty()) return std::nullopt;
    return overwrite(proposed, baseName(paths.front()) + '\0');
}

std::string parseBuffer(const std::string& buffer, int kind, int32_t Flags, Selection& selection) {
    if (buffer.find_first_not_of(' ') == std::string::npos) return {};

    std::string text = buffer;
    auto doubleNul = text.find(kDoubleNul);
    if (doubleNul != std::string::npos && doubleNul > 0) text.resize(doubleNul);

    if (kind == kBufferFileTitle) return beforeFirstNul(text);
    if (kind != kBufferFileName) return {};

    if ((Flags & kOfnAllowMultiSelect) == 0) {
        text = beforeFirstNul(text);
        selection.FileCount = 1;
        auto sep = text.rfind(kPathSeparator);
        if (sep != std::string::npos) selection.SelectedPath = text.substr(0, sep + 1);
        return text;
    }

    auto parts = splitAtNul(text);
    if (parts.size() - 1 > static_cast<std::size_t>(std::numeric_limits<int16_t>::max())) {
        throw std::overflow_error("too many files in the dialog's answer");
    }
    auto count = static_cast<int16_t>(parts.size() - 1);
    selection.fileList = parts;

    if (count <= 1) {
        // One file: the full path, perhaps followed by a NUL and the rest of the proposed
        // name. Only the path names the folder; a separator in that rest must not.
        const std::string& path = parts.front();
        auto sep = path.rfind(kPathSeparator);
        selection.SelectedPath = sep != std::string::npos && sep + 1 >= kRootLength
                                     ? path.substr(0, sep + 1)
                                     : std::string();
        selection.FileCount = 1;
        return path;
    }

    std::string folder = parts.front();
    if (endsWithSeparator(folder)) folder.pop_back();  // the root "/" becomes ""
    selection.SelectedPath = folder;
    selection.FileCount = count;
    return folder + kPathSeparator + parts[1];
}

CenterHook centerHookFor(int32_t Flags) {
    if ((Flags & kOfnEnableHook) == 0) return CenterHook::None;
    return (Flags & kOfnExplorer) != 0 ? CenterHook::CenterDialogHook
                                       : CenterHook::CenterDialogHookOldStyle;
}

namespace {
// Half of a difference, rounded to the nearest integer with halves to the even one.
int32_t halfToEven(int64_t difference) {
    int64_t half = difference >= 0 ? difference / 2 : -((-difference + 1) / 2);  // floor
    if (difference % 2 != 0 && half % 2 != 0) ++half;
    return static_cast<int32_t>(half);
}
}  // namespace

std::pair<int32_t, int32_t> centeredOrigin(int32_t screenWidth, int32_t screenHeight, int32_t width,
                                           int32_t height) {
    return {halfToEven(int64_t{screenWidth} - width), halfToEven(int64_t{screenHeight} - height)};
}

}  // namespace th::MFileOpenSaveDialog
