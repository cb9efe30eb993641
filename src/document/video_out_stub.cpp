// Showing the current frame on the output until the document preview is built in: with no output
// controller it reports so, as the preview will; with one it sends nothing yet.
#include "document/dpx_movie_file.h"

#include "platform/log.h"

OSErr DPXMovieFile::startVideoOut() {
    if (!m_videoOut) {
        NSLog("Couldn't open VideoOut!\n");
        return -1;
    }
    return noErr;
}
