#include "platform/movie/alias_record.h"

#include "platform/bigendian.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace {

namespace fs = std::filesystem;

constexpr uint16_t kHFSPlusSignature = 0x482B; // 'H+'
constexpr int16_t kExtraParentDirectory = 0;
constexpr int16_t kExtraColonPath = 2;
constexpr int16_t kExtraPOSIXPath = 18;
constexpr int16_t kExtraEnd = -1;

// Volume name of the root file system in colon paths. Readers strip it from the colon path and read the
// rest as an absolute POSIX path, so an empty name maps ":home:me:x.dpx" to "/home/me/x.dpx".
const std::string kVolumeName;

// The names between the slashes of a path, as std::filesystem iterates them (the root and empty
// names left out), without making a path object: an export makes two records per frame.
std::vector<std::string_view> components(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The components of the path's parent directory: all but a last name (a path that ends with a slash
// names a directory and has none).
std::vector<std::string_view> parentComponents(std::string_view path) {
    std::vector<std::string_view> parts = components(path);
    if (!parts.empty() && path.back() != '/')
        parts.pop_back();
    return parts;
}

void putU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    putU16(out, uint16_t(v >> 16));
    putU16(out, uint16_t(v));
}

void putPascal(std::vector<uint8_t>& out, const std::string& text, size_t fieldSize) {
    size_t length = std::min(text.size(), fieldSize - 1);
    out.push_back(uint8_t(length));
    out.insert(out.end(), text.begin(), text.begin() + long(length));
    out.insert(out.end(), fieldSize - 1 - length, 0);
}

void putExtra(std::vector<uint8_t>& out, int16_t tag, const std::string& data) {
    putU16(out, uint16_t(tag));
    putU16(out, uint16_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2)
        out.push_back(0);
}

std::string pascalAt(const uint8_t* p, size_t fieldSize) {
    size_t length = std::min<size_t>(p[0], fieldSize - 1);
    return std::string(reinterpret_cast<const char*>(p + 1), length);
}

} // namespace

void AliasRelativeLevels(const std::string& moviePath, const std::string& targetPath, int16_t& nlvlFrom,
                         int16_t& nlvlTo) {
    std::vector<std::string_view> from = parentComponents(moviePath);
    std::vector<std::string_view> to = parentComponents(targetPath);
    size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common])
        ++common;
    nlvlFrom = int16_t(std::min<size_t>(from.size() - common + 1, 0x7FFF));
    nlvlTo = int16_t(std::min<size_t>(to.size() - common + 1, 0x7FFF));
}

std::vector<uint8_t> MakeAliasRecord(const std::string& targetPath, const std::string& moviePath) {
    std::vector<std::string_view> parts = components(targetPath);
    std::string colonPath = kVolumeName;
    colonPath.reserve(targetPath.size() + kVolumeName.size());
    for (std::string_view part : parts) {
        colonPath += ':';
        colonPath += part;
    }
    std::string parentName = parts.size() >= 2 ? std::string(parts[parts.size() - 2]) : kVolumeName;
    std::string fileName =
        !parts.empty() && targetPath.back() != '/' ? std::string(parts.back()) : std::string();

    int16_t nlvlFrom = -1;
    int16_t nlvlTo = -1;
    if (!moviePath.empty())
        AliasRelativeLevels(moviePath, targetPath, nlvlFrom, nlvlTo);

    std::vector<uint8_t> out;
    out.reserve(kAliasFixedSize + colonPath.size() + targetPath.size() + parentName.size() + 16);
    putU32(out, 0); // user type
    putU16(out, 0); // record size, set below
    putU16(out, 2); // version
    putU16(out, 0); // kind: file
    putPascal(out, kVolumeName, 28);
    putU32(out, 0); // volume created
    putU16(out, kHFSPlusSignature);
    putU16(out, 0); // drive type: fixed disk
    putU32(out, 0); // parent directory ID
    putPascal(out, fileName, 64);
    putU32(out, 0); // file number
    putU32(out, 0); // file created
    putU32(out, 0); // file type
    putU32(out, 0); // creator
    putU16(out, uint16_t(nlvlFrom));
    putU16(out, uint16_t(nlvlTo));
    putU32(out, 0);               // volume attributes
    putU16(out, 0);               // file-system ID
    out.insert(out.end(), 10, 0); // reserved
    putExtra(out, kExtraParentDirectory, parentName);
    putExtra(out, kExtraColonPath, colonPath);
    putExtra(out, kExtraPOSIXPath, targetPath);
    putU16(out, uint16_t(kExtraEnd));
    putU16(out, 0);
    if (out.size() > kAliasRecordMaxSize || parentName.size() > 0xFFFF || colonPath.size() > 0xFFFF)
        return {};
    be::writeU16(out.data() + 4, uint16_t(out.size()));
    return out;
}

