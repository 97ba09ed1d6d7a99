#include "bans/LibPq.h"

#include "platform/Error.h"
#include "platform/LoadedLibrary.h"

namespace th {

namespace {

constexpr loaded_library::Need kLibPq = {
#ifdef _WIN32
    "libpq.dll",
#else
    "libpq.so.5",
#endif
    "PostgreSQL's client library",
    "libpq5",
    "to use a PostgreSQL ban database",
    err::kDatabase,
    ".Connection"};

}  // namespace

const LibPq& libpq() {
#define TH_LIBPQ_SLOT(name) {#name, &functions.name},
    return loaded_library::loadOnce<LibPq>(kLibPq, [](LibPq& functions) {
        return std::vector<loaded_library::FunctionSlot>{TH_LIBPQ_FUNCTIONS(TH_LIBPQ_SLOT)};
    });
#undef TH_LIBPQ_SLOT
}

}  // namespace th
