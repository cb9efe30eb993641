// Start-up, data references to paths, and the movie storage calls.
#include "platform/movie/alias_record.h"
#include "platform/movie/movie_model.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

thread_local OSErr t_moviesError = noErr;

constexpr uint32_t kSecondsFrom1904To1970 = 2082844800u;

/// The absolute path an alias data reference handle names, or empty.
std::string pathOfDataRef(Handle dataRef, OSType dataRefType) {
    if (!dataRef || dataRefType != rAliasType)
        return {};
    AliasRecordInfo info;
    if (!ParseAliasRecord(reinterpret_cast<const uint8_t*>(*dataRef), size_t(GetHandleSize(dataRef)), info))
        return {};
    return AliasAbsolutePath(info);
}

/// An absolute path that lexical normalisation leaves as it is and that names a file: no empty,
/// "." or ".." component, no slash at the end.
bool isNormalFilePath(std::string_view path) {
    if (path.size() < 2 || path[0] != '/' || path.back() == '/')
        return false;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

void SetMoviesError(OSErr err) {
    t_moviesError = err;
}
OSErr GetMoviesError() {
    return t_moviesError;
}

OSErr EnterMovies() {
    return noErr;
}
void ExitMovies() {}

std::string DataRefPath(Handle dataRef, OSType dataRefType) {
    return pathOfDataRef(dataRef, dataRefType);
}

OSErr QTNewDataReferenceFromFullPathCFString(const std::string& filePath, QTPathStyle pathStyle,
                                             uint32_t flags, Handle* outDataRef, OSType* outDataRefType) {
    if (!outDataRef || !outDataRefType)
        return paramErr;
    *outDataRef = nullptr;
    *outDataRefType = 0;
    if (filePath.empty() || flags != 0 ||
        (pathStyle != kQTNativeDefaultPathStyle && pathStyle != kQTPOSIXPathStyle))
        return paramErr;
    std::string fullPath;
    if (isNormalFilePath(filePath)) {
        fullPath = filePath; // the common case, an export's frame paths: nothing to resolve
    } else {
        std::error_code ec;
        std::filesystem::path path = std::filesystem::absolute(filePath, ec);
        if (ec)
            return paramErr;
        path = path.lexically_normal();
        if (!path.has_filename())
            return paramErr;
        fullPath = path.string();
    }
    std::vector<uint8_t> record = MakeAliasRecord(fullPath);
    if (record.empty())
        return paramErr;
    Handle h = nullptr;
    if (OSErr err = PtrToHand(record.data(), &h, Size(record.size())); err != noErr)
        return err;
    *outDataRef = h;
    *outDataRefType = rAliasType;
    return noErr;
}

namespace {

// The movie's creation time: now, or SOURCE_DATE_EPOCH when it is set, as for reproducible builds,
// so that the same frames and settings give the same bytes.
uint32_t creationSeconds() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        errno = 0;
        const unsigned long long seconds = std::strtoull(epoch, &end, 10);
        if (errno == 0 && *end == '\0' && seconds <= 0xFFFFFFFFull - kSecondsFrom1904To1970)
            return uint32_t(seconds);
    }
    return uint32_t(std::time(nullptr));
}

} // namespace

OSErr CreateMovieStorage(Handle dataRef, OSType dataRefType, OSType /*creator*/, ScriptCode /*scriptTag*/,
                         int32_t createMovieFileFlags, DataHandler* outDataHandler, Movie* newMovie) {
    if (outDataHandler)
        *outDataHandler = nullptr;
    if (newMovie)
        *newMovie = nullptr;
    if (!outDataHandler || !newMovie || (createMovieFileFlags & ~createMovieFileDeleteCurFile) != 0)
        return paramErr;
    std::string path = pathOfDataRef(dataRef, dataRefType);
    if (path.empty())
        return invalidDataRef;

    std::unique_ptr<MovieStorage> storage;
    bool replace = (createMovieFileFlags & createMovieFileDeleteCurFile) != 0;
    if (OSErr err = MovieStorage::create(path, replace, storage); err != noErr)
        return err;

    auto movie = new MovieRecord;
    movie->creationTime = creationSeconds() + kSecondsFrom1904To1970;
    movie->storage = std::move(storage);
    auto handler = new DataHandlerRecord;
    handler->storage = movie->storage;
    handler->movie = movie;
    movie->dataHandler = handler;
    *outDataHandler = handler;
    *newMovie = movie;
    return noErr;
}

OSErr AddMovieToStorage(Movie theMovie, DataHandler dh) {
    if (!theMovie)
        return invalidMovie;
    if (!dh || dh->movie != theMovie)
        return paramErr;
    if (OSErr err = dh->storage->status(); err != noErr)
        return err;
    std::vector<uint8_t> atom = BuildMovieAtom(*theMovie, dh->storage->destination());
    if (atom.empty())
        return invalidMovie;
    return dh->storage->writeMovieAtom(atom);
}

OSErr CloseMovieStorage(DataHandler dh) {
    if (!dh)
        return paramErr;
    OSErr err = dh->storage->status();
    // A movie changed after AddMovieToStorage (or never added) gets its header now.
    if (err == noErr && dh->movie && !dh->storage->movieAtomCurrent())
        err = AddMovieToStorage(dh->movie, dh);
    if (err == noErr)
        err = dh->storage->finish(dh->flushOnClose);
    else
        dh->storage->abort();
    if (dh->movie)
        dh->movie->dataHandler = nullptr;
    delete dh;
    return err;
}

OSErr AbortMovieStorage(DataHandler dh) {
    if (!dh)
        return paramErr;
    dh->storage->abort();
    if (dh->movie)
        dh->movie->dataHandler = nullptr;
    delete dh;
    return noErr;
}

OSErr SetMovieStorageFlushOnClose(DataHandler dh, bool flush) {
    if (!dh)
        return paramErr;
    dh->flushOnClose = flush;
    return noErr;
}

OSErr SetMovieStorageKeepsExisting(DataHandler dh) {
    if (!dh)
        return paramErr;
    dh->storage->keepExisting();
    return noErr;
}

OSErr AddMovieStorageGap(DataHandler dh, uint64_t byteCount) {
    if (!dh)
        return paramErr;
    return dh->storage->addGap(byteCount);
}

OSErr GetMovieStorageCopies(DataHandler dh, MovieStorageCopies* copies) {
    if (!dh || !copies)
        return paramErr;
    const MovieStorage& storage = *dh->storage;
    copies->shared = storage.copiedBytes(CopyWay::shared);
    copies->kernel = storage.copiedBytes(CopyWay::kernel);
    copies->user = storage.copiedBytes(CopyWay::user);
    return noErr;
}

void DisposeMovie(Movie theMovie) {
    if (!theMovie)
        return;
    if (theMovie->dataHandler)
        theMovie->dataHandler->movie = nullptr;
    delete theMovie;
}
