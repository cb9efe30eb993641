#include "export/export_problems.h"

#include "platform/movie/movie_errors.h"

std::string exportStatusText(OSErr status) {
    switch (status) {
    case dskFulErr:
        return "the disk is full";
    case wrPermErr:
        return "permission denied";
    case dirNFErr:
        return "the folder does not exist";
    case dupFNErr:
        return "a file of that name exists";
    case ioErr:
        return "input/output error";
    case bdNamErr:
        return "the name is too long for its folder";
    case memFullErr:
        return "out of memory";
    case eofErr:
        return "the file ends before its pixel data does";
    case badDataRefIndex:
        return "too many frame files for one reference movie (at most 32767)";
    case kExportAbortedErr:
        return "aborted";
    default:
        return "error " + std::to_string(status);
    }
}
