#include "platform/XZipper.h"

#include <sys/stat.h>
#include <zip.h>

#include <cerrno>

#include "platform/Error.h"

namespace th {

namespace {

Error zipError(const std::string& what, const std::string& path) {
    return Error(err::kZip, appBaseName() + ".XZipper", what + ": " + path);
}

std::string entryName(const std::string& path, bool storePaths) {
    if (storePaths) {
        size_t start = path.find_first_not_of('/');
        return start == std::string::npos ? path : path.substr(start);
    }
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void XZipper::resetOptions() {
    archive_.clear();
    level_ = 6;
    storePaths_ = false;
    append_ = false;
    overwrite_ = false;
}

void XZipper::write() {
    if (archive_.empty()) throw zipError("No archive name given", archive_);
    // libzip writes no archive at all for an empty list; an empty backup is a failure.
    if (files_.empty()) throw zipError("No file to add to the archive", archive_);
    // Each file must be there now: libzip only reads them when the archive is written.
    for (const auto& file : files_) {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0) throw Error::fromErrno(errno, file);
        if (!S_ISREG(st.st_mode)) throw Error::fromErrno(EISDIR, file);
    }

    int flags = ZIP_CREATE;
    if (!append_) flags |= overwrite_ ? ZIP_TRUNCATE : ZIP_EXCL;
    int code = 0;
    zip_t* za = zip_open(archive_.c_str(), flags, &code);
    if (!za) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw zipError(text, archive_);
    }
    auto fail = [&](const std::string& text) {
        zip_discard(za);
        return zipError(text, archive_);
    };
    for (const auto& file : files_) {
        zip_source_t* source = zip_source_file(za, file.c_str(), 0, 0);
        if (!source) throw fail(zip_strerror(za));
        zip_int64_t index = zip_file_add(za, entryName(file, storePaths_).c_str(), source,
                                         ZIP_FL_OVERWRITE | ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(source);
            throw fail(zip_strerror(za));
        }
        int method = level_ == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        if (zip_set_file_compression(za, static_cast<zip_uint64_t>(index), method,
                                     static_cast<zip_uint32_t>(level_)) != 0)
            throw fail(zip_strerror(za));
    }
    // libzip writes to a temporary file and renames it into place, so a failure here
    // leaves no partial archive.
    if (zip_close(za) != 0) throw fail(zip_strerror(za));
}

}  // namespace th
