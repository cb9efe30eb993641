#include "platform/movie/data_ref_resolution.h"

#include "platform/movie/alias_record.h"
#include "platform/movie/atom_tree.h"

#include <filesystem>
#include <unistd.h>
#include <vector>

const FileLookup& ReferencedFiles::lookup(const std::string& path) {
    if (auto found = m_files.find(path); found != m_files.end())
        return found->second;
    FileLookup result;
    std::vector<std::string> reasons;
    int fd = -1;
    if (path.empty()) {
        result.why = "names no file";
    } else if (OSErr err = OpenRegularFile(path, fd, result.size, &reasons); err == noErr) {
        close(fd);
        result.present = true;
    } else if (err == fnfErr) {
        result.why = "missing";
    } else {
        // The reason without the path, which the caller shows beside it.
        std::string reason = reasons.empty() ? std::string("cannot be read") : reasons.back();
        if (reason.size() > path.size() + 2)
            reason.erase(0, path.size() + 2);
        result.why = reason == "not a regular file"   ? reason
                     : reason == "symbolic link loop" ? "a " + reason
                                                      : "unreadable (" + reason + ")";
    }
    return m_files.emplace(path, std::move(result)).first->second;
}

std::string ResolveDataRef(const MovieDataRefInfo& ref, const std::string& moviePath,
                           ReferencedFiles& files) {
    if (ref.selfContained)
        return moviePath;
    if (!ref.aliasParsed)
        return {};
    std::string absolute = AliasAbsolutePath(ref.alias);
    if (!absolute.empty() && absolute.front() != '/')
        absolute = (std::filesystem::path(moviePath).parent_path() / absolute).lexically_normal().string();
    if (files.lookup(absolute).present)
        return absolute;
    std::string relative = AliasRelativePath(ref.alias, moviePath);
    if (!relative.empty() && files.lookup(relative).present)
        return relative;
    return absolute.empty() ? relative : absolute;
}

const MovieDataRefInfo* SampleDataRef(const MovieTrackInfo& track, const MovieSampleInfo& sample,
                                      uint16_t& refIndex) {
    // The walker gives only samples whose description index is within the track's descriptions.
    refIndex = track.descriptions[sample.descriptionIndex - 1].dataRefIndex;
    if (refIndex == 0 || refIndex > track.dataRefs.size())
        return nullptr;
    return &track.dataRefs[refIndex - 1];
}
