// The image description of the export's frames, from the settings the export works from.
#include "document/dpx_movie_file.h"
#include "document/video_image_description.h"

ImageDescriptionHandle DPXMovieFile::makeExportImageDescription() const {
    const ExportSettings& s = m_exportSettings;
    return NewVideoImageDescription(s.codecType, s.frameWidth, s.frameHeight,
                                    s.makeReferenceMovie ? 1 : s.outFrame - s.inFrame);
}
