#pragma once
// Finding an installed program the way a shell does, through PATH.

#include <string>

namespace th {

// The full path of the program: a name with a "/" is taken as it is, any other is
// looked up in the folders of PATH. Empty when no runnable file is found.
std::string findProgramOnPath(const std::string& name);

}  // namespace th
