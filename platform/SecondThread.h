#pragma once
// Work handed to a second thread, when one can be had.

#include <future>
#include <system_error>
#include <type_traits>
#include <utility>

namespace th {

// Starts the work on a thread of its own. When none can be started (a limit on threads), the
// work waits instead and runs on the thread that first waits for its result, so the caller's
// flow is the same either way.
template <typename Work>
std::future<std::invoke_result_t<Work&>> onSecondThread(Work work) {
    try {
        return std::async(std::launch::async, work);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, std::move(work));
    }
}

}  // namespace th
