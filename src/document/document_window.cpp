// The document window "MyDocument": its controls, its set-up and the tab rule.
#include "document/dpx_movie_file.h"

#include "app/my_app_controller.h"
#include "document/description_text.h"
#include "document/window_size.h"
#include "document/settings_tables.h"

#include <array>

namespace {

// Popup titles by tag; the tags and what they select are the settings tables'.
constexpr std::array<const char*, settings::kFrameRateTagCount> kFrameRateTitles{
    "23.976", "24", "25", "29.97 drop frame", "29.97", "30", "50", "59.94", "60"};
constexpr std::array<const char*, settings::kCodecTagCount> kCodecTitles{"10-bit RGB (R10k)",
                                                                         "10-bit RGB (R10g)"};

// Save panel accessory cells: the tag 1 cell asks for a reference movie.
constexpr int kSelfContainedTag = 0;
constexpr int kReferenceMovieTag = 1;

} // namespace

MyAppController* DPXMovieFile::appController() const {
    return MyAppController::shared(framework());
}

void DPXMovieFile::loadWindowContents(fw::Window& window) {
    m_window = &window;
    fw::View& content = window.contentView();

    m_tabView = &content.addTabView(kTabViewID);
    fw::View& previewPage = m_tabView->addTabViewItem("Preview");
    m_imageView = &previewPage.addImageView(kImageViewID);
    makeSettingsControls(m_tabView->addTabViewItem("Settings"));
    m_tabView->setDidSelectTabViewItem(
        [this](fw::TabView& tabView, int index) { this->tabView(tabView, index); });

    m_frameSlider = &content.addSlider(kFrameSliderID);
    m_frameSlider->setAction([this](fw::Control& sender) { doSlider(static_cast<fw::Slider&>(sender)); });

    m_positionText = &content.addTextField(kPositionTextID, false);
    fw::View& marks = content.addView("markButtons", fw::Layout::Horizontal);
    m_playButton = &marks.addButton(kPlayButtonID, kPlayTitle, fw::ButtonType::MomentaryPush);
    m_playButton->setAction([this](fw::Control&) { togglePlay(); });
    m_playButton->setEnabled(false);
    marks.addButton(kMarkInButtonID, "Mark In", fw::ButtonType::MomentaryPush)
        .setAction([this](fw::Control&) { markIn(); });
    marks.addButton(kGotoInButtonID, "Go to In", fw::ButtonType::MomentaryPush)
        .setAction([this](fw::Control&) { gotoIn(); });
    marks.addButton(kGotoOutButtonID, "Go to Out", fw::ButtonType::MomentaryPush)
        .setAction([this](fw::Control&) { gotoOut(); });
    marks.addButton(kMarkOutButtonID, "Mark Out", fw::ButtonType::MomentaryPush)
        .setAction([this](fw::Control&) { markOut(); });

    m_descriptText = &content.addTextField(kDescriptTextID, false);
    // Export progress: shown only while an export runs.
    m_progressText = &content.addTextField(kProgressTextID, false);
    m_progressText->setHidden(true);
    m_progressIndicator = &content.addProgressIndicator(kProgressIndicatorID);
    m_progressIndicator->setHidden(true);
    // How the last export ended: a line, not an alert, with the way to its movie.
    fw::View& result = content.addView("exportResult", fw::Layout::Horizontal);
    m_exportResultText = &result.addTextField(kExportResultTextID, false);
    m_showMovieButton = &result.addButton(kShowMovieButtonID, "Show in Folder", fw::ButtonType::MomentaryPush);
    m_showMovieButton->setAction(
        [this](fw::Control&) { framework().revealInFileManager(m_exportOutcome.moviePath); });
    m_exportResultText->setHidden(true);
    m_showMovieButton->setHidden(true);
    m_translateButton =
        &content.addButton(kTranslateButtonID, kTranslateTitle, fw::ButtonType::MomentaryPush);
    m_translateButton->setAction([this](fw::Control&) { saveDocumentAs(); });

    makeSavePanelAccessory();
    window.setDelegate(this);
}

void DPXMovieFile::makeSettingsControls(fw::View& page) {
    page.addTextField("frameRateLabel", false).setStringValue("Frame rate:");
    m_frameRatePopup = &page.addPopUpButton(kFrameRatePopupID);
    for (int tag = 0; tag < settings::kFrameRateTagCount; ++tag)
        m_frameRatePopup->addItem(kFrameRateTitles[size_t(tag)], tag);
    m_frameRatePopup->setAction(
        [this](fw::Control& sender) { doFrameRatePopup(static_cast<fw::PopUpButton&>(sender)); });

    page.addTextField("codecLabel", false).setStringValue("Codec:");
    m_codecPopup = &page.addPopUpButton(kCodecPopupID);
    for (int tag = 0; tag < settings::kCodecTagCount; ++tag)
        m_codecPopup->addItem(kCodecTitles[size_t(tag)], tag);
    m_codecPopup->setAction(
        [this](fw::Control& sender) { doCodecPopup(static_cast<fw::PopUpButton&>(sender)); });

    page.addTextField("sourceIDLabel", false).setStringValue("Source ID:");
    m_sourceIDTextField = &page.addTextField(kSourceIDTextFieldID, true);
    m_sourceIDTextField->setAction(
        [this](fw::Control& sender) { doSourceID(static_cast<fw::TextField&>(sender)); });
    m_sourceIDTextField->setTextDidChange([this](fw::TextField&) { controlTextDidChange(); });
}

