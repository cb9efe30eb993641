#include "app/my_app_controller.h"

#include "document/window_size.h"
#include "platform/framework/menu.h"

namespace {

// The output device the application looks for: type 'vout', subtype 'TavX', maker 'QexV'.
constexpr OSType kVideoOutType = FourCC("vout");
constexpr OSType kVideoOutSubType = FourCC("TavX");
constexpr OSType kVideoOutManufacturer = FourCC("QexV");

constexpr const char* kHelpResource = "ReelmakerHelp";
constexpr const char* kHelpResourceType = "rtf";

constexpr const char* kVideoOutMenuTitle = "VideoOut";
constexpr const char* kDisplayMenuTitle = "Display";

} // namespace

MyAppController::MyAppController(fw::Framework& framework, StartupServices services)
    : fw::DocumentController(framework), m_services(std::move(services)) {
    // The fields start at their registered defaults (see the class); the same values are registered.
    const fw::DefaultsDictionary registered{
        {prefkey::kFrameRate, m_defaultFrameRate},
        {prefkey::kCodec, m_defaultCodec},
        {prefkey::kSourceID, m_defaultSourceID},
        {prefkey::kFileName, m_defaultFileName},
        {prefkey::kDefaultFileExt, m_defaultFileExtension},
        {prefkey::kDefaultFileNameType, m_defaultFileNameType},
        {prefkey::kDefaultSourceIDType, m_defaultSourceIDType},
        {prefkey::kAllowLargeFrames, m_defaultAllowLargeFrames},
    };
    userDefaults().registerDefaults(registered);
    framework.setDelegate(this);
}

MyAppController::~MyAppController() {
    // The main menu outlives the controller: its submenus must not keep a delegate that goes now.
    for (const char* title : {kVideoOutMenuTitle, kDisplayMenuTitle}) {
        fw::MenuItem* item = framework().mainMenu().itemWithTitle(title);
        if (m_videoOut && item && item->submenu() && item->submenu()->delegate() == m_videoOut.get())
            item->submenu()->setDelegate(nullptr);
    }
    if (framework().delegate() == this)
        framework().setDelegate(nullptr);
}

MyAppController* MyAppController::shared(const fw::Framework& framework) {
    return dynamic_cast<MyAppController*>(framework.sharedDocumentController());
}

fw::UserDefaults& MyAppController::userDefaults() const {
    return framework().standardUserDefaults();
}

void MyAppController::applicationWillFinishLaunching() {
    if (m_services.enterMovies)
        (void)m_services.enterMovies();
    loadHelpText();
    readUserDefaults();
    makeVideoOut();
    if (m_videoOut) {
        delegateSubmenu(kVideoOutMenuTitle, m_videoOut.get());
        delegateSubmenu(kDisplayMenuTitle, m_videoOut.get());
    }
    setPreferencesControls();
}

void MyAppController::loadHelpText() {
    // Without the resource (or a readable file) the help view stays empty.
    const std::optional<std::string> path =
        framework().mainBundle().pathForResource(kHelpResource, kHelpResourceType);
    if (path && m_helpText)
        m_helpText->readRTFDFromFile(*path);
}

void MyAppController::readUserDefaults() {
    fw::UserDefaults& defaults = userDefaults();
    m_defaultFrameRate = defaults.integerForKey(prefkey::kFrameRate);
    m_defaultCodec = defaults.integerForKey(prefkey::kCodec);
    setDefaultSourceID(defaults.stringForKey(prefkey::kSourceID).value_or(std::string()));
    setDefaultFileName(defaults.stringForKey(prefkey::kFileName).value_or(std::string()));
    m_defaultFileExtension = defaults.boolForKey(prefkey::kDefaultFileExt);
    m_defaultFileNameType = defaults.integerForKey(prefkey::kDefaultFileNameType);
    m_defaultSourceIDType = defaults.integerForKey(prefkey::kDefaultSourceIDType);
    m_defaultAllowLargeFrames = defaults.boolForKey(prefkey::kAllowLargeFrames);
}

