#include "platform/LoadedLibrary.h"

#include <cstring>

#include "platform/Error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace th::loaded_library {

#ifdef _WIN32
void* open(const char* file) {
    return reinterpret_cast<void*>(::LoadLibraryA(file));
}
void* symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}
std::string why() {
    return "error " + std::to_string(::GetLastError());
}
#else
void* open(const char* file) {
    return ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
}
void* symbol(void* library, const char* name) {
    return ::dlsym(library, name);
}
std::string why() {
    const char* text = ::dlerror();
    return text ? text : "unknown reason";
}
#endif

std::string loadFunctions(const char* file, const std::vector<FunctionSlot>& slots) {
    void* library = open(file);
    if (!library) return why();
    for (const FunctionSlot& slot : slots) {
        void* address = symbol(library, slot.name);
        if (!address) return why();
        // A function's address fits a data pointer on every system the program runs on.
        std::memcpy(slot.pointer, &address, sizeof address);
    }
    return {};
}

void load(const Need& need, const std::vector<FunctionSlot>& slots) {
    const std::string failure = loadFunctions(need.file, slots);
    if (failure.empty()) return;
    // Installing helps where it is missing or lacks a function, not where the system ran
    // short (too many open files, say), which its own words tell.
    const bool missing = failure.find("No such file or directory") != std::string::npos ||
                         failure.find("undefined symbol") != std::string::npos;
    throw Error(need.error, appBaseName() + need.source,
                std::string(need.what) + " (" + need.file + ") could not be loaded: " + failure +
                    (missing ? ". Install it (on Debian: apt-get install " +
                                   std::string(need.package) + ") " + need.purpose + "."
                             : "."));
}

}  // namespace th::loaded_library
