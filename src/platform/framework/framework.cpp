#include "platform/framework/framework.h"

#include "platform/framework/document_controller.h"

namespace fw {

void Framework::finishLaunching() {
    if (m_delegate)
        m_delegate->applicationWillFinishLaunching();
    if (m_delegate)
        m_delegate->applicationDidFinishLaunching();
    const bool wantsUntitled = !m_delegate || m_delegate->applicationShouldOpenUntitledFile();
    if (wantsUntitled && m_sharedDocumentController && m_sharedDocumentController->documents().empty())
        m_sharedDocumentController->openUntitledDocument(true);
}

std::vector<std::string> Framework::alertButtonTitles(const std::string& defaultButton,
                                                      const std::string& alternateButton,
                                                      const std::string& otherButton) {
    std::vector<std::string> buttons{defaultButton.empty() ? std::string("OK") : defaultButton};
    if (!alternateButton.empty())
        buttons.push_back(alternateButton);
    if (!otherButton.empty())
        buttons.push_back(otherButton);
    return buttons;
}

void Framework::terminate() {
    if (m_delegate)
        m_delegate->applicationWillTerminate();
    if (m_sharedDocumentController)
        m_sharedDocumentController->closeAllDocuments();
}

} // namespace fw
