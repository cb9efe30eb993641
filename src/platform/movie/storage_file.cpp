#include "platform/movie/storage_file.h"

#include "platform/movie/movie_errors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

OSErr StatusFromErrno(int error) {
    switch (error) {
    case 0:
        return noErr;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return dskFulErr;
    case EACCES:
    case EPERM:
    case EROFS:
        return wrPermErr;
    case ENOENT:
    case ENOTDIR:
        return dirNFErr;
    case EEXIST:
        return dupFNErr;
    case ENAMETOOLONG:
        return bdNamErr;
    case ENOMEM:
        return memFullErr;
    default:
        return ioErr;
    }
}

namespace {

std::string randomSuffix() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    std::string suffix(8, 'x');
    for (char& c : suffix)
        c = kAlphabet[pick(device)];
    return suffix;
}

/// The longest name a folder takes on the file systems we write to.
constexpr size_t kNameMax = 255;
/// Of a long movie name, what the temporary name keeps before the hash that stands for the rest.
constexpr size_t kKeptNameBytes = 160;

/// 64-bit FNV-1a of the name, in 16 hex digits: the same name gives the same stand-in.
std::string nameHash(const std::string& name) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : name)
        hash = (hash ^ c) * 0x100000001b3ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", (unsigned long long)hash);
    return text;
}

// ".NAME.PID.XXXXXXXX.part": the writer's process id lets a later export tell a temporary file
// abandoned by a killed process from one being written. A name that would make the temporary name
// longer than a folder takes is cut (at a character's start) and followed by its hash, so that
// every movie name that fits the folder has a temporary name that fits too.
std::string hiddenTempName(const std::string& directory, const std::string& name) {
    // Appended piece by piece: GCC 12 takes `"." + std::string` for an overlapping copy (-Wrestrict,
    // a false positive).
    std::string tail = ".";
    tail.append(std::to_string(getpid())).append(".").append(randomSuffix()).append(".part");
    std::string shown = name;
    if (1 + name.size() + tail.size() > kNameMax) {
        size_t keep = kKeptNameBytes;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep; // never half a UTF-8 character
        shown = name.substr(0, keep) + "~" + nameHash(name);
    }
    return directory + "/." + shown + tail;
}

/// The writer's process id when `entry` is named as our temporary files are, else 0.
pid_t writerOfTempName(const std::string& entry) {
    const std::string suffix = ".part";
    if (entry.size() < 1 + 1 + 1 + 1 + 1 + 8 + suffix.size() || entry[0] != '.' ||
        entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const size_t randomStart = entry.size() - suffix.size() - 8;
    if (entry[randomStart - 1] != '.')
        return 0;
    for (size_t i = randomStart; i < randomStart + 8; ++i)
        if (!std::isalnum(static_cast<unsigned char>(entry[i])))
            return 0;
    const size_t pidEnd = randomStart - 1;
    size_t pidStart = pidEnd;
    while (pidStart > 1 && std::isdigit(static_cast<unsigned char>(entry[pidStart - 1])))
        --pidStart;
    if (pidStart == pidEnd || pidEnd - pidStart > 9 || entry[pidStart - 1] != '.' || pidStart < 3)
        return 0;
    return pid_t(std::stol(entry.substr(pidStart, pidEnd - pidStart)));
}

/// Removes the temporary files that killed exports left in `directory`: ours by their name, whose
/// writer process is gone and which no process holds locked.
void removeAbandonedTempFiles(const std::string& directory) {
    DIR* dir = opendir(directory.c_str());
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const pid_t writer = writerOfTempName(name);
        if (writer <= 0 || writer == getpid() || kill(writer, 0) == 0 || errno != ESRCH)
            continue;
        const std::string path = directory + "/" + name;
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(path.c_str());
        close(fd);
    }
    closedir(dir);
}

} // namespace

