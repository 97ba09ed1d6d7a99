#include "cli/StandardOutput.h"

#include <cstring>

#include "platform/WriteAll.h"

namespace th::cli {

namespace {
constexpr size_t kBufferBytes = 64 * 1024;
}

StandardOutput::StandardOutput(int fd)
    : fd_(fd), terminal_(::isatty(fd) == 1), buffer_(kBufferBytes) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

StandardOutput::~StandardOutput() {
    drain();
}

bool StandardOutput::drain(bool more) {
    const std::string_view pending(pbase(), static_cast<size_t>(pptr() - pbase()));
    const size_t now = more ? shownNow(pending, terminal_) : pending.size();
    // Once a write has failed, nothing more is written: the output is incomplete already.
    if (failure_ == 0) failure_ = writeShown(fd_, pending.substr(0, now), terminal_);
    const size_t kept = pending.size() - now;
    std::memmove(buffer_.data(), pending.data() + now, kept);
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    pbump(static_cast<int>(kept));
    return failure_ == 0;
}

StandardOutput::int_type StandardOutput::overflow(int_type c) {
    if (!drain(true)) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int StandardOutput::sync() {
    return drain() ? 0 : -1;
}

}  // namespace th::cli
