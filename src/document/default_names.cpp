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
    // A name that is only the extension gets no second one (".mov.mov", hidden and doubled).
    if (fw::lastPathComponent(name) == ".mov")
        return std::string(name);
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

std::string proposedMovieName(const MovieNameSource& source) {
    const std::string inPoint = fw::stringByDeletingPathExtension(source.inPointFile);
    std::string name;
    switch (source.type) {
    case kNameSourceBaseName:
        name = source.baseName.empty() ? inPoint : source.baseName;
        break;
    case kNameSourceInPointFile:
        name = inPoint;
        break;
    case kNameSourceDirectory:
        name = directoryName(source.directoryPath);
        break;
    case kNameSourceStoredText:
        name = source.storedText;
        break;
    default:
        break;
    }
    return source.movieExtension ? withMovieExtension(name) : name;
}

std::optional<int32_t> parseNameSourceWord(std::string_view word) {
    static constexpr std::pair<std::string_view, int32_t> kWords[] = {
        {"none", kNameSourceNothing},      {"base", kNameSourceBaseName},
        {"file", kNameSourceInPointFile},  {"folder", kNameSourceDirectory},
        {"text", kNameSourceStoredText},
    };
    for (const auto& [text, type] : kWords)
        if (word == text)
            return type;
    return std::nullopt;
}

std::string DPXMovieFile::getDefaultFileNameString() const {
    const MyAppController* app = appController();
    MovieNameSource source;
    source.type = app ? app->defaultQTFileNameType() : kNameSourceBaseName;
    // Without an opened sequence there is no base name at all, and no in-point file either.
    if (hasSequence()) {
        source.baseName = m_fileBaseName;
        if (m_inFrame >= 0 && size_t(m_inFrame.load()) < m_fileList.size())
            source.inPointFile = m_fileList[size_t(m_inFrame.load())];
    }
    source.directoryPath = m_directoryPath;
    source.storedText = app ? app->defaultFileName() : std::string();
    source.movieExtension = app ? app->defaultQTFileExtension() : true;
    return proposedMovieName(source);
}
