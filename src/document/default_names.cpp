// The names a document proposes from the application's preferences: the default source ID and the
// movie name offered when exporting.
#include "document/dpx_movie_file.h"

#include "app/my_app_controller.h"
#include "app/name_source_type.h"
#include "document/movie_name.h"
#include "platform/framework/path_ops.h"

std::string withMovieExtension(std::string_view name) {
    if (name.empty())
        return ".mov";
    const std::string stem = fw::stringByDeletingPathExtension(name);
    // Only a name with nothing left to extend ("/", or a bare extension removed) has no result.
    return fw::stringByAppendingPathExtension(stem, "mov").value_or(stem + ".mov");
}

namespace {

// What the two name preferences share: the in-point file's name less its extension, the
// sequence's directory name. Both empty without an opened sequence.
std::string inPointName(const std::vector<std::string>& fileList, int32_t inFrame) {
    if (inFrame < 0 || size_t(inFrame) >= fileList.size())
        return {};
    return fw::stringByDeletingPathExtension(fileList[size_t(inFrame)]);
}

std::string directoryName(const std::string& directoryPath) {
    return directoryPath.empty() ? std::string() : fw::lastPathComponent(directoryPath);
}

} // namespace

std::string DPXMovieFile::getDefaultSourceIDString() const {
    const MyAppController* app = appController();
    const int32_t type = app ? app->defaultSourceIDType() : kNameSourceNothing;
    if (!hasSequence() &&
        (type == kNameSourceBaseName || type == kNameSourceInPointFile || type == kNameSourceDirectory))
        return {};
    switch (type) {
    case kNameSourceBaseName:
        return m_fileBaseName.empty() ? inPointName(m_fileList, m_inFrame) : m_fileBaseName;
    case kNameSourceInPointFile:
        return inPointName(m_fileList, m_inFrame);
    case kNameSourceDirectory:
        return directoryName(m_directoryPath);
    case kNameSourceStoredText:
        return app->defaultSourceID();
    default:
        return {};
    }
}

std::string DPXMovieFile::getDefaultFileNameString() const {
    const MyAppController* app = appController();
    const int32_t type = app ? app->defaultQTFileNameType() : kNameSourceBaseName;
    std::string name;
    switch (type) {
    case kNameSourceBaseName:
        // Without an opened sequence there is no base name at all, and no in-point file either.
        if (hasSequence())
            name = m_fileBaseName.empty() ? inPointName(m_fileList, m_inFrame) : m_fileBaseName;
        break;
    case kNameSourceInPointFile:
        name = inPointName(m_fileList, m_inFrame);
        break;
    case kNameSourceDirectory:
        name = directoryName(m_directoryPath);
        break;
    case kNameSourceStoredText:
        name = app->defaultFileName();
        break;
    default:
        break;
    }
    const bool movieExtension = app ? app->defaultQTFileExtension() : true;
    return movieExtension ? withMovieExtension(name) : name;
}
