// The application controller: the application's document controller and delegate, and the keeper
// of the user's preferences.
//
// Made once, before launching, on the application's framework; as the first document controller
// made it is the framework's shared one, through which every document reaches it (shared()).
// Making it registers the eight defaults; launching reads them into its fields, loads the help text,
// makes the video output controller and sets the preferences controls. From then on each field
// equals the user default of its key: every setter and every preference action writes the default
// at once, also when the value is unchanged. Termination flushes the defaults to storage.
//
// The help text view and the preferences controls are outlets: the main interface makes them
// and connects them (MainInterface); the controller does not own them. Main thread only.
#pragma once

#include "app/name_source_type.h"
#include "app/startup_services.h"
#include "app/video_out_controller.h"
#include "platform/framework/application.h"
#include "platform/framework/controls.h"
#include "platform/framework/document_controller.h"
#include "platform/framework/framework.h"
#include "platform/geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

/// The user defaults keys, in the order they are registered.
namespace prefkey {
inline constexpr const char* kFrameRate = "FrameRate";
inline constexpr const char* kCodec = "Codec";
inline constexpr const char* kSourceID = "SourceID";
inline constexpr const char* kFileName = "FileName";
inline constexpr const char* kDefaultFileExt = "DefaultFileExt";
inline constexpr const char* kDefaultFileNameType = "DefaultFileNameType";
inline constexpr const char* kDefaultSourceIDType = "DefaultSourceIDType";
/// Frames up to 16384 in either dimension are accepted (off: the 2048 limit).
inline constexpr const char* kAllowLargeFrames = "AllowLargeFrames";
/// Not registered: the content size the user last gave a document window ("1280x720").
inline constexpr const char* kDocumentWindowSize = "DocumentWindowSize";
} // namespace prefkey

class MyAppController : public fw::DocumentController, public fw::ApplicationDelegate {
public:
    /// The controller's init: every field takes its registered default, and the eight defaults are
    /// registered with the framework's standard user defaults. The controller becomes the
    /// framework's application delegate.
    explicit MyAppController(fw::Framework& framework, StartupServices services = {});
    ~MyAppController() override;

    /// The application controller reached as the framework's shared document controller, or null
    /// when that is not one.
    static MyAppController* shared(const fw::Framework& framework);

    // Outlets, connected by the main interface before launching (null: no such control).
    void setHelpText(fw::TextView* view) { m_helpText = view; }
    void setPrefQTFileExtButton(fw::Button* button) { m_prefQTFileExtButton = button; }
    void setPrefQTFileNamePopup(fw::PopUpButton* popup) { m_prefQTFileNamePopup = popup; }
    void setPrefSourceIDPopup(fw::PopUpButton* popup) { m_prefSourceIDPopup = popup; }
    void setPrefAllowLargeFramesButton(fw::Button* button) { m_prefAllowLargeFramesButton = button; }

    // Application delegate.
    /// Start-up: the movie toolbox, the help text, the stored defaults, the video output controller
    /// and its menus, the preferences controls, in that order.
    void applicationWillFinishLaunching() override;
    /// The application starts with no document.
    bool applicationShouldOpenUntitledFile() override { return false; }
    /// Writes the user defaults to storage.
    void applicationWillTerminate() override;

    // Preference actions (the sender is the control).
    /// On for a positive integer value (a check box that is on), off for 0 or a mixed state.
    void defaultQTFileExtensionButton(const fw::Button& sender);
    /// The tag of the selected item (0 when none is selected).
    void defaultQTFileNamePopup(const fw::PopUpButton& sender);
    void defaultSourceIDNamePopup(const fw::PopUpButton& sender);
    /// The large frames check box: on for a positive integer value.
    void defaultAllowLargeFramesButton(const fw::Button& sender);

    // Accessors for the documents. Each setter stores its default at once.
    int32_t defaultFrameRate() const { return m_defaultFrameRate; }
    void setDefaultFrameRate(int32_t tag);
    int32_t defaultCodec() const { return m_defaultCodec; }
    void setDefaultCodec(int32_t tag);
    const std::string& defaultSourceID() const { return m_defaultSourceID; }
    void setDefaultSourceID(const std::string& sourceID);
    const std::string& defaultFileName() const { return m_defaultFileName; }
    void setDefaultFileName(const std::string& fileName);
    /// The source-ID preference, a NameSourceType (any value stored, also one outside 0-4).
    int32_t defaultSourceIDType() const { return m_defaultSourceIDType; }
    /// The movie file name preference, a NameSourceType.
    int32_t defaultQTFileNameType() const { return m_defaultFileNameType; }
    void setDefaultQTFileNameType(int32_t type);
    /// Whether proposed movie names get the extension "mov".
    bool defaultQTFileExtension() const { return m_defaultFileExtension; }
    /// Whether documents opened from now on accept frames up to 16384 in either dimension.
    bool defaultAllowLargeFrames() const { return m_defaultAllowLargeFrames; }
    void setDefaultAllowLargeFrames(bool allow);
    /// The content size the user last gave a document window; nothing before the first time.
    std::optional<NSSize> documentWindowSize() const;
    void setDocumentWindowSize(NSSize size);
    /// The video output controller, or null when none could be made.
    VideoOutController* videoOut() const { return m_videoOut.get(); }

private:
    fw::UserDefaults& userDefaults() const;
    void loadHelpText();
    void readUserDefaults();
    void makeVideoOut();
    void delegateSubmenu(const std::string& title, fw::MenuDelegate* delegate);
    void setPreferencesControls();

    StartupServices m_services;

    fw::TextView* m_helpText = nullptr;
    fw::Button* m_prefQTFileExtButton = nullptr;
    fw::PopUpButton* m_prefQTFileNamePopup = nullptr;
    fw::PopUpButton* m_prefSourceIDPopup = nullptr;
    fw::Button* m_prefAllowLargeFramesButton = nullptr;

    std::unique_ptr<VideoOutController> m_videoOut;

    int32_t m_defaultFrameRate = 0;
    int32_t m_defaultCodec = 0;
    std::string m_defaultSourceID;
    std::string m_defaultFileName;
    int32_t m_defaultSourceIDType = kNameSourceNothing;
    int32_t m_defaultFileNameType = kNameSourceBaseName;
    bool m_defaultFileExtension = true;
    bool m_defaultAllowLargeFrames = false;
};
