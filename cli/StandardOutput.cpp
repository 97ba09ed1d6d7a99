#include "cli/StandardOutput.h"

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

bool StandardOutput::drain() {
    // Once a write has failed, nothing more is written: the output is incomplete already.
    if (failure_ == 0)
        failure_ = writeShown(fd_, {pbase(), static_cast<size_t>(pptr() - pbase())}, terminal_);
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return failure_ == 0;
}

StandardOutput::int_type StandardOutput::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int StandardOutput::sync() {
    return drain() ? 0 : -1;
}

}  // namespace th::cli