bool AliasRecordFits(std::string_view targetPath) {
    // The sizes MakeAliasRecord gives its parts, from one pass over the names between the slashes.
    size_t colonPath = kVolumeName.size();
    size_t last = 0;
    size_t parent = kVolumeName.size();
    size_t names = 0;
    for (size_t start = 0; start < targetPath.size();) {
        size_t end = std::min(targetPath.find('/', start), targetPath.size());
        if (end > start) {
            colonPath += 1 + (end - start);
            parent = names >= 1 ? last : parent;
            last = end - start;
            ++names;
        }
        start = end + 1;
    }
    if (names < 2)
        parent = kVolumeName.size();
    auto extra = [](size_t size) { return 4 + size + size % 2; };
    const size_t record = kAliasFixedSize + extra(parent) + extra(colonPath) + extra(targetPath.size()) + 4;
    return record <= kAliasRecordMaxSize && parent <= 0xFFFF && colonPath <= 0xFFFF;
}

bool ParseAliasRecord(const uint8_t* data, size_t size, AliasRecordInfo& info) {
    info = AliasRecordInfo{};
    if (size < kAliasFixedSize)
        return false;
    info.recordSize = be::readU16(data, 4);
    info.version = be::readU16(data, 6);
    size_t end = std::min<size_t>(size, info.recordSize ? info.recordSize : size);
    if (end < kAliasFixedSize)
        return false;
    info.volumeName = pascalAt(data + 10, 28);
    info.fileName = pascalAt(data + 50, 64);
    info.nlvlFrom = int16_t(be::readU16(data, 130));
    info.nlvlTo = int16_t(be::readU16(data, 132));
    size_t pos = kAliasFixedSize;
    while (pos + 4 <= end) {
        int16_t tag = int16_t(be::readU16(data, pos));
        size_t length = be::readU16(data, pos + 2);
        pos += 4;
        if (tag == kExtraEnd)
            return true;
        if (pos + length > end)
            return false;
        std::string text(reinterpret_cast<const char*>(data + pos), length);
        if (tag == kExtraParentDirectory)
            info.parentDirectoryName = text;
        else if (tag == kExtraColonPath)
            info.colonPath = text;
        else if (tag == kExtraPOSIXPath)
            info.posixPath = text;
        pos += length + (length % 2);
    }
    // Records without the end marker are accepted when they stop at their size.
    return pos == end || pos == end + 1;
}

std::string AliasAbsolutePath(const AliasRecordInfo& info) {
    if (!info.posixPath.empty())
        return info.posixPath;
    if (info.colonPath.empty())
        return {};
    std::string path = info.colonPath;
    if (path.size() > info.volumeName.size() && path.compare(0, info.volumeName.size(), info.volumeName) == 0)
        path.erase(0, info.volumeName.size());
    std::replace(path.begin(), path.end(), ':', '/');
    if (path.empty() || path[0] != '/')
        path.insert(path.begin(), '/');
    return path;
}

std::string AliasRelativePath(const AliasRecordInfo& info, const std::string& moviePath) {
    if (info.nlvlFrom <= 0 || info.nlvlTo <= 0)
        return {};
    const std::string absolute = AliasAbsolutePath(info);
    std::vector<std::string_view> parts = components(absolute);
    if (parts.size() < size_t(info.nlvlTo))
        return {};
    fs::path result = fs::path(moviePath).parent_path();
    for (int i = 1; i < info.nlvlFrom; ++i)
        result /= "..";
    for (size_t i = parts.size() - size_t(info.nlvlTo); i < parts.size(); ++i)
        result /= parts[i];
    return result.lexically_normal().string();
}
