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
    LibPq functions;
#define TH_LIBPQ_SLOT(name) {#name, &functions.name},
    const std::string failure =
        loaded_library::loadFunctions(kLibrary, {TH_LIBPQ_FUNCTIONS(TH_LIBPQ_SLOT)});
#undef TH_LIBPQ_SLOT
    if (!failure.empty()) fail(failure);
    return functions;  // the library stays loaded for the program's life
}

}  // namespace

const LibPq& libpq() {
    // A failed load throws out of the initialisation, so the next call tries again.
    static const LibPq functions = load();
    return functions;
}

}  // namespace th
