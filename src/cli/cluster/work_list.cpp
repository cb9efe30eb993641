#include "cli/cluster/work_list.h"

#include "platform/display_text.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using Json = nlohmann::ordered_json;

namespace {

constexpr int kWorkListVersion = 1;
const char kFarmFolder[] = ".reelmaker-farm";

/// A path as JSON keeps it: as text when it is UTF-8, else its bytes in hex, so that a name of
/// another encoding comes back byte for byte.
Json pathJson(const std::string& path) {
    if (isValidUtf8(path))
        return path;
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : path) {
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    return Json{{"hex", hex}};
}

std::string pathOfJson(const Json& json) {
    if (json.is_string())
        return json.get<std::string>();
    const std::string hex = json.at("hex").get<std::string>();
    if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdef") != std::string::npos)
        throw std::invalid_argument("a path's hex bytes are malformed");
    std::string path;
    for (size_t i = 0; i < hex.size(); i += 2)
        path += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return path;
}

/// mkdir with the user's permissions (the umask applies); an existing folder is fine when allowed.
std::string makeFolder(const std::string& path, bool mayExist) {
    if (mkdir(path.c_str(), 0777) == 0 || (mayExist && errno == EEXIST))
        return {};
    return "can't make the folder " + path + ": " + std::strerror(errno);
}

/// A name that sorts by the time of the submission: 20261210-212429-4711.
std::string folderStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return std::string(stamp) + "-" + std::to_string(getpid());
}

} // namespace

std::string makeWorkFolder(const std::string& outputFolder, std::string& folder) {
    const std::string farm = outputFolder + (outputFolder.empty() || outputFolder.back() == '/' ? "" : "/") + kFarmFolder;
    if (std::string problem = makeFolder(farm, true); !problem.empty())
        return problem;
    const std::string stamp = folderStamp();
    for (int attempt = 1;; ++attempt) {
        folder = farm + "/" + stamp;
        if (attempt > 1) // appended apart: GCC 12 takes `"-" + std::string` for an overlapping copy
            folder.append("-").append(std::to_string(attempt));
        if (mkdir(folder.c_str(), 0777) == 0)
            break;
        if (errno != EEXIST || attempt == 100)
            return "can't make the folder " + folder + ": " + std::strerror(errno);
    }
    for (const char* below : {"/results", "/logs"})
        if (std::string problem = makeFolder(folder + below, false); !problem.empty())
            return problem;
    return {};
}

std::string writeWorkList(const std::string& folder, const WorkList& list) {
    Json json;
    json["version"] = kWorkListVersion;
    json["scheduler"] = list.scheduler;
    json["executable"] = pathJson(list.executable);
    json["working_directory"] = pathJson(list.workingDirectory);
    json["source_date_epoch"] = list.sourceDateEpoch ? Json(*list.sourceDateEpoch) : Json(nullptr);
    json["chunk"] = list.chunk;
    json["export_options"] = Json::array();
    for (const std::string& word : list.exportWords)
        json["export_options"].push_back(pathJson(word));
    json["sequences"] = Json::array();
    for (const WorkEntry& entry : list.entries)
        json["sequences"].push_back({{"frame", pathJson(entry.frame)},
                                     {"tree_folder", pathJson(entry.treeFolder)},
                                     {"folder", pathJson(entry.name.folder)},
                                     {"pattern", pathJson(entry.name.pattern)}});
    json["listing_problems"] = Json::array();
    for (const std::string& problem : list.listingProblems)
        json["listing_problems"].push_back(pathJson(problem));
    return writeFileAtomically(folder + "/work.json", json.dump(2) + "\n");
}

std::optional<WorkList> readWorkList(const std::string& folder, std::string& problem) {
    const std::string path = folder + "/work.json";
    const std::optional<std::string> text = readWholeFile(path, problem);
    if (!text)
        return std::nullopt;
    const Json json = Json::parse(*text, nullptr, false);
    try {
        if (json.is_discarded())
            throw std::invalid_argument("not JSON");
        if (json.at("version").get<int>() != kWorkListVersion)
            throw std::invalid_argument("a work list of version " + json.at("version").dump() +
                                        "; this program reads version " + std::to_string(kWorkListVersion));
        WorkList list;
        list.scheduler = json.at("scheduler").get<std::string>();
        list.executable = pathOfJson(json.at("executable"));
        list.workingDirectory = pathOfJson(json.at("working_directory"));
        if (!json.at("source_date_epoch").is_null())
            list.sourceDateEpoch = json.at("source_date_epoch").get<std::string>();
        list.chunk = json.at("chunk").get<int>();
        if (list.chunk < 1)
            throw std::invalid_argument("chunk " + std::to_string(list.chunk));
        for (const Json& word : json.at("export_options"))
            list.exportWords.push_back(pathOfJson(word));
        for (const Json& entry : json.at("sequences"))
            list.entries.push_back({pathOfJson(entry.at("frame")), pathOfJson(entry.at("tree_folder")),
                                    {pathOfJson(entry.at("folder")), pathOfJson(entry.at("pattern"))}});
        for (const Json& listing : json.at("listing_problems"))
            list.listingProblems.push_back(pathOfJson(listing));
        return list;
    } catch (const std::exception& error) {
        // nlohmann reports a missing key or a value of another type by exception; it ends here.
        problem = path + ": not a work list: " + error.what();
        return std::nullopt;
    }
}

std::string writeJobRecord(const std::string& folder, const std::string& scheduler, const std::string& job) {
    const Json json{{"scheduler", scheduler}, {"job", job}};
    return writeFileAtomically(folder + "/job.json", json.dump() + "\n");
}

bool readJobRecord(const std::string& folder, std::string& scheduler, std::string& job, std::string& problem) {
    const std::string path = folder + "/job.json";
    const std::optional<std::string> text = readWholeFile(path, problem);
    if (!text)
        return false;
    const Json json = Json::parse(*text, nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("job") || !json["job"].is_string() ||
        !json.contains("scheduler") || !json["scheduler"].is_string()) {
        problem = path + ": no job record";
        return false;
    }
    scheduler = json["scheduler"].get<std::string>();
    job = json["job"].get<std::string>();
    return true;
}

std::string resultPath(const std::string& folder, size_t entry) {
    return folder + "/results/" + std::to_string(entry) + ".json";
}

std::string writeFileAtomically(const std::string& path, const std::string& text) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // Hidden, and named after the process, so that readers pass it over and two writers never meet.
    const std::string temporary = folder + "/." + name + "." + std::to_string(getpid()) + ".part";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return "can't write " + temporary + ": " + std::strerror(errno);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string problem = "can't write " + temporary + ": " + std::strerror(errno);
            close(fd);
            unlink(temporary.c_str());
            return problem;
        }
        done += size_t(n);
    }
    // On shared storage the node's writes must be out before another machine reads the name.
    const bool written = fsync(fd) == 0;
    const int savedErrno = errno;
    if (close(fd) != 0 || !written) {
        unlink(temporary.c_str());
        return "can't write " + temporary + ": " + std::strerror(written ? errno : savedErrno);
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string problem = "can't rename " + temporary + " to " + name + ": " + std::strerror(errno);
        unlink(temporary.c_str());
        return problem;
    }
    return {};
}

std::optional<std::string> readWholeFile(const std::string& path, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "can't read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        problem = "can't read " + path;
        return std::nullopt;
    }
    return text.str();
}
