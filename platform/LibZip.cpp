#include "platform/LibZip.h"

#include "platform/Error.h"
#include "platform/LoadedLibrary.h"

namespace th {

namespace {

// The build names the file of the libzip it was built against, so that no other version's
// functions are taken for its own.
constexpr loaded_library::Need kLibZip = {
    TALLYHOUND_LIBZIP_FILE, "The zip library", TALLYHOUND_LIBZIP_PACKAGE,
    "to make backups",      err::kZip,         ".XZipper"};

}  // namespace

const LibZip& libzip() {
#define TH_LIBZIP_SLOT(name) {#name, &functions.name},
    return loaded_library::loadOnce<LibZip>(kLibZip, [](LibZip& functions) {
        return std::vector<loaded_library::FunctionSlot>{TH_LIBZIP_FUNCTIONS(TH_LIBZIP_SLOT)};
    });
#undef TH_LIBZIP_SLOT
}

}  // namespace th
