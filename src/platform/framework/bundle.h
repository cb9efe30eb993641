// The application's bundle: where its resources (help text, interface descriptions) are found.
#pragma once

#include <optional>
#include <string>

namespace fw {

class Bundle {
public:
    virtual ~Bundle() = default;
    /// Full path of the resource "name.type" (just "name" when type is empty), or nullopt when the
    /// bundle holds no such file: pathForResource("ReelmakerHelp", "rtf").
    virtual std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const = 0;
    /// The directory that holds the resources ("" when there is none).
    virtual std::string resourcePath() const = 0;
};

/// A bundle whose resources are the files of one directory.
class DirectoryBundle : public Bundle {
public:
    explicit DirectoryBundle(std::string resourcesDirectory) : m_directory(std::move(resourcesDirectory)) {}
    std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const override;
    std::string resourcePath() const override { return m_directory; }

private:
    std::string m_directory;
};

/// The application's resources directory: "resources" beside the executable, else
/// "../share/reelmaker/resources" from it (an installed layout), else the source tree's
/// "resources" directory that the build was configured from. "" when none of them exists.
std::string locateResourcesDirectory();

} // namespace fw
