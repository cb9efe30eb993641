// The file manager's directory listing.
#pragma once

#include <optional>
#include <string>
#include <vector>

/// The names of the entries of the directory at `path`, one level, in the order the file system
/// lists them, without "." and "..". An empty path lists the current directory. nullopt (with
/// errno kept in `error` when given) when the directory can't be read.
std::optional<std::vector<std::string>> directoryContentsAtPath(const std::string& path,
                                                                int* error = nullptr);
