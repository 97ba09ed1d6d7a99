#include "platform/LoadedLibrary.h"

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

}  // namespace th::loaded_library
