#pragma once
// Whether the window can be shown at all, decided before Qt starts: without a display
// Qt would abort with its plugin error.

#include <functional>
#include <string>

namespace th {

using EnvironmentLookup = std::function<const char*(const char*)>;

// True when neither an X nor a Wayland display is named and no Qt platform is chosen.
bool noDisplay(const EnvironmentLookup& getenv);

// What to tell the person instead: one line on why, then the command-line tool's
// equivalents of the window's commands, on the database db (--db) when one was given.
std::string noDisplayMessage(const std::string& db = {});

inline constexpr int kExitNoDisplay = 2;

}  // namespace th
