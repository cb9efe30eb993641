// header_floor DIR [PASSES]: the floor of a reference export's file work, for export_bench.sh. Lists
// DIR once, then PASSES times (default 2: the scan's pass and the export's) opens every entry, reads
// its first 2048 bytes and closes it. Prints the seconds taken and the number of files.
// A DIR given as "--tree=ROOT" lists ROOT and every folder below it (the floor of `ls -R`).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: header_floor DIR [PASSES]\n");
        return 2;
    }
    std::string dir = argv[1];
    const bool tree = dir.rfind("--tree=", 0) == 0;
    if (tree)
        dir = dir.substr(7);
    const int passes = argc > 2 ? std::atoi(argv[2]) : 2;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> paths;
    std::vector<std::string> folders{dir};
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        DIR* listing = ::opendir(folder.c_str());
        if (!listing)
            continue;
        while (const dirent* entry = ::readdir(listing)) {
            if (entry->d_name[0] == '.')
                continue;
            if (tree && entry->d_type == DT_DIR)
                folders.push_back(folder + "/" + entry->d_name);
            else
                paths.push_back(folder + "/" + entry->d_name);
        }
        ::closedir(listing);
    }
    char header[2048];
    size_t read = 0;
    for (int pass = 0; pass < passes; ++pass) {
        for (const std::string& path : paths) {
            int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            if (::read(fd, header, sizeof header) == ssize_t(sizeof header))
                ++read;
            ::close(fd);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %zu\n", seconds, paths.size());
    return read == paths.size() * size_t(passes) ? 0 : 1;
}
