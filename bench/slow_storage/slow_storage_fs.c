// slow_storage_fs SOURCE MOUNTPOINT [--open-ms=MS] [--stat-ms=MS] [--read-ms=MS] [--read-mbps=MB]
//                 [--read-burst-kb=KB] [--page-cache] [FUSE options: -f, -s, -d, -o OPT,...]
//
// The storage simulator of storage_bench.sh: SOURCE, read-only, at MOUNTPOINT, with networked
// storage's costs added. Each open, each getattr (a stat, and the lookup of every name a path walks
// through) and each read request sleeps its MS milliseconds (fractions allowed), and the reads of all
// threads together carry at most MB megabytes (10^6 bytes) a second (a token bucket of KB KiB).
// Requests are served by many threads at once (unless -s), so a client that opens files in parallel
// overlaps the delays, as a networked file server lets it.
//
// Every request reaches this daemon: the name and attribute timeouts default to 0 (a cached name would
// skip the lookup's delay), so open(PATH) pays a lookup and an open, stat(PATH) a lookup and a
// getattr, fstat a getattr. Files are opened with direct_io: no read is served from the kernel's page
// cache of the mount, the reads are those the client makes (no readahead), and the bandwidth cap
// counts exactly the bytes it reads. --page-cache opens files without direct_io instead (the cache
// still dropped at every open, keep_cache=0): reads then come in readahead-sized requests. The
// daemon's own pread of SOURCE may hit the page cache: the simulated delays are meant to be the only
// cost of the storage.
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <pthread.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static struct options {
    double open_ms;
    double stat_ms;
    double read_ms;
    double read_mbps;
    double read_burst_kb;
    int page_cache;
} options = {.read_burst_kb = 1024};

static const char* source_path;
static int source_fd = -1;
static int show_help;

enum { KEY_HELP };

#define OPTION(t, field, value)                                                                              \
    { t, offsetof(struct options, field), value }
static const struct fuse_opt option_table[] = {
    OPTION("--open-ms=%lf", open_ms, 0),
    OPTION("--stat-ms=%lf", stat_ms, 0),
    OPTION("--read-ms=%lf", read_ms, 0),
    OPTION("--read-mbps=%lf", read_mbps, 0),
    OPTION("--read-burst-kb=%lf", read_burst_kb, 0),
    OPTION("--page-cache", page_cache, 1),
    FUSE_OPT_KEY("-h", KEY_HELP),
    FUSE_OPT_KEY("--help", KEY_HELP),
    FUSE_OPT_END,
};

static void usage(FILE* to, const char* program) {
    fprintf(to,
            "usage: %s SOURCE MOUNTPOINT [options]\n"
            "  --open-ms=MS         delay of each open (default 0)\n"
            "  --stat-ms=MS         delay of each getattr: stat, and the lookup of each name (default 0)\n"
            "  --read-ms=MS         delay of each read request (default 0)\n"
            "  --read-mbps=MB       cap of all reads together, in 10^6 bytes a second (default 0: none)\n"
            "  --read-burst-kb=KB   what the cap lets through at once after a pause, in KiB (default\n"
            "                       1024, the largest read request)\n"
            "  --page-cache         reads through the kernel's page cache (dropped at each open)\n"
            "                       rather than direct_io\n\n",
            program);
}

static int option_key(void* data, const char* arg, int key, struct fuse_args* args) {
    (void)data;
    (void)args;
    if (key == KEY_HELP) {
        show_help = 1;
        return 0;
    }
    if (key == FUSE_OPT_KEY_NONOPT && !source_path) {
        source_path = arg; // argv outlives the mount
        return 0;
    }
    return 1; // the mount point and FUSE's own options go on to fuse_main
}

// Names below the mount are taken relative to SOURCE, opened once, so that the daemon's change of
// folder when it goes to the background doesn't matter.
static const char* relative(const char* path) {
    while (*path == '/')
        ++path;
    return *path ? path : ".";
}

static void sleep_until(const struct timespec* when) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, when, NULL) == EINTR) {
    }
}

// t moved by seconds, which may be negative (the fraction taken from floor is never).
static struct timespec after(struct timespec t, double seconds) {
    double whole = floor(seconds);
    t.tv_sec += (time_t)whole;
    t.tv_nsec += (long)((seconds - whole) * 1e9);
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += t.tv_nsec / 1000000000L;
        t.tv_nsec %= 1000000000L;
    }
    return t;
}

