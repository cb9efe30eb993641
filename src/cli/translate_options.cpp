#include "cli/translate_options.h"

#include "cli/usage_error.h"

#include <cstdio>
#include <filesystem>

const std::string kTranslateUsage =
    std::string(
        "usage: reelmaker translate [--json] FILE... [-o MOVIE | -o DIR/] [--reference] [--rate R]\n"
        "                           [--codec C] [--in I | --from N | --from-tc T]\n"
        "                           [--out O | --to M | --to-tc T] [--source-id S] [--force] [--quiet]\n"
        "                           [--sync] [--strict] [--large-frames] [--all DIR] [-R] [--jobs N]\n"
        "                           [--name-after base|file|folder|text|none] [--tree]\n"
        "                           [--farm slurm [--farm-chunk K] [--farm-opts OPTIONS] [--no-wait]]\n"
        "  -o MOVIE: the movie file (default: the proposed name in the sequence's folder); it gets\n"
        "            the extension .mov; a folder (or a path ending in /, made when missing) takes\n"
        "            each movie under its proposed name; several sequences need a folder, and two\n"
        "            sequences that would take one name are refused before anything is written\n"
        "  --tree: with --all and -o DIR/, each movie under its sequence's folder path below DIR\n"
        "          as below the folder walked (DIR/reel1/A001C003/0086400.mov), folders made\n"
        "  FILE: a frame of a sequence, or a movie ('R10k'/'R10g', self-contained or by reference),\n"
        "        whose samples are copied into a self-contained movie, timecode and source name kept\n"
        "  --all DIR: every sequence that `reelmaker ls DIR` lists (-R: and the folders below)\n"
        "  --jobs N: N exports at once (default 1: an export is bound by the disk)\n"
        "  --reference: a reference movie, whose samples point into the frame files\n"
        "  --force: replace an existing movie file\n"
        "  --quiet: no progress on standard error\n"
        "  --sync: force the movie onto the disk before it takes its name\n"
        "  --strict: refuse (exit 1, no movie) when the range has any warning: a break in the\n"
        "            numbering, entries left out, names with one number or of another pattern,\n"
        "            frames of another size or pixel data offset, a break in the header timecodes\n"
        "  --farm slurm: each sequence is a task of one job array on the cluster (sbatch, squeue,\n"
        "                scancel from PATH); needs -o DIR/, which with the frames and this program\n"
        "                must be on storage the nodes share; --jobs N: at most N tasks at once.\n"
        "                Waits for the tasks and reports as here; Ctrl-C cancels the array\n"
        "  --farm-chunk K: K sequences to a task (default 1)\n"
        "  --farm-opts OPTIONS: the site's own sbatch options (partition, account, time, memory), as\n"
        "                      one argument\n"
        "  --no-wait: print the job and its work folder and end; `reelmaker farm-report FOLDER`\n"
        "             reports later\n") +
    kDocumentOptionsHelp +
    "Ctrl-C cancels: the movie keeps the frames written so far (exit status 130); a second Ctrl-C\n"
    "aborts and leaves no movie.\n";

namespace {

enum class Word { taken, exportOption, notMine, bad };

/// Takes args[i] (and its value) when it is one of the options each sequence's export takes.
Word parseExportOption(const Arguments& args, size_t& i, TranslateOptions& options, std::string& error) {
    const std::string& arg = args[i];
    if (arg == "--reference") {
        options.reference = true;
    } else if (arg == "--force") {
        options.force = true;
    } else if (arg == "--sync") {
        options.sync = true;
    } else if (arg == "--strict") {
        options.strict = true;
    } else if (arg == "-o") {
        if (options.output) {
            error = "-o given twice";
            return Word::bad;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = "-o needs a movie path";
            return Word::bad;
        }
        options.output = args[++i];
    } else if (OptionParse parsed = parseDocumentOption(args, i, options.document, error);
               parsed != OptionParse::notMine) {
        return parsed == OptionParse::bad ? Word::bad : Word::exportOption;
    } else {
        return Word::notMine;
    }
    return Word::exportOption;
}

/// A count given as digits only (no sign, no blanks, no more digits than `most` has) from 1 to `most`:
/// --jobs (64), --farm-chunk (10000).
bool parseCount(const std::string& value, int most, int& count) {
    const bool digits = !value.empty() && value.size() <= std::to_string(most).size() &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    count = digits ? std::stoi(value) : 0;
    return count >= 1 && count <= most;
}

Word parseRunOption(const Arguments& args, size_t& i, TranslateOptions& options, bool& jobsGiven,
                    std::string& error) {
    const std::string& arg = args[i];
    auto value = [&]() { return i + 1 < args.size() ? args[++i] : std::string(); };
    if (arg == "--json") {
        options.json = true;
    } else if (arg == "--quiet") {
        options.quiet = true;
    } else if (arg == "-R") {
        options.recursive = true;
    } else if (arg == "--tree") {
        options.tree = true;
    } else if (arg == "--all") {
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = "--all needs a folder";
            return Word::bad;
        }
        options.allFolders.push_back(args[++i]);
    } else if (arg == "--jobs") {
        if (jobsGiven) {
            error = "--jobs given twice";
            return Word::bad;
        }
        jobsGiven = true;
        const std::string jobs = value();
        if (!parseCount(jobs, 64, options.jobs)) {
            error = "--jobs needs a number from 1 to 64, not '" + jobs + "'";
            return Word::bad;
        }
    } else if (arg == "--farm") {
        if (options.farm.scheduler) {
            error = "--farm given twice";
            return Word::bad;
        }
        options.farm.scheduler = value();
        if (*options.farm.scheduler != "slurm") {
            error = "--farm takes slurm, not '" + *options.farm.scheduler + "'";
            return Word::bad;
        }
    } else if (arg == "--farm-chunk") {
        const std::string chunk = value();
        if (!parseCount(chunk, 10000, options.farm.chunk)) {
            error = "--farm-chunk needs a number from 1 to 10000, not '" + chunk + "'";
            return Word::bad;
        }
    } else if (arg == "--farm-opts") {
        if (i + 1 >= args.size()) {
            error = "--farm-opts needs the scheduler's options as one argument";
            return Word::bad;
        }
        if (!splitOptionWords(args[++i], options.farm.siteOptions)) {
            error = "--farm-opts: a quote is not closed in '" + args[i] + "'";
            return Word::bad;
        }
    } else if (arg == "--no-wait") {
        options.farm.noWait = true;
    } else {
        return Word::notMine;
    }
    return Word::taken;
}

