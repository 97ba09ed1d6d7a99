#pragma once
// What the export tests share: a main window's grid in a scratch folder of its own.

#include <gtest/gtest.h>

#include "tests/support/Files.h"
#include "tests/support/GridForm.h"

namespace th::test {

struct FormFixture : GridForm, ScratchFolder {};

}  // namespace th::test