// Only this request's thread sleeps: requests of other threads overlap it.
static void delay(double ms) {
    if (ms <= 0)
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const struct timespec end = after(now, ms / 1000);
    sleep_until(&end);
}

// The bandwidth cap: one link that all reads share, a token bucket. Each read books the link for
// bytes / rate from when it is free, and is answered when its booking ends. An idle link saves up at
// most the burst: enough for the round trip of a request through the kernel and this daemon (about
// 1.5 ms a MiB on a busy machine), which would otherwise be added to every read of a client that
// reads one request at a time, and little enough that a client which leaves the link idle longer
// (writing between its reads) loses the rest. Over a run the bytes stay within rate x time + burst. The
// lock is held only for the booking, so reads overlap their pread and their wait.
static pthread_mutex_t link_lock = PTHREAD_MUTEX_INITIALIZER;
static struct timespec link_free;

static int earlier(const struct timespec* a, const struct timespec* b) {
    return a->tv_sec < b->tv_sec || (a->tv_sec == b->tv_sec && a->tv_nsec < b->tv_nsec);
}

static void pace(size_t bytes) {
    if (options.read_mbps <= 0 || bytes == 0)
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double rate = options.read_mbps * 1e6;
    const struct timespec saved_up = after(now, -options.read_burst_kb * 1024 / rate);
    pthread_mutex_lock(&link_lock);
    const struct timespec start = earlier(&link_free, &saved_up) ? saved_up : link_free;
    link_free = after(start, (double)bytes / rate);
    const struct timespec end = link_free;
    pthread_mutex_unlock(&link_lock);
    sleep_until(&end);
}

static void* fs_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)cfg;
    // Lookups in one folder in parallel: every frame of a sequence lies in the same one.
    if (conn->capable & FUSE_CAP_PARALLEL_DIROPS)
        conn->want |= FUSE_CAP_PARALLEL_DIROPS;
    return NULL;
}

static int fs_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    (void)fi; // the library always gives the path (nullpath_ok is off), also for open files
    delay(options.stat_ms);
    return fstatat(source_fd, relative(path), st, AT_SYMLINK_NOFOLLOW) == -1 ? -errno : 0;
}

static int fs_readlink(const char* path, char* buf, size_t size) {
    if (size == 0)
        return -EINVAL;
    const ssize_t n = readlinkat(source_fd, relative(path), buf, size - 1);
    if (n == -1)
        return -errno;
    buf[n] = '\0';
    return 0;
}

static int fs_open(const char* path, struct fuse_file_info* fi) {
    if ((fi->flags & O_ACCMODE) != O_RDONLY || (fi->flags & O_TRUNC))
        return -EROFS;
    delay(options.open_ms);
    const int fd = openat(source_fd, relative(path), O_RDONLY | O_CLOEXEC);
    if (fd == -1)
        return -errno;
    fi->fh = (uint64_t)fd;
    fi->direct_io = !options.page_cache;
    fi->keep_cache = 0;
    return 0;
}

static int fs_read(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
    (void)path;
    delay(options.read_ms);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread((int)fi->fh, buf + done, size - done, offset + (off_t)done);
        if (n == -1 && errno == EINTR)
            continue;
        if (n == -1) {
            if (done == 0)
                return -errno;
            break;
        }
        if (n == 0)
            break;
        done += (size_t)n;
    }
    pace(done);
    return (int)done;
}

static int fs_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int fs_statfs(const char* path, struct statvfs* st) {
    (void)path;
    return fstatvfs(source_fd, st) == -1 ? -errno : 0;
}

static int fs_opendir(const char* path, struct fuse_file_info* fi) {
    const int fd = openat(source_fd, relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd == -1)
        return -errno;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const int error = errno;
        close(fd);
        return -error;
    }
    fi->fh = (uint64_t)(uintptr_t)dir;
    return 0;
}

// A large folder is listed over several requests: each entry's offset is its telldir position.
static int fs_readdir(const char* path, void* buf, fuse_fill_dir_t filler, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)path;
    (void)flags;
    DIR* dir = (DIR*)(uintptr_t)fi->fh;
    seekdir(dir, offset);
    for (;;) {
        errno = 0;
        const struct dirent* entry = readdir(dir);
        if (!entry)
            return errno ? -errno : 0;
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = entry->d_ino;
        st.st_mode = (mode_t)DTTOIF(entry->d_type);
        if (filler(buf, entry->d_name, &st, telldir(dir), 0))
            return 0;
    }
}

