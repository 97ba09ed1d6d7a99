#pragma once
// libzip, loaded the first time a backup is made rather than with the program: with the
// compression and cryptography libraries it brings, loading it took about 4 ms of every
// start, while most runs (a scan, an HTML page) never make a zip.

#include <zip.h>

namespace th {

#define TH_LIBZIP_FUNCTIONS(X)          \
    X(zip_close)                        \
    X(zip_discard)                      \
    X(zip_error_init)                   \
    X(zip_error_strerror)               \
    X(zip_fclose)                       \
    X(zip_file_add)                     \
    X(zip_file_set_external_attributes) \
    X(zip_fopen_index)                  \
    X(zip_fread)                        \
    X(zip_get_num_entries)              \
    X(zip_open)                         \
    X(zip_open_from_source)             \
    X(zip_set_file_compression)         \
    X(zip_source_buffer)                \
    X(zip_source_buffer_create)         \
    X(zip_source_close)                 \
    X(zip_source_error)                 \
    X(zip_source_file)                  \
    X(zip_source_free)                  \
    X(zip_source_keep)                  \
    X(zip_source_open)                  \
    X(zip_source_read)                  \
    X(zip_source_stat)                  \
    X(zip_stat_index)                   \
    X(zip_strerror)

// The functions the program calls, each under its own name.
struct LibZip {
#define TH_LIBZIP_POINTER(name) decltype(&::name) name = nullptr;
    TH_LIBZIP_FUNCTIONS(TH_LIBZIP_POINTER)
#undef TH_LIBZIP_POINTER
};

// The library, loaded on the first call; throws th::Error saying why when it cannot be.
const LibZip& libzip();

}  // namespace th
