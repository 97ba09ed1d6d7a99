#include "tests/faults/FaultShim.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace th::test::faults {
namespace {

Mode g_mode = Mode::Count;
int g_target = 0;
// The merge backs the ban file up on a second thread: both count.
std::atomic<int> g_calls = 0;
bool g_armed = false;

// 0 to go on with the real call, else the errno to fail it with.
int hit() {
    if (!g_armed) return 0;
    if (++g_calls != g_target || g_mode == Mode::Count) return 0;
    if (g_mode == Mode::Kill) ::_exit(99);
    return ENOSPC;
}

int sqliteFault(int ioerr) {
    int e = hit();
    return e == 0 ? SQLITE_OK : e == ENOSPC ? SQLITE_FULL : ioerr;
}

// --- SQLite: a VFS in front of the default one ---

sqlite3_vfs* g_base = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;

struct ShimFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* realOf(sqlite3_file* f) {
    return reinterpret_cast<ShimFile*>(f)->real;
}

// A method of the real file, called with the same arguments.
template <auto method, typename... Args>
int forward(sqlite3_file* f, Args... args) {
    return (realOf(f)->pMethods->*method)(realOf(f), args...);
}
// The same, after the fault check that can fail it with ioerr.
template <auto method, int ioerr, typename... Args>
int faulting(sqlite3_file* f, Args... args) {
    if (int rc = sqliteFault(ioerr)) return rc;
    return forward<method>(f, args...);
}

int shimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* shim = reinterpret_cast<ShimFile*>(f);
    shim->base.pMethods = nullptr;
    shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
    if (int rc = sqliteFault(SQLITE_CANTOPEN)) return rc;
    int rc = g_base->xOpen(g_base, name, shim->real, flags, outFlags);
    if (shim->real->pMethods) shim->base.pMethods = &g_methods;
    return rc;
}
int shimDelete(sqlite3_vfs*, const char* name, int syncDir) {
    if (int rc = sqliteFault(SQLITE_IOERR_DELETE)) return rc;
    return g_base->xDelete(g_base, name, syncDir);
}
int shimAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return g_base->xAccess(g_base, name, flags, out);
}
int shimFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
    return g_base->xFullPathname(g_base, name, n, out);
}

}  // namespace

void install() {
    if (g_base) return;
    g_base = sqlite3_vfs_find(nullptr);
    g_vfs = *g_base;
    g_vfs.iVersion = 1;
    g_vfs.zName = "faults";
    g_vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + g_base->szOsFile;
    g_vfs.xOpen = shimOpen;
    g_vfs.xDelete = shimDelete;
    g_vfs.xAccess = shimAccess;
    g_vfs.xFullPathname = shimFullPathname;
    g_methods = {};
    g_methods.iVersion = 1;  // no shared memory: the ban database keeps a rollback journal
    using M = sqlite3_io_methods;
    g_methods.xClose = forward<&M::xClose>;
    g_methods.xRead = forward<&M::xRead>;
    g_methods.xWrite = faulting<&M::xWrite, SQLITE_IOERR_WRITE>;
    g_methods.xTruncate = faulting<&M::xTruncate, SQLITE_IOERR_TRUNCATE>;
    g_methods.xSync = faulting<&M::xSync, SQLITE_IOERR_FSYNC>;
    g_methods.xFileSize = forward<&M::xFileSize>;
    g_methods.xLock = forward<&M::xLock>;
    g_methods.xUnlock = forward<&M::xUnlock>;
    g_methods.xCheckReservedLock = forward<&M::xCheckReservedLock>;
    g_methods.xFileControl = forward<&M::xFileControl>;
    g_methods.xSectorSize = forward<&M::xSectorSize>;
    g_methods.xDeviceCharacteristics = forward<&M::xDeviceCharacteristics>;
    sqlite3_vfs_register(&g_vfs, 1);
}

void arm(Mode mode, int k) {
    g_mode = mode;
    g_target = k;
    g_calls = 0;
    g_armed = true;
}

void disarm() {
    g_armed = false;
}

int calls() {
    return g_calls;
}

}  // namespace th::test::faults

// --- the program's own calls, wrapped by the linker (-Wl,--wrap=NAME) ---

using th::test::faults::hit;

// __wrap_NAME fails with the fault's errno when its call is the one, else calls __real_NAME.
#define FAULTING(Result, name, params, args)     \
    Result __real_##name params;                 \
    Result __wrap_##name params {                \
        if (int e = hit()) return errno = e, -1; \
        return __real_##name args;               \
    }

extern "C" {
int __real_open(const char* path, int flags, ...);

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if (int e = hit()) return errno = e, -1;
    return __real_open(path, flags, mode);
}
FAULTING(ssize_t, write, (int fd, const void* data, size_t size), (fd, data, size))
FAULTING(int, fsync, (int fd), (fd))
FAULTING(int, rename, (const char* from, const char* to), (from, to))
FAULTING(int, renameat2, (int fromDir, const char* from, int toDir, const char* to, unsigned flags),
         (fromDir, from, toDir, to, flags))
FAULTING(int, unlink, (const char* path), (path))
FAULTING(int, link, (const char* from, const char* to), (from, to))
FAULTING(int, fsetxattr, (int fd, const char* name, const void* value, size_t size, int flags),
         (fd, name, value, size, flags))
}