OSErr StorageFile::create(const std::string& destination, bool replaceExisting,
                          std::unique_ptr<StorageFile>& out, TempKind kind) {
    out.reset();
    std::filesystem::path path(destination);
    if (!path.is_absolute() || !path.has_filename())
        return paramErr;
    // An absolute path always has a parent ("/" at least).
    const std::string directory = path.parent_path().string();

    struct stat info {};
    if (stat(directory.c_str(), &info) != 0)
        return StatusFromErrno(errno);
    if (!S_ISDIR(info.st_mode))
        return dirNFErr;
    if (lstat(destination.c_str(), &info) == 0) {
        // A directory can never be replaced by a movie; another file only when asked to.
        if (S_ISDIR(info.st_mode) || !replaceExisting)
            return dupFNErr;
    }

    std::unique_ptr<StorageFile> file(new StorageFile);
    file->m_destination = destination;
    file->m_directory = directory;
    file->m_replaceExisting = replaceExisting;

    removeAbandonedTempFiles(directory);
    if (kind != TempKind::Named) {
        file->m_fd = open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (file->m_fd >= 0) {
            file->m_unnamed = true;
        } else {
            int error = errno;
            bool unsupported = error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
            if (kind == TempKind::Unnamed || !unsupported)
                return StatusFromErrno(error);
        }
    }
    if (file->m_fd < 0) {
        std::string name = path.filename().string();
        for (int attempt = 0; attempt < 100 && file->m_fd < 0; ++attempt) {
            std::string candidate = hiddenTempName(directory, name);
            // Mode 0666 with the process's umask, as for any new file; O_EXCL never reuses a file.
            file->m_fd = open(candidate.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
            if (file->m_fd >= 0) {
                file->m_tempPath = candidate;
                // Held while the file is written: a cleaner that finds it locked leaves it alone.
                flock(file->m_fd, LOCK_EX | LOCK_NB);
            } else if (errno != EEXIST)
                return StatusFromErrno(errno);
        }
        if (file->m_fd < 0)
            return dupFNErr;
    }
    out = std::move(file);
    return noErr;
}

StorageFile::~StorageFile() {
    discard();
}

OSErr StorageFile::writeAt(uint64_t offset, const void* data, size_t count) {
    if (m_fd < 0)
        return dataAlreadyClosed;
    const auto* p = static_cast<const char*>(data);
    while (count > 0) {
        size_t slice = std::min(count, kSliceSize);
        ssize_t written = pwrite(m_fd, p, slice, off_t(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return StatusFromErrno(errno);
        }
        if (written == 0)
            return ioErr;
        p += written;
        offset += uint64_t(written);
        count -= size_t(written);
    }
    return noErr;
}

OSErr StorageFile::copyAt(uint64_t offset, int source, uint64_t sourceOffset, uint64_t length) {
    if (m_fd < 0)
        return dataAlreadyClosed;
    return m_copier.copy(source, sourceOffset, m_fd, offset, length);
}

OSErr StorageFile::truncate(uint64_t size) {
    if (m_fd < 0)
        return dataAlreadyClosed;
    if (ftruncate(m_fd, off_t(size)) != 0)
        return StatusFromErrno(errno);
    return noErr;
}

OSErr StorageFile::sync() {
    if (m_fd < 0)
        return dataAlreadyClosed;
    if (fsync(m_fd) != 0)
        return StatusFromErrno(errno);
    return noErr;
}

OSErr StorageFile::linkUnnamed(const std::string& name) {
    // Linking an O_TMPFILE file through its /proc entry needs no privilege (unlike AT_EMPTY_PATH).
    std::string procPath = "/proc/self/fd/" + std::to_string(m_fd);
    if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return noErr;
    int error = errno;
    // Without /proc, a privileged process can still link the descriptor itself.
    if (error == ENOENT && linkat(m_fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
        return noErr;
    return StatusFromErrno(error);
}

OSErr StorageFile::commit(bool flushOnCommit) {
    if (m_fd < 0)
        return dataAlreadyClosed;
    OSErr err = flushOnCommit ? sync() : noErr;
    if (err == noErr)
        err = m_unnamed ? commitUnnamed() : commitNamed();
    if (err != noErr) {
        discard();
        return err;
    }
    if (flushOnCommit) {
        int dirFd = open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            fsync(dirFd);
            close(dirFd);
        }
    }
    return noErr;
}

OSErr StorageFile::commitUnnamed() {
    OSErr err;
    if (!m_replaceExisting) {
        // Linking straight to the destination fails if a file appeared there meanwhile.
        err = linkUnnamed(m_destination);
    } else {
        // A link cannot replace a file: link under a hidden name, then rename that over the destination.
        std::string name;
        for (int attempt = 0; attempt < 100; ++attempt) {
            name = hiddenTempName(m_directory, std::filesystem::path(m_destination).filename().string());
            err = linkUnnamed(name);
            if (err != dupFNErr)
                break;
        }
        if (err != noErr)
            return err;
        m_tempPath = name;
        if (rename(name.c_str(), m_destination.c_str()) != 0)
            return StatusFromErrno(errno);
    }
    if (err == noErr) {
        m_tempPath.clear();
        close(m_fd);
        m_fd = -1;
    }
    return err;
}

OSErr StorageFile::commitNamed() {
    // Close first: a delayed write error must be seen before the file takes the destination's name.
    int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0 && errno != EINTR)
        return StatusFromErrno(errno);
    int status = m_replaceExisting ? rename(m_tempPath.c_str(), m_destination.c_str())
                                   : renameat2(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, m_destination.c_str(),
                                               RENAME_NOREPLACE);
    if (status != 0 && !m_replaceExisting && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
        // A file system without RENAME_NOREPLACE: a link never replaces either; then the temporary
        // name goes.
        status = link(m_tempPath.c_str(), m_destination.c_str());
        if (status == 0)
            unlink(m_tempPath.c_str());
    }
    if (status != 0)
        return StatusFromErrno(errno);
    m_tempPath.clear();
    return noErr;
}

void StorageFile::discard() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}
