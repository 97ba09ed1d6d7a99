#include "bans/LibPq.h"

#include <string>

#include "platform/Error.h"
#include "platform/LoadedLibrary.h"

namespace th {

namespace {

#ifdef _WIN32
constexpr const char* kLibrary = "libpq.dll";
#else
constexpr const char* kLibrary = "libpq.so.5";
#endif

[[noreturn]] void fail(const std::string& reason) {
    throw Error(err::kDatabase, appBaseName() + ".Connection",
                "PostgreSQL's client library (" + std::string(kLibrary) +
                    ") could not be loaded: " + reason +
                    ". Install it (on Debian: apt-get install libpq5) to use a PostgreSQL "
                    "ban database.");
}

LibPq load() {
    void* library = loaded_library::open(kLibrary);
    if (!library) fail(loaded_library::why());
    LibPq functions;
#define TH_LIBPQ_LOAD(name)                                                            \
    functions.name =                                                                   \
        reinterpret_cast<decltype(&::name)>(loaded_library::symbol(library, #name)); \
    if (!functions.name) fail(loaded_library::why());
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
