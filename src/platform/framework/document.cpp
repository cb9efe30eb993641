#include "platform/framework/document.h"

#include "platform/framework/document_controller.h"
#include "platform/framework/framework.h"
#include "platform/framework/path_ops.h"

namespace fw {

void Document::makeWindowControllers() {
    if (m_window)
        return;
    m_window = m_framework.makeWindow(displayName(), initialContentSize());
    // The close button closes the document; a weak share, so the window never keeps it alive.
    std::weak_ptr<Document> weak = weak_from_this();
    m_window->setCloseRequestHandler([weak](Window&) {
        if (std::shared_ptr<Document> document = weak.lock())
            document->closeRequested();
    });
    loadWindowContents(*m_window);
    windowControllerDidLoadNib();
}

bool Document::showsFile(const std::filesystem::path& path) const {
    // The same name once links are followed: a symbolic link to the file is the file, but a hard
    // link in another folder (one frame file shared by two sequences) is another document's.
    std::error_code ec, mine;
    const std::filesystem::path wanted = std::filesystem::weakly_canonical(path, ec);
    const std::filesystem::path shown = std::filesystem::weakly_canonical(m_fileName, mine);
    return !m_fileName.empty() && !ec && !mine && wanted == shown;
}

void Document::showWindows() {
    if (m_window && !m_closed)
        m_window->makeKeyAndOrderFront();
}

void Document::close() {
    if (m_closed)
        return;
    m_closed = true;
    // Keeps the document alive until the end of this call, when the controller lets go of it.
    std::shared_ptr<Document> self = weak_from_this().lock();
    if (m_window)
        m_window->close();
    if (DocumentController* controller = m_framework.sharedDocumentController())
        controller->removeDocument(*this);
}

void Document::setFileName(const std::string& fileName) {
    m_fileName = fileName;
    if (m_window)
        m_window->setTitle(displayName());
}

std::string Document::displayName() const {
    return m_fileName.empty() ? std::string("Untitled") : lastPathComponent(m_fileName);
}

} // namespace fw
