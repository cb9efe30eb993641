// The document controller: the open documents, and opening a file as a document.
//
// The first controller made becomes the framework's shared one (sharedDocumentController) until
// it is destroyed; the application controller derives from this class. The application sets the
// factory that makes its documents. Main thread only.
#pragma once

#include "platform/framework/document.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class Framework;

class DocumentController {
public:
    using DocumentFactory = std::function<std::shared_ptr<Document>(Framework& framework)>;
    /// A factory that chooses the document's class by the file it will read ("" for an untitled one).
    using FileDocumentFactory =
        std::function<std::shared_ptr<Document>(Framework& framework, const std::string& path)>;

    explicit DocumentController(Framework& framework);
    virtual ~DocumentController();
    DocumentController(const DocumentController&) = delete;
    DocumentController& operator=(const DocumentController&) = delete;

    Framework& framework() const { return m_framework; }
    void setDocumentFactory(DocumentFactory factory) {
        m_factory = [factory = std::move(factory)](Framework& framework, const std::string&) {
            return factory ? factory(framework) : nullptr;
        };
    }
    void setDocumentFactory(FileDocumentFactory factory) { m_factory = std::move(factory); }

    /// Opens the file as a document: made by the factory, readFromFile(path, type) with the type
    /// named by the path's extension (documents may ignore it), file name and type set, added to
    /// the documents, window made (makeWindowControllers) and, when `display`, shown. Null
    /// without a factory or when readFromFile refuses; the file itself is not looked at here. A
    /// file an open document already has gives that document, its window shown when `display`.
    std::shared_ptr<Document> openDocumentWithContentsOfFile(const std::string& path, bool display);
    /// The open document that shows that file (Document::showsFile), or null.
    std::shared_ptr<Document> documentForFileName(const std::string& path) const;
    /// An untitled document (no file), made and shown as above; null without a factory.
    std::shared_ptr<Document> openUntitledDocument(bool display);

    /// The open documents, oldest first.
    const std::vector<std::shared_ptr<Document>>& documents() const { return m_documents; }
    void addDocument(std::shared_ptr<Document> document);
    /// Lets go of the document (it lives on while others hold a share).
    void removeDocument(const Document& document);
    /// The document whose window is main, or null.
    std::shared_ptr<Document> currentDocument() const;
    /// Closes every open document, newest first.
    void closeAllDocuments();

    /// The document type for a path: its extension in lower case ("dpx", "cin"), or "".
    static std::string typeForContentsOfFile(const std::string& path);

private:
    Framework& m_framework;
    FileDocumentFactory m_factory;
    std::vector<std::shared_ptr<Document>> m_documents;
};

} // namespace fw