static int fs_releasedir(const char* path, struct fuse_file_info* fi) {
    (void)path;
    closedir((DIR*)(uintptr_t)fi->fh);
    return 0;
}

// The mount is read-only (-o ro), so the kernel refuses writing before it asks; these answer any
// request that comes all the same.
static int fs_write(const char* path, const char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
    (void)path, (void)buf, (void)size, (void)offset, (void)fi;
    return -EROFS;
}
static int fs_create(const char* path, mode_t mode, struct fuse_file_info* fi) {
    (void)path, (void)mode, (void)fi;
    return -EROFS;
}
static int fs_mknod(const char* path, mode_t mode, dev_t dev) {
    (void)path, (void)mode, (void)dev;
    return -EROFS;
}
static int fs_mkdir(const char* path, mode_t mode) {
    (void)path, (void)mode;
    return -EROFS;
}
static int fs_remove(const char* path) {
    (void)path;
    return -EROFS;
}
static int fs_link(const char* from, const char* to) {
    (void)from, (void)to;
    return -EROFS;
}
static int fs_rename(const char* from, const char* to, unsigned int flags) {
    (void)from, (void)to, (void)flags;
    return -EROFS;
}
static int fs_chmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
    (void)path, (void)mode, (void)fi;
    return -EROFS;
}
static int fs_chown(const char* path, uid_t uid, gid_t gid, struct fuse_file_info* fi) {
    (void)path, (void)uid, (void)gid, (void)fi;
    return -EROFS;
}
static int fs_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
    (void)path, (void)size, (void)fi;
    return -EROFS;
}
static int fs_utimens(const char* path, const struct timespec times[2], struct fuse_file_info* fi) {
    (void)path, (void)times, (void)fi;
    return -EROFS;
}

static const struct fuse_operations operations = {
    .init = fs_init,
    .getattr = fs_getattr,
    .readlink = fs_readlink,
    .open = fs_open,
    .read = fs_read,
    .release = fs_release,
    .statfs = fs_statfs,
    .opendir = fs_opendir,
    .readdir = fs_readdir,
    .releasedir = fs_releasedir,
    .write = fs_write,
    .create = fs_create,
    .mknod = fs_mknod,
    .mkdir = fs_mkdir,
    .unlink = fs_remove,
    .rmdir = fs_remove,
    .symlink = fs_link,
    .link = fs_link,
    .rename = fs_rename,
    .chmod = fs_chmod,
    .chown = fs_chown,
    .truncate = fs_truncate,
    .utimens = fs_utimens,
};

int main(int argc, char* argv[]) {
    struct fuse_args args = FUSE_ARGS_INIT(argc, argv);
    if (fuse_opt_parse(&args, &options, option_table, option_key) == -1)
        return 2;
    if (show_help) {
        usage(stdout, argv[0]);
        fuse_opt_add_arg(&args, "--help");
        args.argv[0][0] = '\0';
        const int status = fuse_main(args.argc, args.argv, &operations, NULL);
        fuse_opt_free_args(&args);
        return status;
    }
    if (!source_path || options.open_ms < 0 || options.stat_ms < 0 || options.read_ms < 0 ||
        options.read_mbps < 0 || options.read_burst_kb < 0) {
        usage(stderr, argv[0]);
        fuse_opt_free_args(&args);
        return 2;
    }
    source_fd = open(source_path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (source_fd == -1) {
        fprintf(stderr, "slow_storage_fs: %s: %s\n", source_path, strerror(errno));
        fuse_opt_free_args(&args);
        return 1;
    }
    // Sleeps end when asked rather than up to 50 us late (the default slack), which at 1 ms a request
    // would add 5 %; the worker threads inherit it.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    // Defaults ahead of the user's own -o, which come later and so override them. max_threads: the
    // library's default of 10 would cap a client's parallel opens below what a file server allows;
    // max_idle_threads given keeps libfuse 3.14 from warning about its own unset value.
    fuse_opt_insert_arg(&args, 1,
                        "-oro,fsname=slow_storage,attr_timeout=0,entry_timeout=0,negative_timeout=0,"
                        "max_threads=64,max_idle_threads=64");
    const int status = fuse_main(args.argc, args.argv, &operations, NULL);
    fuse_opt_free_args(&args);
    close(source_fd);
    return status;
}