void DPXMovieFile::makeSavePanelAccessory() {
    m_savePanelAccessory = framework().makeView(kSavePanelAccessoryID, fw::Layout::Vertical);
    m_saveOptionMatrix = &m_savePanelAccessory->addMatrix(kSaveOptionMatrixID);
    m_saveOptionMatrix->addCell("Self-contained movie (frames copied)", kSelfContainedTag);
    m_saveOptionMatrix->addCell("Reference movie (frames referenced)", kReferenceMovieTag);
    // The range's warnings, read before the export is confirmed.
    m_saveWarningsText = &m_savePanelAccessory->addTextField(kSaveWarningsTextID, false);
    m_saveWarningsText->setHidden(true);
}

void DPXMovieFile::sizeWindowForPicture() {
    fw::Window* window = m_tabView ? m_tabView->window() : nullptr;
    if (!window || !m_imageView)
        return;
    const NSSize picture{float(m_frameWidth), float(m_frameHeight)};
    const NSSize around = window->contentSizeAround(*m_imageView, picture);
    const NSSize controls{around.width - picture.width, around.height - picture.height};
    const MyAppController* app = appController();
    window->setContentSize(pictureWindowContentSize(picture, controls, framework().screenVisibleSize(),
                                                    app ? app->documentWindowSize() : std::nullopt));
}

void DPXMovieFile::setPictureAtActualSize(bool actual) {
    if (m_imageView)
        m_imageView->setImageScaling(actual ? fw::ImageScaling::None : fw::ImageScaling::ProportionallyUpOrDown);
}

bool DPXMovieFile::pictureAtActualSize() const {
    return m_imageView && m_imageView->imageScaling() == fw::ImageScaling::None;
}

void DPXMovieFile::windowDidEndLiveResize(fw::Window& window) {
    if (&window != m_window)
        return;
    if (MyAppController* app = appController())
        app->setDocumentWindowSize(window.contentSize());
}

void DPXMovieFile::windowControllerDidLoadNib() {
    fw::Document::windowControllerDidLoadNib();
    MyAppController* app = appController();

    // A stored tag that no item carries selects nothing; the action then takes tag 0 and stores it.
    if (m_frameRatePopup) {
        m_frameRatePopup->selectItemAtIndex(
            m_frameRatePopup->indexOfItemWithTag(app ? app->defaultFrameRate() : 0));
        doFrameRatePopup(*m_frameRatePopup);
    }
    if (m_codecPopup) {
        m_codecPopup->selectItemAtIndex(m_codecPopup->indexOfItemWithTag(app ? app->defaultCodec() : 0));
        doCodecPopup(*m_codecPopup);
    }

    m_videoOut = app ? app->videoOut() : nullptr;
    if (app)
        m_bAllowLargeFrames = app->defaultAllowLargeFrames();

    if (fileString()) {
        if (openSequence()) {
            sizeWindowForPicture();
            if (m_frameSlider) {
                if (m_frameCount > 1) {
                    m_frameSlider->setEnabled(true);
                    m_frameSlider->setMinValue(0.0);
                    m_frameSlider->setMaxValue(double(m_frameCount - 1));
                    m_frameSlider->setIntValue(m_lastSlider);
                } else {
                    m_frameSlider->setEnabled(false);
                }
            }
            if (m_translateButton)
                m_translateButton->setEnabled(true);
            if (m_playButton)
                m_playButton->setEnabled(m_frameCount > 1);
            didOpen();
            updatePositionText();
            showWindows();
        } else {
            if (m_descriptText)
                m_descriptText->setStringValue(std::string(kOpenFailedText) +
                                               (m_openProblem.empty() ? "" : "\n" + m_openProblem));
            if (m_translateButton)
                m_translateButton->setEnabled(false);
            if (m_frameSlider)
                m_frameSlider->setEnabled(false);
            // Nothing to mark or go to: buttons that do nothing would say otherwise.
            if (fw::Window* window = m_tabView ? m_tabView->window() : nullptr)
                for (const char* id : {kMarkInButtonID, kGotoInButtonID, kGotoOutButtonID, kMarkOutButtonID})
                    if (auto* button = window->find<fw::Button>(id))
                        button->setEnabled(false);
            didFailToOpen();
        }
    }

    setSourceID(getDefaultSourceIDString());
    if (m_sourceIDTextField)
        m_sourceIDTextField->setStringValue(m_sourceID);
}

bool DPXMovieFile::loadDataRepresentation(const std::vector<uint8_t>& data, const std::string& type) {
    (void)data;
    (void)type;
    return true;
}

std::optional<std::vector<uint8_t>> DPXMovieFile::dataRepresentationOfType(const std::string& type) const {
    (void)type;
    return std::nullopt;
}

void DPXMovieFile::tabView(fw::TabView& tabView, int itemIndex) {
    (void)itemIndex;
    if (!m_frameSlider)
        return;
    // The slider chooses indices 0 to frameCount - 1 only: one it could not move at set-up (no
    // sequence, a single frame) stays disabled on the first tab too.
    m_frameSlider->setEnabled(tabView.indexOfSelectedTabViewItem() == 0 && m_frameCount > 1);
}
