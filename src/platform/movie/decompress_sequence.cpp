#include "platform/movie/decompress_sequence.h"

#include "platform/bigendian.h"
#include "platform/movie/decompress_codec.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Fields of the image description that the decompressor reads.
constexpr Size kDescriptionSize = 86;
constexpr size_t kIdSizeField = 0;
constexpr size_t kCodecTypeField = 4;
constexpr size_t kWidthField = 32;
constexpr size_t kHeightField = 34;

struct Sequence {
    std::shared_ptr<SurfacePixels> target; // the surface's block at the time the sequence opened
    int imageWidth = 0;
    int imageHeight = 0;
    Rect source;
};

// The platform names sequences by number only, so the open ones live in one process-wide table.
class SequenceTable {
public:
    ImageSequence add(Sequence sequence) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (++m_lastID <= 0)
            m_lastID = 1;
        m_sequences[m_lastID] = std::move(sequence);
        return m_lastID;
    }
    bool remove(ImageSequence id) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_sequences.erase(id) > 0;
    }
    /// Runs `use` on the sequence while the table is locked; false when there is no such sequence.
    template <typename Use> bool with(ImageSequence id, Use use) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_sequences.find(id);
        if (it == m_sequences.end())
            return false;
        use(it->second);
        return true;
    }

private:
    std::mutex m_mutex;
    std::map<ImageSequence, Sequence> m_sequences;
    ImageSequence m_lastID = 0;
};

SequenceTable& sequences() {
    static SequenceTable table;
    return table;
}

// The picture's part to draw: the source rectangle within the picture's bounds.
OSErr clipSource(const Rect* srcRect, int width, int height, Rect& clipped) {
    SetRect(&clipped, 0, 0, int16_t(width), int16_t(height));
    if (!srcRect)
        return noErr;
    if (srcRect->right <= srcRect->left || srcRect->bottom <= srcRect->top)
        return invalidRect;
    clipped.left = std::max<int16_t>(srcRect->left, 0);
    clipped.top = std::max<int16_t>(srcRect->top, 0);
    clipped.right = std::min<int16_t>(srcRect->right, int16_t(width));
    clipped.bottom = std::min<int16_t>(srcRect->bottom, int16_t(height));
    if (clipped.right <= clipped.left || clipped.bottom <= clipped.top)
        return invalidRect;
    return noErr;
}

} // namespace

OSErr DecompressSequenceBeginS(ImageSequence* seqID, Handle desc, Ptr /*data*/, long /*dataSize*/,
                               CGrafPtr port, void* /*gdh*/, const Rect* srcRect, const void* matrix,
                               int16_t mode, const void* mask, CodecFlags /*flags*/, CodecQ /*accuracy*/,
                               void* /*decompressor*/) {
    if (!seqID)
        return paramErr;
    *seqID = 0;
    if (!desc || !*desc || GetHandleSize(desc) < kDescriptionSize)
        return badImageDescription;
    const auto* d = reinterpret_cast<const uint8_t*>(*desc);
    if (be::readU32(d, kIdSizeField) < uint32_t(kDescriptionSize))
        return badImageDescription;
    if (!decompress::handlesCodec(be::readU32(d, kCodecTypeField)))
        return noCodecErr;
    int width = int16_t(be::readU16(d, kWidthField));
    int height = int16_t(be::readU16(d, kHeightField));
    if (width <= 0 || height <= 0)
        return codecSizeErr;
    if (!port)
        return paramErr;
    if (matrix || mask || mode != srcCopy)
        return codecUnimpErr;

    Sequence sequence;
    sequence.target = port->pixels();
    sequence.imageWidth = width;
    sequence.imageHeight = height;
    if (OSErr status = clipSource(srcRect, width, height, sequence.source); status != noErr)
        return status;
    *seqID = sequences().add(std::move(sequence));
    return noErr;
}

OSErr DecompressSequenceFrameS(ImageSequence seqID, Ptr data, long dataSize, CodecFlags /*inFlags*/,
                               CodecFlags* outFlags, const void* asyncCompletionProc) {
    if (outFlags)
        *outFlags = 0;
    OSErr status = noErr;
    bool found = sequences().with(seqID, [&](Sequence& sequence) {
        if (asyncCompletionProc) {
            status = codecUnimpErr;
            return;
        }
        long long needed = (long long)sequence.imageWidth * sequence.imageHeight * 4;
        if (!data || dataSize < needed) {
            status = codecBadDataErr;
            return;
        }
        decompress::drawR10Frame(reinterpret_cast<const uint8_t*>(data), sequence.imageWidth, sequence.source,
                                 *sequence.target);
    });
    return found ? status : paramErr;
}

OSErr CDSequenceEnd(ImageSequence seqID) {
    return sequences().remove(seqID) ? noErr : paramErr;
}
