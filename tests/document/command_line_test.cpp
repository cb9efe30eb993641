// The command line's common ground: help and --version, failures in JSON, file names as the
// locale shows them, notes about what will not be recorded.
#include "support/frame_writer.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

TEST(CommandLine, HelpPerCommandAndVersion) {
    CommandResult version = runCli({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out.rfind("reelmaker 0.", 0), 0u) << version.out;
    for (const char* command : {"info", "ls", "scan", "describe", "translate", "verify", "modes", "show"}) {
        CommandResult help = runCli({"help", command});
        EXPECT_EQ(help.exitStatus, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: reelmaker ") + command, 0), 0u) << help.out;
    }
    EXPECT_EQ(runCli({"help", "frobnicate"}).exitStatus, 2);
}

TEST(CommandLine, EveryCommandGivenJsonSaysWhyItFailedInJson) {
    TempDir dir;
    writeFile(dir.file("notes_0001.txt"), {'h', 'i', '!', '!'});
    const std::string file = dir.file("notes_0001.txt");
    const std::vector<std::vector<std::string>> runs = {
        {"info", "--json", file},
        {"scan", "--json", file},
        {"describe", "--json", file},
        {"translate", "--json", file},
        {"verify", "--json", file},
        {"modes", "--json", "--for", file},
        {"ls", "--json", dir.file("absent")},
    };
    for (const std::vector<std::string>& args : runs) {
        CommandResult run = runCli(args);
        EXPECT_EQ(run.exitStatus, 1) << args[0];
        std::optional<JsonValue> json = parseJson(run.out);
        ASSERT_TRUE(json) << args[0] << ": " << run.out;
        const JsonValue& problems =
            json->type == JsonValue::Type::array ? (*json)[0]["problem"] : (*json)["problems"];
        EXPECT_FALSE(problems.isNull() || (problems.type == JsonValue::Type::array && problems.items.empty()))
            << args[0] << ": " << run.out;
    }
    // The reason names the file and what was wrong with it.
    CommandResult scan = runCli({"scan", file});
    EXPECT_NE(scan.err.find("Error: couldn't open file " + file + ": unknown ID 'hi!!' (0x68692121)\n"),
              std::string::npos)
        << scan.err;
}

TEST(CommandLine, EveryCommandGivenJsonPrintsJsonForAUsageError) {
    TempDir dir;
    FrameSpec frame;
    writeFrameFile(dir.file("shot_0001.dpx"), frame);
    const std::string file = dir.file("shot_0001.dpx");
    const std::vector<std::vector<std::string>> runs = {
        {"translate", "--json", file, "--jobs", "0"},
        {"translate", "--json", file, "--from-tc", "25:00:00:00"},
        {"translate", file, "--bogus", "--json"},
        {"describe", "--json", file, "--rate", "7.5"},
        {"ls", "--json"},
        {"ls", "--json", "--bogus"},
        {"info", "--json"},
        {"scan", "--json", file, file},
        {"verify", "--json", "--against"},
        {"modes", "--json", "--rate", "24"},
    };
    for (const std::vector<std::string>& args : runs) {
        CommandResult run = runCli(args);
        EXPECT_EQ(run.exitStatus, 2) << args[0] << " " << args.back();
        std::optional<JsonValue> json = parseJson(run.out);
        ASSERT_TRUE(json) << args[0] << " " << args.back() << ": '" << run.out << "'";
        EXPECT_EQ((*json)["error"]["kind"].text, "usage") << run.out;
        EXPECT_FALSE((*json)["error"]["message"].text.empty()) << run.out;
        // The same message as on standard error.
        EXPECT_NE(run.err.find((*json)["error"]["message"].text), std::string::npos) << run.err;
    }
}

TEST(CommandLine, NamesShowAsTheLocaleCanAndUnrecordedSourceIDsAreSaid) {
    TempDir dir;
    FrameSpec frame;
    writeFrameFile(dir.file("pl\u00e5t_0001.dpx"), frame); // no timecode
    writeFile(dir.file("bad\x01\xff_0001.dpx"), frameFileBytes(frame));
    const std::string cli = REELMAKER_CLI_PATH;
    auto scan = [&](const std::string& locale, const std::string& name) {
        return runShell("LC_ALL=" + locale + " '" + cli + "' scan '" + dir.file(name) + "' 2>&1").out;
    };
    EXPECT_NE(scan("C.UTF-8", "pl\u00e5t_0001.dpx").find("base name   \"pl\u00e5t_\""), std::string::npos);
    EXPECT_NE(scan("C", "pl\u00e5t_0001.dpx").find("base name   \"pl\\xc3\\xa5t_\""), std::string::npos);
    // Control characters and bytes that aren't UTF-8 stay escaped in any locale.
    EXPECT_NE(scan("C.UTF-8", "bad\x01\xff_0001.dpx").find("base name   \"bad\\x01\\xff_\""),
              std::string::npos);

    CommandResult described = runCli({"describe", dir.file("pl\u00e5t_0001.dpx"), "--source-id", "A001"});
    EXPECT_EQ(described.exitStatus, 0);
    EXPECT_NE(described.err.find("no timecode, so the source ID 'A001' will not be recorded"),
              std::string::npos)
        << described.err;
}

} // namespace
