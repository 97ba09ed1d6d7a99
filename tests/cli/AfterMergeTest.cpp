#include <gtest/gtest.h>

#include <chrono>

#include "cli/AfterMerge.h"

namespace th::cli {
namespace {

using namespace std::chrono_literals;

TEST(AfterMerge, WordsAreSplitAtSpacesAndNothingElse) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {}},
        {" rcon  -p 'secret word'\tban ", {"rcon", "-p", "'secret", "word'", "ban"}},
        {"a;b $(x) `y` |z", {"a;b", "$(x)", "`y`", "|z"}},  // no shell reads them
    };
    for (const auto& [command, words] : cases) EXPECT_EQ(commandWords(command), words) << command;
}

// The command's outcome in words, or nothing when it succeeded; one that takes too long
// is stopped.
TEST(AfterMerge, WhatWentWrongIsSaid) {
    const std::string bans = "/srv/pb/pbbans.dat";
    EXPECT_EQ(runAfterMerge({"/bin/true"}, bans, 3, 5s), "");  // its environment: follow's test
    EXPECT_EQ(runAfterMerge({"/bin/sh", "-c", "exit 7"}, bans, 1, 5s),
              "/bin/sh exited with status 7");
    EXPECT_EQ(runAfterMerge({"/no/such/program"}, bans, 1, 5s),
              "/no/such/program could not be started: No such file or directory");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runAfterMerge({"/bin/sleep", "30"}, bans, 1, 300ms),
              "/bin/sleep did not finish within 0.3 seconds and was stopped");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

}  // namespace
}  // namespace th::cli
