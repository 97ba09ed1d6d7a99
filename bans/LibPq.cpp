#include "bans/LibPq.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <string>

#include "platform/Error.h"

namespace th {

namespace {

#ifdef _WIN32
constexpr const char* kLibrary = "libpq.dll";
void* open() {
    return reinterpret_cast<void*>(::LoadLibraryA(kLibrary));
}
void* symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}
std::string why() {
    return "error " + std::to_string(::GetLastError());
}
#else
constexpr const char* kLibrary = "libpq.so.5";
void* open() {
    return ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
}
void* symbol(void* library, const char* name) {
    return ::dlsym(library, name);
}
std::string why() {
    const char* text = ::dlerror();
    return text ? text : "unknown reason";
}
#endif

[[noreturn]] void fail(const std::string& reason) {
    throw Error(err::kDatabase, appBaseName() + ".Connection",
                "PostgreSQL's client library (" + std::string(kLibrary) +
                    ") could not be loaded: " + reason +
                    ". Install it (on Debian: apt-get install libpq5) to use a PostgreSQL "
                    "ban database.");
}

LibPq load() {
    void* library = open();
    if (!library) fail(why());
    LibPq functions;
#define TH_LIBPQ_LOAD(name)                                                       \
    functions.name = reinterpret_cast<decltype(&::name)>(symbol(library, #name)); \
    if (!functions.name) fail(why());
    TH_LIBPQ_FUNCTIONS(TH_LIBPQ_LOAD)
#undef TH_LIBPQ_LOAD
    return functions;  // the library stays loaded for the program's life
}

}  // namespace

const LibPq& libpq() {
    // A failed load throws out of the initialisation, so the next call tries again.
    static const LibPq functions = load();
    return functions;
}

}  // namespace th
