#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/Error.h"

namespace th::test {

// What a call raised, as "source number: description", or "" when it completed.
inline std::string raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.source() + " " + std::to_string(e.number()) + ": " + e.description();
    }
    return "";
}

// A fresh folder of its own for each test.
struct TempFolderTest : ::testing::Test {
    void SetUp() override {
        std::string pattern = std::filesystem::temp_directory_path() / "tallyhound-XXXXXX";
        dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

}  // namespace th::test
