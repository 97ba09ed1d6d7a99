#include "platform/LibZip.h"

#include <string>

#include "platform/Error.h"
#include "platform/LoadedLibrary.h"

namespace th {

namespace {

// The build names the file of the libzip it was built against, so that no other version's
// functions are taken for its own.
constexpr const char* kLibrary = TALLYHOUND_LIBZIP_FILE;

[[noreturn]] void fail(const std::string& reason) {
    throw Error(err::kZip, appBaseName() + ".XZipper",
                "The zip library (" + std::string(kLibrary) + ") could not be loaded: " + reason +
                    ". Install it (on Debian: apt-get install " TALLYHOUND_LIBZIP_PACKAGE
                    ") to make backups.");
}

LibZip load() {
    LibZip functions;
#define TH_LIBZIP_SLOT(name) {#name, &functions.name},
    const std::string failure =
        loaded_library::loadFunctions(kLibrary, {TH_LIBZIP_FUNCTIONS(TH_LIBZIP_SLOT)});
#undef TH_LIBZIP_SLOT
    if (!failure.empty()) fail(failure);
    return functions;  // the library stays loaded for the program's life
}

}  // namespace

const LibZip& libzip() {
    // A failed load throws out of the initialisation, so the next call tries again.
    static const LibZip functions = load();
    return functions;
}

}  // namespace th
