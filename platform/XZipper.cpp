#include "platform/XZipper.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/Error.h"
#include "platform/FileOwner.h"
#include "platform/LibZip.h"
#include "platform/TempFile.h"
#include "platform/WriteAll.h"

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
    return baseOf(path);
}

std::string libzipText(zip_error_t* error) {
    return libzip().zip_error_strerror(error);
}

// The archive's bytes, put together by libzip in memory. Each entry gets entryMode as its
// permissions: for bytes in memory libzip's own is 0666 (unpacked, anyone could write it),
// and a file read may be a private copy of the one meant.
std::string buildArchive(const std::string& archive, const auto& entries, bool storePaths,
                         int level, mode_t entryMode) {
    const LibZip& zip = libzip();
    zip_error_t error;
    zip.zip_error_init(&error);
    zip_source_t* buffer = zip.zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer) throw zipError(libzipText(&error), archive);
    zip.zip_source_keep(buffer);  // read back once the archive is closed
    std::unique_ptr<zip_source_t, decltype(&::zip_source_free)> keep(buffer, zip.zip_source_free);
    zip_t* za = zip.zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!za) throw zipError(libzipText(&error), archive);
    auto fail = [&](const std::string& text) {
        zip.zip_discard(za);
        return zipError(text, archive);
    };
    for (const auto& entry : entries) {
        zip_source_t* source =
            entry.inMemory ? zip.zip_source_buffer(za, entry.bytes.data(), entry.bytes.size(), 0)
                           : zip.zip_source_file(za, entry.path.c_str(), 0, 0);
        if (!source) throw fail(zip.zip_strerror(za));
        const std::string name =
            !entry.name.empty() ? entry.name : entryName(entry.path, storePaths);
        zip_int64_t index =
            zip.zip_file_add(za, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip.zip_source_free(source);
            throw fail(zip.zip_strerror(za));
        }
        if (zip.zip_file_set_external_attributes(
                za, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                static_cast<zip_uint32_t>(S_IFREG | entryMode) << 16) != 0)
            throw fail(zip.zip_strerror(za));
        int method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        if (zip.zip_set_file_compression(za, static_cast<zip_uint64_t>(index), method,
                                         static_cast<zip_uint32_t>(level)) != 0)
            throw fail(zip.zip_strerror(za));
    }
    if (zip.zip_close(za) != 0) throw fail(zip.zip_strerror(za));

    std::string bytes;
    zip_stat_t st;
    if (zip.zip_source_stat(buffer, &st) != 0 || zip.zip_source_open(buffer) != 0)
        throw zipError(libzipText(zip.zip_source_error(buffer)), archive);
    bytes.resize(static_cast<size_t>(st.size));
    zip_int64_t n = zip.zip_source_read(buffer, bytes.data(), bytes.size());
    zip.zip_source_close(buffer);
    if (n != static_cast<zip_int64_t>(bytes.size()))
        throw zipError(libzipText(zip.zip_source_error(buffer)), archive);
    return bytes;
}

}  // namespace

void XZipper::resetOptions() {
    archive_.clear();
    like_.reset();
    likePath_.clear();
    level_ = 6;
    storePaths_ = false;
    append_ = false;
    overwrite_ = false;
}

