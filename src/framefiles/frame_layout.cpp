#include "framefiles/frame_layout.h"

#include <set>

namespace {

const char* descriptorName(uint8_t descriptor) {
    switch (descriptor) {
    case 0:
        return "user-defined";
    case 1:
        return "red";
    case 2:
        return "green";
    case 3:
        return "blue";
    case 4:
        return "alpha";
    case 6:
        return "luma";
    case 7:
        return "chroma";
    case 8:
        return "depth";
    case 9:
        return "composite";
    case 50:
        return "RGB";
    case 51:
        return "RGBA";
    case 52:
        return "ABGR";
    case 100:
        return "CbYCrY 4:2:2";
    case 101:
        return "CbYACrYA 4:2:2:4";
    case 102:
        return "CbYCr 4:4:4";
    case 103:
        return "CbYCrA 4:4:4:4";
    default:
        return nullptr;
    }
}

std::string packingName(uint16_t packing) {
    switch (packing) {
    case 0:
        return "packed";
    case 1:
        return "filled A";
    case 2:
        return "filled B";
    default:
        return "packing " + std::to_string(packing);
    }
}

// The descriptor's name, else "descriptor N". Strings here are appended to rather than joined with
// `literal + std::string`, which GCC 12 takes for an overlapping copy (-Wrestrict, a false positive).
std::string descriptorText(uint8_t descriptor) {
    if (const char* name = descriptorName(descriptor))
        return name;
    std::string text = "descriptor ";
    text.append(std::to_string(descriptor));
    return text;
}

constexpr uint8_t kDescriptorRGB = 50;
constexpr uint16_t kPackingFilledA = 1;

// Cineon image information: byte offsets within the header.
constexpr size_t kCineonChannelCount = 193; // u8
constexpr size_t kCineonChannelInfo = 196;  // 8 records of 28 bytes
constexpr size_t kCineonChannelInfoSize = 28;
constexpr size_t kCineonBitsPerPixel = 2; // u8 within a channel record
constexpr size_t kCineonInterleave = 680; // u8: 0 pixel interleaved
constexpr size_t kCineonPacking = 681;    // u8: 5 = 10 bits filled into 32-bit words
constexpr uint8_t kCineonPackingFilled32 = 5;

// A field claims something unless it is zero or has all its bits set (undefined).
template <typename T> bool claims(T value) {
    return value != 0 && value != T(~T(0));
}

std::string refusalText(const std::string& what) {
    return what + ": " + kCopiableLayoutText;
}

// "16-bit RGB", "12-bit RGB packed", "10-bit luma filled B", "10-bit RGB run-length encoded": the
// claimed parts of a DPX element, bit depth first.
std::string claimedDPXLayout(const DPXImageElementHeader& e) {
    std::string text;
    if (claims(e.bitDepth))
        text = std::to_string(e.bitDepth) + "-bit";
    if (claims(e.descriptor)) {
        if (!text.empty())
            text += ' ';
        text += descriptorText(e.descriptor);
    } else {
        text += text.empty() ? "pixels" : " pixels";
    }
    // Packing tells 10- and 12-bit layouts apart; for other depths only an unusual one is named.
    if ((e.bitDepth == 10 || e.bitDepth == 12) && e.packing != 0xFFFF)
        text.append(" ").append(packingName(e.packing));
    else if (claims(e.packing) && e.packing != kPackingFilledA)
        text.append(" ").append(packingName(e.packing));
    if (claims(e.encoding))
        text += e.encoding == 1 ? " run-length encoded" : " encoding " + std::to_string(e.encoding);
    return text;
}

} // namespace

FrameLayout layoutOfDPXHeader(const DPXHeader& header) {
    FrameLayout layout;
    uint16_t elements = header.imageInfo.numImageElements;
    if (elements == 0) {
        layout.text = "no image element";
        return layout;
    }
    const DPXImageElementHeader& first = header.imageInfo.imageElement[0];
    layout.text = descriptorText(first.descriptor);
    layout.text.append(" ").append(std::to_string(first.bitDepth)).append("-bit");
    if (first.bitDepth == 32 || first.bitDepth == 64)
        layout.text += " float";
    else if (first.bitDepth == 10 || first.bitDepth == 12)
        layout.text.append(" ").append(packingName(first.packing));
    if (first.encoding == 1)
        layout.text += " RLE";
    else if (first.encoding != 0)
        layout.text += " encoding " + std::to_string(first.encoding);
    if (elements != 1)
        layout.text += ", " + std::to_string(elements) + " elements";
    layout.native = first.descriptor == kDescriptorRGB && first.bitDepth == 10 &&
                    first.packing == kPackingFilledA && first.encoding == 0;
    const bool contradicts = (claims(first.descriptor) && first.descriptor != kDescriptorRGB) ||
                             (claims(first.bitDepth) && first.bitDepth != 10) ||
                             (claims(first.packing) && first.packing != kPackingFilledA) ||
                             claims(first.encoding);
    if (contradicts)
        layout.refusal = refusalText(claimedDPXLayout(first));
    return layout;
}

FrameLayout layoutOfCineonHeader(const uint8_t* header) {
    unsigned channels = header[kCineonChannelCount];
    std::set<unsigned> depths;
    for (unsigned i = 0; i < channels && i < 8; ++i)
        depths.insert(header[kCineonChannelInfo + kCineonChannelInfoSize * i + kCineonBitsPerPixel]);
    std::string bits;
    for (unsigned depth : depths) {
        if (!bits.empty())
            bits += '/';
        bits += std::to_string(depth);
    }
    FrameLayout layout;
    layout.text = std::to_string(channels) + " ch " + (bits.empty() ? "?" : bits) + "-bit, packing " +
                  std::to_string(header[kCineonPacking]);
    layout.native = channels == 3 && depths == std::set<unsigned>{10} &&
                    header[kCineonPacking] == kCineonPackingFilled32 && header[kCineonInterleave] == 0;
    std::set<unsigned> claimedDepths;
    for (unsigned depth : depths)
        if (claims(uint8_t(depth)))
            claimedDepths.insert(depth);
    const bool otherDepth = !claimedDepths.empty() && claimedDepths != std::set<unsigned>{10};
    if ((claims(uint8_t(channels)) && channels != 3) || otherDepth ||
        (claims(header[kCineonPacking]) && header[kCineonPacking] != kCineonPackingFilled32) ||
        claims(header[kCineonInterleave])) {
        std::string what = claimedDepths.empty() ? std::string("Cineon") : bits + "-bit";
        if (claims(uint8_t(channels)))
            what += " " + std::to_string(channels) + "-channel";
        if (claims(header[kCineonPacking]))
            what += ", packing " + std::to_string(header[kCineonPacking]);
        if (claims(header[kCineonInterleave]))
            what += ", interleave " + std::to_string(header[kCineonInterleave]);
        layout.refusal = refusalText(what);
    }
    return layout;
}
