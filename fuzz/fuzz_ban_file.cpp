// The ban-file reader: every byte of the file but the line ends, and a byte order mark at
// the start of a line, lands in a line, in order, and no line holds a line end (LF, CR LF
// or a lone CR).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bans/BanFileReader.h"
#include "fuzz/FuzzSupport.h"

namespace {

std::string withoutLineEnds(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool lineStart = i == 0 || text[i - 1] == '\r' || text[i - 1] == '\n';
        if (lineStart && text.substr(i).starts_with("\xEF\xBB\xBF")) i += 3;
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') out.push_back(text[i]);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static th::fuzz::MemoryFile file;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    file.set(bytes);
    const th::BanFileReader reader(file.path());
    th::fuzz::require(reader.bytes() == bytes, "every byte read");
    std::string joined;
    th::forEachLine(reader.bytes(), [&](std::string_view line) {
        th::fuzz::require(line.find_first_of("\r\n") == std::string_view::npos,
                          "a line end inside a line");
        joined += line;
    });
    th::fuzz::require(joined == withoutLineEnds(bytes), "every byte kept, in order");
    return 0;
}