void XZipper::write() {
    if (archive_.empty()) throw zipError("No archive name given", archive_);
    if (append_) throw zipError("Adding to an existing archive is not supported", archive_);
    // An empty backup is a failure, not an empty archive.
    if (entries_.empty()) throw zipError("No file to add to the archive", archive_);
    // Each file must be there now, and be a file.
    for (const auto& entry : entries_) {
        if (entry.inMemory) continue;
        struct stat st {};
        if (::stat(entry.path.c_str(), &st) != 0) throw Error::fromErrno(errno, entry.path);
        if (!S_ISREG(st.st_mode)) throw Error::fromErrno(EISDIR, entry.path);
    }
    if (!overwrite_ && ::access(archive_.c_str(), F_OK) == 0)
        throw ArchiveNameTaken(zipError("The file already exists", archive_));

    TempFile temp = createTempFor(archive_, 0600, archive_);
    auto fail = [&](int e) {
        ::close(temp.fd);
        ::unlink(temp.path.c_str());
        return Error::fromErrno(e, archive_);
    };
    // The archive, and the copy in it once unpacked, no more readable than the file.
    mode_t mode = 0600, entryMode = 0600;
    if (like_) {
        const KeptOwner kept = giveOwnerAndGroup(temp.fd, *like_);
        mode = like_->st_mode & 0666;
        if (!kept.group) mode &= ~static_cast<mode_t>(0070);
        // With an access list, the group's bits are the list's mask, not what the file's
        // group may do: the archive takes the list, and the copy inside, which is unpacked
        // without it, its owner's bits only. The list names the file's group, so an archive
        // of another group goes without it.
        const std::string list = accessListAt(likePath_);
        entryMode = list.empty() ? mode : mode & 0600;
        if (::fchmod(temp.fd, mode) != 0) throw fail(errno);
        if (!list.empty() && kept.group)
            if (const int e = giveAccessList(temp.fd, list)) throw fail(e);
    }
    std::string bytes;
    try {
        bytes = buildArchive(archive_, entries_, storePaths_, level_, entryMode);
    } catch (...) {
        ::close(temp.fd);
        ::unlink(temp.path.c_str());
        throw;
    }
    if (const int failed = writeAll(temp.fd, bytes)) throw fail(failed);
    if (::fsync(temp.fd) != 0) throw fail(errno);
    // The archive takes its name only when the name is free: a plain rename would replace.
    int placed = ::renameat2(AT_FDCWD, temp.path.c_str(), AT_FDCWD, archive_.c_str(),
                             overwrite_ ? 0 : RENAME_NOREPLACE);
    if (placed != 0 && errno == EINVAL && !overwrite_) {
        // A file system without that rename (a network share): a second name, then the
        // temporary one goes.
        placed = ::link(temp.path.c_str(), archive_.c_str());
        if (placed == 0) ::unlink(temp.path.c_str());
    }
    if (placed != 0) {
        if (errno == EEXIST) {
            ArchiveNameTaken exists(zipError("The file already exists", archive_));
            (void)fail(EEXIST);
            throw exists;
        }
        throw fail(errno);
    }
    ::close(temp.fd);
    try {
        syncFolder(folderOf(archive_), archive_);
    } catch (...) {
        // A failed write leaves no archive, whose name might not last anyway.
        ::unlink(archive_.c_str());
        throw;
    }
}

EntryHead firstEntry(const std::string& archive) {
    // A pipe of an archive's name would be waited on for ever: only a file is read.
    const int fd = ::open(archive.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {};
    }
    // Signature "PK\3\4"; the CRC at byte 14, the size at 22, the name's length at 26 and
    // the name from byte 30.
    unsigned char head[30];
    EntryHead entry;
    const auto word = [&](int at) {
        return static_cast<uint32_t>(head[at] | head[at + 1] << 8 | head[at + 2] << 16) |
               static_cast<uint32_t>(head[at + 3]) << 24;
    };
    if (::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head) && head[0] == 'P' &&
        head[1] == 'K' && head[2] == 3 && head[3] == 4) {
        entry.crc = word(14);
        entry.size = word(22);
        entry.name.resize(static_cast<size_t>(head[26] | head[27] << 8));
        if (::pread(fd, entry.name.data(), entry.name.size(), sizeof head) !=
            static_cast<ssize_t>(entry.name.size()))
            entry = {};
    }
    ::close(fd);
    return entry;
}

std::optional<std::string> onlyEntryBytes(const std::string& archive) {
    if (firstEntry(archive).name.empty()) return std::nullopt;  // no file, or no zip
    try {
        const LibZip& zip = libzip();
        int error = 0;
        zip_t* za = zip.zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!za) return std::nullopt;
        std::optional<std::string> bytes;
        zip_stat_t st;
        if (zip.zip_get_num_entries(za, 0) == 1 && zip.zip_stat_index(za, 0, 0, &st) == 0) {
            if (zip_file_t* file = zip.zip_fopen_index(za, 0, 0)) {
                // libzip checks the CRC once the file is read to its end.
                std::string read(st.size, '\0');
                const zip_int64_t got = zip.zip_fread(file, read.data(), read.size());
                char more = 0;
                const bool whole =
                    got == static_cast<zip_int64_t>(st.size) && zip.zip_fread(file, &more, 1) == 0;
                if (zip.zip_fclose(file) == 0 && whole) bytes = std::move(read);
            }
        }
        zip.zip_discard(za);
        return bytes;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace th
