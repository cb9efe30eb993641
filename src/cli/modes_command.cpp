// reelmaker modes [--json]: the output device and its display modes, as the "Display" menu offers them.
#include "cli/commands.h"
#include "cli/json.h"

#include "platform/component/software_output_device.h"
#include "videoout/my_video_out.h"

#include <cstdio>
#include <string>

namespace {

const char kUsage[] = "usage: reelmaker modes [--json]\n";

// Device text is raw bytes: printable ASCII as it is, anything else as \xNN.
std::string printable(const std::string& raw) {
    std::string out;
    for (unsigned char c : raw) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += char(c);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", c);
            out += code;
        }
    }
    return out;
}

std::string codeText(OSType code) {
    return printable(FourCCString(code));
}

double rateValue(Fixed rate) {
    return double(rate) / 65536.0;
}

void writeJson(const MyVideoOut& videoOut) {
    JsonWriter json;
    json.beginObject();
    json.field("device", printable(videoOut.componentName()));
    json.key("modes").beginArray();
    int index = 0;
    for (const DisplayModeRecord& mode : videoOut.displayModes()) {
        json.beginObject();
        json.field("index", ++index);
        json.field("name", printable(mode.name));
        json.field("width", int64_t(mode.width));
        json.field("height", int64_t(mode.height));
        json.field("refresh_rate", int64_t(mode.refreshRate));
        json.field("pixel_type", codeText(mode.pixelType));
        json.key("decompressor_types").beginArray();
        for (OSType type : mode.decompressorTypes)
            if (type != 0)
                json.value(codeText(type));
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.key("chosen").null();
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

void writeText(const MyVideoOut& videoOut) {
    std::printf("device  %s\n", printable(videoOut.componentName()).c_str());
    std::printf("%5s  %-26s %-12s %8s  %-5s %s\n", "mode", "name", "size", "rate", "pixel", "decompressors");
    int index = 0;
    for (const DisplayModeRecord& mode : videoOut.displayModes()) {
        std::string size = std::to_string(mode.width) + " x " + std::to_string(mode.height);
        std::string decompressors;
        for (OSType type : mode.decompressorTypes) {
            if (type == 0)
                continue;
            if (!decompressors.empty())
                decompressors += ' ';
            decompressors.append("'").append(codeText(type)).append("'");
        }
        std::printf("%5d  %-26s %-12s %8.3f  %-5s %s\n", ++index, printable(mode.name).c_str(), size.c_str(),
                    rateValue(mode.refreshRate), codeText(mode.pixelType).c_str(), decompressors.c_str());
    }
}

} // namespace

int runModesCommand(const Arguments& args) {
    bool json = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (arg == "-h" || arg == "--help") {
            std::printf("%s", kUsage);
            return 0;
        } else {
            std::fprintf(stderr, "reelmaker modes: unexpected argument '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }

    // The registry goes last: the controller closes its instance in it.
    ComponentRegistry registry;
    RegisterSoftwareOutputDevice(registry);
    std::shared_ptr<MyVideoOut> videoOut = MyVideoOut::initWithComponentType(
        QTVideoOutputComponentType, kSoftwareOutputSubType, kSoftwareOutputManufacturer);
    if (!videoOut || !videoOut->enabled()) {
        std::fprintf(stderr, "reelmaker modes: no usable output device\n");
        return 1;
    }
    if (json)
        writeJson(*videoOut);
    else
        writeText(*videoOut);
    return 0;
}
