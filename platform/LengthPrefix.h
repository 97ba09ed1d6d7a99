#pragma once
// Texts packed one after another in a single buffer, each after its length in 7-bit
// groups (low group first, high bit set on all but the last): a short text costs one
// byte more than itself, where a string object of its own would cost 32 and a heap block.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace th {

inline void appendWithLength(std::string& out, std::string_view text) {
    size_t n = text.size();
    while (n >= 0x80) {
        out.push_back(static_cast<char>((n & 0x7F) | 0x80));
        n >>= 7;
    }
    out.push_back(static_cast<char>(n));
    out.append(text);
}

// The same into memory the caller has sized; returns the end of what was written.
inline char* writeWithLength(char* out, std::string_view text) {
    size_t n = text.size();
    while (n >= 0x80) {
        *out++ = static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    *out++ = static_cast<char>(n);
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// The text at p, moving p past it.
inline std::string_view nextWithLength(const char*& p) {
    size_t n = 0;
    int shift = 0;
    for (;;) {
        auto byte = static_cast<unsigned char>(*p++);
        n |= static_cast<size_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) break;
        shift += 7;
    }
    std::string_view text(p, n);
    p += n;
    return text;
}

}  // namespace th
