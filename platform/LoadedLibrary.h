#pragma once
// A library loaded the first time the program needs it rather than with the program, so
// that runs which never need it do not pay for loading it and what it brings along.

#include <string>

namespace th::loaded_library {

// The library's handle, or nullptr (why() says what went wrong). It stays loaded for the
// program's life.
void* open(const char* file);
// The function's address in the library, or nullptr (why() says what went wrong).
void* symbol(void* library, const char* name);
// Why the last open or symbol failed, in the system's words.
std::string why();

}  // namespace th::loaded_library
