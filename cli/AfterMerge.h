#pragma once
// follow --after-merge: a fixed command run after each merge that added bans, so that an
// administrator can have the game server reload its ban file. No shell ever sees it, and
// no text from a log reaches its arguments: what it needs comes in its environment.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace th::cli {

// The environment variables the command finds.
inline constexpr const char* kBanFileVariable = "TALLYHOUND_BANS";
inline constexpr const char* kNewBansVariable = "TALLYHOUND_NEW_BANS";
inline constexpr const char* kLiftedBansVariable = "TALLYHOUND_LIFTED_BANS";

// The command's words: split at spaces and tabs, nothing quoted, nothing expanded.
std::vector<std::string> commandWords(const std::string& command);

// Why the program cannot be started, looked up as runAfterMerge looks it up, or nothing
// when it can: a typo is a configuration error at start, not a failure after the first ban.
std::string whyNotRunnable(const std::string& program);

// How long a command still running when a stop is asked for may go on: a game server's
// reload cut short by a stop was never made up for, as the bans it was for are in the file.
inline constexpr std::chrono::milliseconds kAfterStopGrace{5000};

// Runs the program (looked up in PATH when it holds no "/") with the ban file's path, the
// number of new bans and the number of lines of lifted bans taken out of it added to the
// environment, and waits for it, at most limit, and at most stopGrace once a stop is asked
// for (it is killed after that). Returns what went wrong, or nothing when it exited with
// status 0.
std::string runAfterMerge(const std::vector<std::string>& words, const std::string& banFile,
                          int64_t newBans, int64_t liftedBans, std::chrono::milliseconds limit,
                          std::chrono::milliseconds stopGrace = kAfterStopGrace);

}  // namespace th::cli
