#include "platform/framework/document_controller.h"

#include "platform/framework/framework.h"
#include "platform/framework/path_ops.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fw {

DocumentController::DocumentController(Framework& framework) : m_framework(framework) {
    if (!m_framework.m_sharedDocumentController)
        m_framework.m_sharedDocumentController = this;
}

DocumentController::~DocumentController() {
    if (m_framework.m_sharedDocumentController == this)
        m_framework.m_sharedDocumentController = nullptr;
}

std::shared_ptr<Document> DocumentController::documentForFileName(const std::string& path) const {
    std::error_code ec;
    const std::filesystem::path wanted = std::filesystem::weakly_canonical(path, ec);
    if (ec)
        return nullptr;
    for (const auto& document : m_documents)
        if (document->showsFile(wanted))
            return document;
    return nullptr;
}

std::shared_ptr<Document> DocumentController::openDocumentWithContentsOfFile(const std::string& path, bool display) {
    if (!m_factory)
        return nullptr;
    // A file already open is not opened twice: its window comes forward.
    if (std::shared_ptr<Document> open = documentForFileName(path)) {
        if (display)
            open->showWindows();
        return open;
    }
    std::shared_ptr<Document> document = m_factory(m_framework, path);
    if (!document)
        return nullptr;
    const std::string type = typeForContentsOfFile(path);
    if (!document->readFromFile(path, type))
        return nullptr;
    document->setFileName(path);
    document->setFileType(type);
    addDocument(document);
    document->makeWindowControllers();
    if (display)
        document->showWindows();
    return document;
}

std::shared_ptr<Document> DocumentController::openUntitledDocument(bool display) {
    if (!m_factory)
        return nullptr;
    std::shared_ptr<Document> document = m_factory(m_framework, std::string());
    if (!document)
        return nullptr;
    addDocument(document);
    document->makeWindowControllers();
    if (display)
        document->showWindows();
    return document;
}

void DocumentController::addDocument(std::shared_ptr<Document> document) {
    if (document && std::find(m_documents.begin(), m_documents.end(), document) == m_documents.end())
        m_documents.push_back(std::move(document));
}

void DocumentController::removeDocument(const Document& document) {
    auto it = std::find_if(m_documents.begin(), m_documents.end(),
                           [&](const std::shared_ptr<Document>& d) { return d.get() == &document; });
    if (it == m_documents.end())
        return;
    // Destroy the share outside the vector: the document's destructor may reach the controller.
    std::shared_ptr<Document> removed = std::move(*it);
    m_documents.erase(it);
}

std::shared_ptr<Document> DocumentController::currentDocument() const {
    for (const auto& document : m_documents) {
        if (document->window() && document->window()->isMainWindow())
            return document;
    }
    return nullptr;
}

void DocumentController::closeAllDocuments() {
    const std::vector<std::shared_ptr<Document>> open = m_documents;
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        (*it)->close();
}

std::string DocumentController::typeForContentsOfFile(const std::string& path) {
    std::string type = pathExtension(path);
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return type;
}

} // namespace fw
