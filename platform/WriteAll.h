#pragma once
// Writes every byte to a descriptor, however many calls it takes.

#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/EscapedText.h"

namespace th {

// 0 once every byte is written, else the errno of the write that failed.
inline int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;  // nothing taken and no reason given: it would never end
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// As writeAll; to a terminal, with its control bytes escaped as EscapedText.h's Terminal
// says, so that the text of a log or ban file in a page or an export cannot steer it.
inline int writeShown(int fd, std::string_view bytes, bool terminal) {
    if (!terminal) return writeAll(fd, bytes);
    std::string shown;
    appendEscaped(shown, bytes, ControlBytes::Terminal);
    return writeAll(fd, shown);
}

// How many of the bytes a writeShown should take while more are to follow: to a terminal,
// a last byte that may begin a character escaped there waits for the one after it, or the
// two would be written apart, unescaped.
inline size_t shownNow(std::string_view bytes, bool terminal) {
    return terminal && !bytes.empty() && bytes.back() == '\xC2' ? bytes.size() - 1 : bytes.size();
}

}  // namespace th
