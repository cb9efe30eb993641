#include "cli/usage_error.h"

#include "cli/json.h"
#include "platform/display_text.h"

#include <cstdio>

bool jsonRequested(const Arguments& args) {
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--json")
            return true;
    }
    return false;
}

int reportUsageError(const char* command, const std::string& problem, const std::string& usage, bool json) {
    std::fprintf(stderr, "reelmaker %s: %s\n%s", command, printable(problem).c_str(), usage.c_str());
    if (json) {
        JsonWriter writer;
        writer.beginObject();
        writer.key("error").beginObject();
        writer.field("kind", std::string("usage"));
        writer.field("message", jsonText(problem));
        writer.endObject();
        writer.endObject();
        std::printf("%s\n", writer.str().c_str());
    }
    return 2;
}
