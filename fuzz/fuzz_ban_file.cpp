// The ban-file reader: every byte of the file but the line ends lands in a line, in
// order, and no line holds a line feed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bans/BanFile.h"
#include "fuzz/FuzzSupport.h"

namespace {

std::string withoutLineEnds(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n') out.push_back(c);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static th::fuzz::MemoryFile file;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    file.set(bytes);
    const std::vector<std::string> lines = th::readLines(file.path());
    std::string joined;
    for (const auto& line : lines) {
        th::fuzz::require(line.find('\n') == std::string::npos, "a line feed inside a line");
        joined += line;
    }
    th::fuzz::require(withoutLineEnds(joined) == withoutLineEnds(bytes),
                      "every byte kept, in order");
    size_t feeds = 0;
    for (char c : bytes) feeds += c == '\n';
    if (bytes.find('\r') == std::string_view::npos)
        th::fuzz::require(lines.size() == feeds + (!bytes.empty() && bytes.back() != '\n'),
                          "one line per line feed");
    return 0;
}
