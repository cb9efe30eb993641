// The Translate button's action until the export is built in: nothing happens.
#include "document/dpx_movie_file.h"

void DPXMovieFile::saveDocumentAs() {}
