// The movie atom: movie header, then per track its header, edit list, track references and media
// (header, handler, media information with data references and the sample table).
#include "platform/movie/alias_record.h"
#include "platform/movie/atom_writer.h"
#include "platform/movie/movie_model.h"

#include <algorithm>

namespace {

constexpr uint32_t kTrackEnabled = 0x1;
constexpr uint32_t kTrackInMovie = 0x2;
constexpr uint32_t kTrackInPreview = 0x4;
constexpr uint16_t kGraphicsModeDitherCopy = 0x40;
constexpr uint16_t kOpColorGrey = 0x8000;

uint32_t clampU32(int64_t value) {
    return uint32_t(std::clamp<int64_t>(value, 0, 0xFFFFFFFFll));
}

void writeMovieHeader(AtomWriter& out, const MovieRecord& movie) {
    int64_t duration = 0;
    for (const auto& track : movie.tracks)
        duration = std::max(duration, TrackDurationInMovieScale(*track));
    out.begin(FourCC("mvhd"));
    out.versionAndFlags(0, 0);
    out.u32(movie.creationTime);
    out.u32(movie.creationTime);
    out.u32(uint32_t(movie.timeScale));
    out.u32(clampU32(duration));
    out.u32(fixed1); // preferred rate
    out.u16(0x0100); // preferred volume 1.0
    out.zeros(10);
    out.unityMatrix();
    out.zeros(6 * 4); // preview, poster, selection and current times
    out.u32(movie.nextTrackID);
    out.end();
}

void writeTrackHeader(AtomWriter& out, const MovieRecord& movie, const TrackRecord& track) {
    uint32_t flags = kTrackInMovie | kTrackInPreview | (track.enabled ? kTrackEnabled : 0);
    out.begin(FourCC("tkhd"));
    out.versionAndFlags(0, flags);
    out.u32(movie.creationTime);
    out.u32(movie.creationTime);
    out.u32(track.trackID);
    out.u32(0);
    out.u32(clampU32(TrackDurationInMovieScale(track)));
    out.zeros(8);
    out.s16(0); // layer
    out.s16(0); // alternate group
    out.s16(track.volume);
    out.u16(0);
    out.unityMatrix();
    out.s32(track.width);
    out.s32(track.height);
    out.end();
}

void writeEditList(AtomWriter& out, const MovieRecord& movie, const TrackRecord& track) {
    if (track.edits.empty())
        return;
    out.begin(FourCC("edts"));
    out.begin(FourCC("elst"));
    out.versionAndFlags(0, 0);
    out.u32(uint32_t(track.edits.size()));
    for (const TrackEdit& edit : track.edits) {
        out.u32(clampU32(RescaleTime(edit.duration, edit.durationScale, movie.timeScale)));
        out.s32(int32_t(edit.mediaTime));
        out.u32(fixed1);
    }
    out.end();
    out.end();
}

void writeTrackReferences(AtomWriter& out, const TrackRecord& track) {
    if (track.references.empty())
        return;
    out.begin(FourCC("tref"));
    for (const TrackReferenceList& list : track.references) {
        out.begin(list.type);
        for (uint32_t id : list.trackIDs)
            out.u32(id);
        out.end();
    }
    out.end();
}

void writeHandler(AtomWriter& out, OSType componentType, OSType subtype, const std::string& name) {
    out.begin(FourCC("hdlr"));
    out.versionAndFlags(0, 0);
    out.fourCC(componentType);
    out.fourCC(subtype);
    out.u32(0); // manufacturer
    out.u32(0); // flags
    out.u32(0); // flags mask
    out.pascalString(name);
    out.end();
}

void writeOpColor(AtomWriter& out) {
    out.u16(kGraphicsModeDitherCopy);
    out.u16(kOpColorGrey);
    out.u16(kOpColorGrey);
    out.u16(kOpColorGrey);
}

void writeMediaHeaderAtom(AtomWriter& out, const MediaRecord& media) {
    if (media.type == VideoMediaType) {
        out.begin(FourCC("vmhd"));
        out.versionAndFlags(0, 1);
        writeOpColor(out);
        out.end();
        return;
    }
    // Timecode media: a base media header with the timecode's text display options.
    out.begin(FourCC("gmhd"));
    out.begin(FourCC("gmin"));
    out.versionAndFlags(0, 0);
    writeOpColor(out);
    out.s16(0); // balance
    out.u16(0);
    out.end();
    out.begin(FourCC("tmcd"));
    out.begin(FourCC("tcmi"));
    out.versionAndFlags(0, 0);
    out.u16(0);  // text font
    out.u16(0);  // text face
    out.u16(12); // text size
    out.u16(0);
    out.u16(0); // text colour: black
    out.u16(0);
    out.u16(0);
    out.u16(0xFFFF); // background: white
    out.u16(0xFFFF);
    out.u16(0xFFFF);
    out.pascalString("Helvetica");
    out.end();
    out.end();
    out.end();
}

void writeDataInformation(AtomWriter& out, const MediaRecord& media, const std::string& moviePath) {
    out.begin(FourCC("dinf"));
    out.begin(FourCC("dref"));
    out.versionAndFlags(0, 0);
    if (media.dataRefs.empty()) {
        // A media without samples still names its file, as readers expect one entry.
        out.u32(1);
        out.begin(rAliasType);
        out.versionAndFlags(0, 1);
        out.end();
    } else {
        out.u32(uint32_t(media.dataRefs.size()));
        for (const MediaDataRef& ref : media.dataRefs) {
            out.begin(rAliasType);
            if (ref.self) {
                out.versionAndFlags(0, 1); // the data is in the movie's own file
            } else {
                out.versionAndFlags(0, 0);
                std::vector<uint8_t> record = MakeAliasRecord(ref.path, moviePath);
                out.bytes(record.data(), record.size());
            }
            out.end();
        }
    }
    out.end();
    out.end();
}

void writeMedia(AtomWriter& out, const MovieRecord& movie, const MediaRecord& media,
                const std::string& moviePath) {
    out.begin(FourCC("mdia"));
    out.begin(FourCC("mdhd"));
    out.versionAndFlags(0, 0);
    out.u32(movie.creationTime);
    out.u32(movie.creationTime);
    out.u32(uint32_t(media.timeScale));
    out.u32(clampU32(int64_t(media.samples.duration())));
    out.u16(0); // language
    out.u16(0); // quality
    out.end();
    bool video = media.type == VideoMediaType;
    writeHandler(out, FourCC("mhlr"), media.type, video ? "VideoHandler" : "TimeCodeHandler");
    out.begin(FourCC("minf"));
    writeMediaHeaderAtom(out, media);
    writeHandler(out, FourCC("dhlr"), rAliasType, "DataHandler");
    writeDataInformation(out, media, moviePath);
    out.begin(FourCC("stbl"));
    media.samples.write(out);
    out.end();
    out.end();
    out.end();
}

} // namespace

std::vector<uint8_t> BuildMovieAtom(const MovieRecord& movie, const std::string& moviePath) {
    AtomWriter out;
    out.begin(FourCC("moov"));
    writeMovieHeader(out, movie);
    for (const auto& track : movie.tracks) {
        out.begin(FourCC("trak"));
        writeTrackHeader(out, movie, *track);
        writeEditList(out, movie, *track);
        writeTrackReferences(out, *track);
        if (track->media)
            writeMedia(out, movie, *track->media, moviePath);
        out.end();
    }
    out.end();
    if (out.overflowed() || !out.complete())
        return {};
    return out.take();
}
