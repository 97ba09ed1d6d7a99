#pragma once
// Past a limit on file sizes (ulimit -f) the kernel ends a program that writes with
// SIGXFSZ, without a word. Ignored, the write fails (EFBIG) instead, and the program says
// so and leaves the file as it was. Programs it starts get the default back.

#include <csignal>

namespace th {

inline void failWritesPastFileSizeLimit() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace th
