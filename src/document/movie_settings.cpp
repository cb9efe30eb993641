// The movie settings the window's popups and source ID field set, each stored as the application's
// default at once.
#include "document/dpx_movie_file.h"

#include "app/my_app_controller.h"
#include "document/settings_tables.h"

void DPXMovieFile::doFrameRatePopup(const fw::PopUpButton& sender) {
    const int32_t tag = sender.selectedTag(); // 0 when no item is selected
    const settings::FrameRateSettings rate = settings::frameRateSettingsForTag(tag);
    m_movieTimescale = rate.movieTimescale;
    m_frameDuration = rate.frameDuration;
    m_frameRate = rate.frameRate;
    m_tcDropFrame = rate.tcDropFrame;
    if (MyAppController* app = appController())
        app->setDefaultFrameRate(tag);
    // The rate moves a derived start timecode and decides where header timecodes break.
    if (hasSequence())
        setDescriptionText();
}

void DPXMovieFile::doCodecPopup(const fw::PopUpButton& sender) {
    const int32_t tag = sender.selectedTag();
    m_codecType = settings::codecTypeForTag(tag);
    if (MyAppController* app = appController())
        app->setDefaultCodec(tag);
}

void DPXMovieFile::doSourceID(const fw::TextField& sender) {
    setSourceID(sender.stringValue());
}

void DPXMovieFile::controlTextDidChange() {
    if (m_sourceIDTextField)
        setSourceID(m_sourceIDTextField->stringValue());
}

void DPXMovieFile::setSourceID(const std::string& sourceID) {
    m_sourceID = sourceID;
    if (m_sourceID.size() > kMaxSourceIDBytes) {
        // What the timecode track can hold, cut before a partial UTF-8 character; the field shows it.
        size_t end = kMaxSourceIDBytes;
        while (end > 0 && (static_cast<unsigned char>(m_sourceID[end]) & 0xC0) == 0x80)
            --end;
        m_sourceID.resize(end);
        if (m_sourceIDTextField && m_sourceIDTextField->stringValue() != m_sourceID)
            m_sourceIDTextField->setStringValue(m_sourceID);
    }
    if (MyAppController* app = appController())
        app->setDefaultSourceID(m_sourceID);
}
