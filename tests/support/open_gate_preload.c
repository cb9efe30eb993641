/* Preloaded into a process under test (LD_PRELOAD): holds the first opening of one chosen file by
 * an export's thread (its worker, named "export", or one reading frames ahead for it, named
 * "export-read") or by playback's reader ("playback-read"), or the first time such a thread gives a file that name (link, rename), until the
 * test lets it go. A test can so interrupt or cancel an
 * export at a known frame, or once the movie is complete, however fast the machine is.
 *
 *   REELMAKER_TEST_GATE_FILE  the file name (last path component) whose opening is held
 *   REELMAKER_TEST_GATE_DIR   a directory: the gate creates "reached" in it when it holds, and goes
 *                             on once "release" appears there (or after two minutes, so that a
 *                             broken test can't hang the suite)
 *
 * Without both variables every call goes straight through. */
#define _GNU_SOURCE
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

/* Tests look this symbol up to know that the gate is in the process. */
int reelmaker_open_gate_preloaded = 1;

static int s_held;

static int markerExists(const char* dir, const char* name) {
    char path[4096];
    struct stat st;
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return stat(path, &st) == 0;
}

static void holdIfGated(const char* path) {
    const char* gate = getenv("REELMAKER_TEST_GATE_FILE");
    const char* dir = getenv("REELMAKER_TEST_GATE_DIR");
    if (!gate || !dir || !path)
        return;
    const char* slash = strrchr(path, '/');
    if (strcmp(slash ? slash + 1 : path, gate) != 0)
        return;
    char thread[16] = "";
    pthread_getname_np(pthread_self(), thread, sizeof thread);
    if (strncmp(thread, "export", 6) != 0 && strncmp(thread, "playback", 8) != 0)
        return; /* the scan, the document and the rest are never held */
    if (__atomic_exchange_n(&s_held, 1, __ATOMIC_SEQ_CST))
        return; /* once per process */

    char reached[4096];
    snprintf(reached, sizeof reached, "%s/reached", dir);
    int (*realOpen)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, "open");
    int fd = realOpen(reached, O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0)
        close(fd);
    const struct timespec pause = {0, 1000000};
    for (int waited = 0; waited < 120000 && !markerExists(dir, "release"); ++waited)
        nanosleep(&pause, NULL);
}

static mode_t modeArgument(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(args, int) : 0;
}

#define GATED_OPEN(name)                                                                                     \
    int name(const char* path, int flags, ...) {                                                             \
        va_list args;                                                                                        \
        va_start(args, flags);                                                                               \
        mode_t mode = modeArgument(flags, args);                                                             \
        va_end(args);                                                                                        \
        holdIfGated(path);                                                                                   \
        int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, #name);        \
        return real(path, flags, mode);                                                                      \
    }

#define GATED_OPENAT(name)                                                                                   \
    int name(int dirFd, const char* path, int flags, ...) {                                                  \
        va_list args;                                                                                        \
        va_start(args, flags);                                                                               \
        mode_t mode = modeArgument(flags, args);                                                             \
        va_end(args);                                                                                        \
        holdIfGated(path);                                                                                   \
        int (*real)(int, const char*, int, ...) =                                                            \
            (int (*)(int, const char*, int, ...))dlsym(RTLD_NEXT, #name);                                    \
        return real(dirFd, path, flags, mode);                                                               \
    }

GATED_OPEN(open)
GATED_OPEN(open64)
GATED_OPENAT(openat)
GATED_OPENAT(openat64)

/* The calls that give a file its name: held on the new name. */
int link(const char* from, const char* to) {
    holdIfGated(to);
    int (*real)(const char*, const char*) = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "link");
    return real(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    holdIfGated(to);
    int (*real)(int, const char*, int, const char*, int) =
        (int (*)(int, const char*, int, const char*, int))dlsym(RTLD_NEXT, "linkat");
    return real(fromDir, from, toDir, to, flags);
}

int rename(const char* from, const char* to) {
    holdIfGated(to);
    int (*real)(const char*, const char*) = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    return real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    holdIfGated(to);
    int (*real)(int, const char*, int, const char*) =
        (int (*)(int, const char*, int, const char*))dlsym(RTLD_NEXT, "renameat");
    return real(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    holdIfGated(to);
    int (*real)(int, const char*, int, const char*, unsigned int) =
        (int (*)(int, const char*, int, const char*, unsigned int))dlsym(RTLD_NEXT, "renameat2");
    return real(fromDir, from, toDir, to, flags);
}
