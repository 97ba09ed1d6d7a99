#pragma once
// A library loaded the first time the program needs it rather than with the program, so
// that runs which never need it do not pay for loading it and what it brings along.

#include <initializer_list>
#include <string>

namespace th::loaded_library {

// The library's handle, or nullptr (why() says what went wrong). It stays loaded for the
// program's life.
void* open(const char* file);
// The function's address in the library, or nullptr (why() says what went wrong).
void* symbol(void* library, const char* name);
// Why the last open or symbol failed, in the system's words.
std::string why();

// A function to look up, and the address of the pointer that gets it.
struct FunctionSlot {
    const char* name;
    void* pointer;
};
// Opens file and fills each slot with its function's address: empty when every one was
// found, else why not.
std::string loadFunctions(const char* file, std::initializer_list<FunctionSlot> slots);

}  // namespace th::loaded_library
