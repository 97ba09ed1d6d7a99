#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/Error.h"
#include "tests/support/Files.h"

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
struct TempFolderTest : ::testing::Test, ScratchFolder {};

}  // namespace th::test