void MyAppController::makeVideoOut() {
    if (m_services.makeVideoOut)
        m_videoOut = m_services.makeVideoOut(kVideoOutType, kVideoOutSubType, kVideoOutManufacturer);
}

void MyAppController::delegateSubmenu(const std::string& title, fw::MenuDelegate* delegate) {
    fw::MenuItem* item = framework().mainMenu().itemWithTitle(title);
    if (item && item->submenu())
        item->submenu()->setDelegate(delegate);
}

void MyAppController::setPreferencesControls() {
    if (m_prefQTFileExtButton)
        m_prefQTFileExtButton->setIntValue(m_defaultFileExtension ? 1 : 0);
    if (m_prefAllowLargeFramesButton)
        m_prefAllowLargeFramesButton->setIntValue(m_defaultAllowLargeFrames ? 1 : 0);
    // A stored preference that no item carries leaves its popup without a selection.
    if (m_prefQTFileNamePopup)
        m_prefQTFileNamePopup->selectItemAtIndex(
            m_prefQTFileNamePopup->indexOfItemWithTag(m_defaultFileNameType));
    if (m_prefSourceIDPopup)
        m_prefSourceIDPopup->selectItemAtIndex(
            m_prefSourceIDPopup->indexOfItemWithTag(m_defaultSourceIDType));
}

void MyAppController::applicationWillTerminate() {
    // The stored source ID is kept: the documents closed after this still read it.
    userDefaults().synchronize();
}

void MyAppController::defaultQTFileExtensionButton(const fw::Button& sender) {
    m_defaultFileExtension = sender.intValue() > 0;
    userDefaults().setBool(m_defaultFileExtension, prefkey::kDefaultFileExt);
}

void MyAppController::defaultAllowLargeFramesButton(const fw::Button& sender) {
    setDefaultAllowLargeFrames(sender.intValue() > 0);
}

void MyAppController::setDefaultAllowLargeFrames(bool allow) {
    m_defaultAllowLargeFrames = allow;
    userDefaults().setBool(m_defaultAllowLargeFrames, prefkey::kAllowLargeFrames);
}

std::optional<NSSize> MyAppController::documentWindowSize() const {
    const std::optional<std::string> text = userDefaults().stringForKey(prefkey::kDocumentWindowSize);
    return text ? parseWindowSizeText(*text) : std::nullopt;
}

void MyAppController::setDocumentWindowSize(NSSize size) {
    userDefaults().setObject(windowSizeText(size), prefkey::kDocumentWindowSize);
}

void MyAppController::defaultQTFileNamePopup(const fw::PopUpButton& sender) {
    m_defaultFileNameType = sender.tagOfItemAtIndex(sender.indexOfSelectedItem());
    userDefaults().setInteger(m_defaultFileNameType, prefkey::kDefaultFileNameType);
}

void MyAppController::setDefaultQTFileNameType(int32_t type) {
    m_defaultFileNameType = type;
    userDefaults().setInteger(m_defaultFileNameType, prefkey::kDefaultFileNameType);
}

void MyAppController::defaultSourceIDNamePopup(const fw::PopUpButton& sender) {
    m_defaultSourceIDType = sender.tagOfItemAtIndex(sender.indexOfSelectedItem());
    userDefaults().setInteger(m_defaultSourceIDType, prefkey::kDefaultSourceIDType);
}

void MyAppController::setDefaultFrameRate(int32_t tag) {
    m_defaultFrameRate = tag;
    userDefaults().setInteger(tag, prefkey::kFrameRate);
}

void MyAppController::setDefaultCodec(int32_t tag) {
    m_defaultCodec = tag;
    userDefaults().setInteger(tag, prefkey::kCodec);
}

void MyAppController::setDefaultSourceID(const std::string& sourceID) {
    m_defaultSourceID = sourceID;
    userDefaults().setObject(m_defaultSourceID, prefkey::kSourceID);
}

void MyAppController::setDefaultFileName(const std::string& fileName) {
    m_defaultFileName = fileName;
    userDefaults().setObject(m_defaultFileName, prefkey::kFileName);
}
