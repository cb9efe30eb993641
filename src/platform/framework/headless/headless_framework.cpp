#include "platform/framework/headless/headless_framework.h"

namespace fw {

HeadlessFramework::HeadlessFramework(std::string resourcesDirectory, HeadlessRunLoop::TimeSource now)
    : m_bundle(std::move(resourcesDirectory)), m_runLoop(std::move(now)) {}

HeadlessFramework::~HeadlessFramework() {
    // What timers and posted work keep alive (documents and their windows) goes while the window
    // list and the rest are still here.
    m_runLoop.shutdown();
}

std::unique_ptr<Window> HeadlessFramework::makeWindow(const std::string& title, NSSize contentSize) {
    return std::make_unique<HeadlessWindow>(m_windows, title, contentSize);
}

std::unique_ptr<View> HeadlessFramework::makeView(const std::string& identifier, Layout layout) {
    return std::make_unique<HeadlessView>(identifier, nullptr, layout);
}

std::unique_ptr<Menu> HeadlessFramework::makeMenu(const std::string& title) {
    return std::make_unique<HeadlessMenu>(title);
}

std::shared_ptr<SavePanel> HeadlessFramework::savePanel() {
    // The record is taken when the sheet begins, through a responder that wraps the driver's.
    return std::make_shared<HeadlessSavePanel>(m_runLoop, [this](HeadlessSavePanel& panel) {
        m_savePanelsShown.push_back({panel.directory(), panel.proposedFile(), panel.sheetWindow()});
        return m_savePanelResponder ? m_savePanelResponder(panel) : SavePanel::CancelButton;
    });
}

std::shared_ptr<Alert> HeadlessFramework::alertWithMessageText(const std::string& message,
                                                               const std::string& defaultButton,
                                                               const std::string& alternateButton,
                                                               const std::string& otherButton,
                                                               const std::string& informativeText) {
    std::vector<std::string> buttons = alertButtonTitles(defaultButton, alternateButton, otherButton);
    return std::make_shared<HeadlessAlert>(m_runLoop,
                                           [this](HeadlessAlert& alert) {
                                               m_alertsShown.push_back({alert.messageText(), alert.buttonTitles(),
                                                                        alert.informativeText(),
                                                                        alert.sheetWindow()});
                                               return m_alertResponder ? m_alertResponder(alert)
                                                                       : Alert::DefaultReturn;
                                           },
                                           message, std::move(buttons), informativeText);
}

} // namespace fw
