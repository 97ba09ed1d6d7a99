#pragma once
// A library loaded the first time the program needs it rather than with the program, so
// that runs which never need it do not pay for loading it and what it brings along.

#include <cstdint>
#include <string>
#include <vector>

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
std::string loadFunctions(const char* file, const std::vector<FunctionSlot>& slots);

// A library the program loads, and what to tell the user when it cannot be loaded:
// "<what> (<file>) could not be loaded: <why>. Install it (on Debian: apt-get install
// <package>) <purpose>.", as error number error from the program's <source>.
struct Need {
    const char* file;
    const char* what;
    const char* package;
    const char* purpose;
    int32_t error;
    const char* source;
};
// Opens the library and fills every slot; throws th::Error with that message otherwise.
void load(const Need& need, const std::vector<FunctionSlot>& slots);

// The library's functions, loaded on the first call: slotsOf(functions) names each one
// and the pointer that gets it. A failed load throws out of the initialisation, so the
// next call tries again.
template <class Functions, class SlotsOf>
const Functions& loadOnce(const Need& need, SlotsOf slotsOf) {
    static const Functions functions = [&] {
        Functions loaded;
        load(need, slotsOf(loaded));
        return loaded;
    }();
    return functions;  // the library stays loaded for the program's life
}

}  // namespace th::loaded_library
