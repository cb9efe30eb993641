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

void Framework::terminate() {
    if (m_delegate)
        m_delegate->applicationWillTerminate();
    if (m_sharedDocumentController)
        m_sharedDocumentController->closeAllDocuments();
}

} // namespace fw
