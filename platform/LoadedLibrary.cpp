#include "platform/LoadedLibrary.h"

#include <cstring>

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

std::string loadFunctions(const char* file, std::initializer_list<FunctionSlot> slots) {
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

}  // namespace th::loaded_library
