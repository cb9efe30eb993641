#include "platform/directory_contents.h"

#include <cerrno>
#include <dirent.h>
#include <memory>

std::optional<std::vector<std::string>> directoryContentsAtPath(const std::string& path, int* error) {
    // A bare file name has an empty directory part: it lies in the current directory.
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.empty() ? "." : path.c_str()), ::closedir);
    if (!dir) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
            names.emplace_back(name);
        errno = 0;
    }
    if (errno != 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    return names;
}
