#include "platform/framework/bundle.h"

#include "platform/framework/path_ops.h"

#include <filesystem>
#include <system_error>

#ifndef REELMAKER_RESOURCES_DIR
#define REELMAKER_RESOURCES_DIR ""
#endif

namespace fw {

namespace {

bool isDirectory(const std::filesystem::path& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

} // namespace

std::optional<std::string> DirectoryBundle::pathForResource(const std::string& name, const std::string& type) const {
    if (m_directory.empty() || name.empty())
        return std::nullopt;
    std::string file = name;
    if (!type.empty())
        file += "." + type;
    const std::string path = stringByAppendingPathComponent(m_directory, file);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    return path;
}

std::string locateResourcesDirectory() {
    std::error_code ec;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path dir = executable.parent_path();
        for (const std::filesystem::path& candidate :
             {dir / "resources", dir.parent_path() / "share" / "reelmaker" / "resources"}) {
            if (isDirectory(candidate))
                return candidate.string();
        }
    }
    const std::filesystem::path configured = REELMAKER_RESOURCES_DIR;
    return isDirectory(configured) ? configured.string() : std::string();
}

} // namespace fw