/// What no single option can say: options that go together, and the range's ends in order.
std::string selectionProblem(const TranslateOptions& options, const Arguments& args) {
    if (options.paths.empty() && options.allFolders.empty())
        return "no file given";
    if (options.recursive && options.allFolders.empty())
        return "-R goes with --all";
    if (options.tree && (options.allFolders.empty() || !options.output || !isFolderPath(*options.output)))
        return "--tree goes with --all and -o DIR/";
    if (options.document.in && options.document.out && *options.document.in > *options.document.out)
        return "--in " + std::to_string(*options.document.in) + " is after --out " +
               std::to_string(*options.document.out);
    if (!options.farm.scheduler) {
        for (const char* farmOnly : {"--farm-chunk", "--farm-opts", "--no-wait"})
            for (const std::string& arg : args) {
                if (arg == "--")
                    break;
                if (arg == farmOnly)
                    return std::string(farmOnly) + " goes with --farm";
            }
        return {};
    }
    if (!options.output || !isFolderPath(*options.output))
        return "--farm needs -o DIR/: the movies and the work folder go there, on storage the nodes share";
    return {};
}

} // namespace

bool isFolderPath(const std::string& path) {
    std::error_code ec;
    return (!path.empty() && path.back() == '/') || std::filesystem::is_directory(path, ec);
}

int parseTranslateArguments(const Arguments& args, TranslateOptions& options) {
    auto usageError = [&](const std::string& problem) {
        return reportUsageError("translate", problem, kTranslateUsage, jsonRequested(args));
    };
    bool optionsEnded = false;
    bool jobsGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (optionsEnded) {
            options.paths.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            std::printf("%s", kTranslateUsage.c_str());
            return 0;
        }
        const size_t start = i;
        Word word = parseExportOption(args, i, options, error);
        if (word == Word::notMine)
            word = parseRunOption(args, i, options, jobsGiven, error);
        if (word == Word::bad)
            return usageError(error);
        if (word == Word::exportOption)
            options.exportWords.insert(options.exportWords.end(), args.begin() + long(start),
                                       args.begin() + long(i) + 1);
        if (word != Word::notMine)
            continue;
        if (arg.size() > 1 && arg[0] == '-')
            return usageError("unknown option '" + arg + "'");
        options.paths.push_back(arg);
    }
    options.farm.jobsGiven = jobsGiven;
    if (const std::string problem = selectionProblem(options, args); !problem.empty())
        return usageError(problem);
    return -1;
}

bool parseExportWords(const std::vector<std::string>& words, TranslateOptions& options, std::string& error) {
    for (size_t i = 0; i < words.size(); ++i) {
        const Word word = parseExportOption(words, i, options, error);
        if (word == Word::bad)
            return false;
        if (word == Word::notMine) {
            error = "not an export option: '" + words[i] + "'";
            return false;
        }
    }
    return true;
}

bool splitOptionWords(const std::string& text, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            else if (c == '\\' && quote == '"' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
                word += text[++i];
            else
                word += c;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == '\\' && i + 1 < text.size()) {
            word += text[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return quote == 0;
}
