// Kills a child process with SIGKILL in the middle of its writes to a workspace, the way a user's
// process can die while it saves. The child's SQLite writes pass through a file layer that counts them
// and kills the process at a chosen one, so every point of a save can be reached without timing luck.
#pragma once

#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace saveinterruption {

// What the armed child does: count writes and report them, or die at one.
struct Plan {
    bool armed = false;
    uint64_t killAtWrite = 0;  // 1-based; 0: never by count
    bool killAtGrowth = false; // at the first write that makes the workspace file longer
    uint64_t writes = 0;
};

inline Plan& plan() {
    static Plan p;
    return p;
}

// Every io method forwards to the real file; xWrite first counts and may kill.
struct ShimFile {
    sqlite3_file base;
    sqlite3_file* real;
    bool mainDb;
};

inline sqlite3_vfs*& realVfs() {
    static sqlite3_vfs* v = nullptr;
    return v;
}

inline ShimFile* shim(sqlite3_file* f) {
    return reinterpret_cast<ShimFile*>(f);
}

inline int shimClose(sqlite3_file* f) {
    int rc = shim(f)->real->pMethods ? shim(f)->real->pMethods->xClose(shim(f)->real) : SQLITE_OK;
    return rc;
}
inline int shimRead(sqlite3_file* f, void* p, int n, sqlite3_int64 o) {
    return shim(f)->real->pMethods->xRead(shim(f)->real, p, n, o);
}
inline int shimWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
    Plan& pl = plan();
    if (pl.armed) {
        ++pl.writes;
        bool grows = false;
        if (pl.killAtGrowth && shim(f)->mainDb) {
            sqlite3_int64 size = 0;
            shim(f)->real->pMethods->xFileSize(shim(f)->real, &size);
            grows = o + n > size;
        }
        if (grows || (pl.killAtWrite && pl.writes == pl.killAtWrite))
            ::kill(::getpid(), SIGKILL);
    }
    return shim(f)->real->pMethods->xWrite(shim(f)->real, p, n, o);
}
inline int shimTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return shim(f)->real->pMethods->xTruncate(shim(f)->real, size);
}
inline int shimSync(sqlite3_file* f, int flags) {
    return shim(f)->real->pMethods->xSync(shim(f)->real, flags);
}
inline int shimFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return shim(f)->real->pMethods->xFileSize(shim(f)->real, size);
}
inline int shimLock(sqlite3_file* f, int level) {
    return shim(f)->real->pMethods->xLock(shim(f)->real, level);
}
inline int shimUnlock(sqlite3_file* f, int level) {
    return shim(f)->real->pMethods->xUnlock(shim(f)->real, level);
}
inline int shimCheckReservedLock(sqlite3_file* f, int* out) {
    return shim(f)->real->pMethods->xCheckReservedLock(shim(f)->real, out);
}
inline int shimFileControl(sqlite3_file* f, int op, void* arg) {
    return shim(f)->real->pMethods->xFileControl(shim(f)->real, op, arg);
}
inline int shimSectorSize(sqlite3_file* f) {
    return shim(f)->real->pMethods->xSectorSize(shim(f)->real);
}
inline int shimDeviceCharacteristics(sqlite3_file* f) {
    return shim(f)->real->pMethods->xDeviceCharacteristics(shim(f)->real);
}
inline int shimShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return shim(f)->real->pMethods->xShmMap(shim(f)->real, region, size, extend, out);
}
inline int shimShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return shim(f)->real->pMethods->xShmLock(shim(f)->real, offset, n, flags);
}
inline void shimShmBarrier(sqlite3_file* f) {
    shim(f)->real->pMethods->xShmBarrier(shim(f)->real);
}
inline int shimShmUnmap(sqlite3_file* f, int deleteFlag) {
    return shim(f)->real->pMethods->xShmUnmap(shim(f)->real, deleteFlag);
}

inline const sqlite3_io_methods* shimMethods() {
    static const sqlite3_io_methods methods = {
        2,
        shimClose,
        shimRead,
        shimWrite,
        shimTruncate,
        shimSync,
        shimFileSize,
        shimLock,
        shimUnlock,
        shimCheckReservedLock,
        shimFileControl,
        shimSectorSize,
        shimDeviceCharacteristics,
        shimShmMap,
        shimShmLock,
        shimShmBarrier,
        shimShmUnmap,
        nullptr,
        nullptr,
    };
    return &methods;
}

inline int shimOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    ShimFile* s = shim(f);
    s->real = reinterpret_cast<sqlite3_file*>(s + 1);
    s->mainDb = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    int rc = realVfs()->xOpen(realVfs(), name, s->real, flags, outFlags);
    // SQLite calls xClose only when the real file has methods; so must the shim.
    s->base.pMethods = s->real->pMethods ? shimMethods() : nullptr;
    return rc;
}

// Makes the counting layer the default for connections opened from now on in this process.
inline void install() {
    static sqlite3_vfs vfs;
    if (realVfs())
        return;
    realVfs() = sqlite3_vfs_find(nullptr);
    vfs = *realVfs();
    vfs.zName = "save-interruption";
    vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + realVfs()->szOsFile;
    vfs.xOpen = shimOpen;
    sqlite3_vfs_register(&vfs, 1);
}

// How a child ended: killed by SIGKILL, or at its end with the number of writes its body made, or
// in some other way (`failed`: an exit status, a crash, a lost report).
struct Outcome {
    bool killed = false;
    bool failed = false;
    uint64_t writes = 0;
};

// Runs setUp and then, counting its writes under the plan, body in a child process.
inline Outcome runChild(Plan armedPlan, const std::function<void()>& setUp,
                        const std::function<void()>& body) {
    int fds[2];
    Outcome out;
    if (::pipe(fds) != 0) {
        out.failed = true;
        return out;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        install();
        setUp();
        armedPlan.armed = true;
        armedPlan.writes = 0;
        plan() = armedPlan;
        body();
        plan().armed = false;
        const uint64_t writes = plan().writes;
        (void)!::write(fds[1], &writes, sizeof writes);
        ::_exit(0);
    }
    ::close(fds[1]);
    uint64_t writes = 0;
    ssize_t got = 0;
    while ((got = ::read(fds[0], &writes, sizeof writes)) < 0 && errno == EINTR) {
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
        out.killed = true;
        return out;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got != static_cast<ssize_t>(sizeof writes)) {
        out.failed = true;
        return out;
    }
    out.writes = writes;
    return out;
}

} // namespace saveinterruption
