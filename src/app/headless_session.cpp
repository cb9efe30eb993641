#include "app/headless_session.h"

#include "document/movie_document.h"

HeadlessSession::HeadlessSession(const fw::DefaultsDictionary& storedDefaults, StartupServices services)
    : m_controller(m_framework, std::move(services)), m_interface(m_framework, m_controller) {
    m_controller.setDocumentFactory([this](fw::Framework& framework,
                                           const std::string& path) -> std::shared_ptr<fw::Document> {
        std::shared_ptr<DPXMovieFile> document = MovieDocument::isMovieFile(path)
                                                     ? std::shared_ptr<DPXMovieFile>(MovieDocument::create(framework))
                                                     : DPXMovieFile::create(framework);
        document->setShowsFrames(m_showFrames);
        return document;
    });
    for (const auto& [key, value] : storedDefaults)
        userDefaults().setObject(value, key);
    m_framework.finishLaunching();
}

HeadlessSession::~HeadlessSession() {
    // The documents go before the controller whose defaults they read.
    m_framework.terminate();
}

std::shared_ptr<DPXMovieFile> HeadlessSession::openDocument(const std::string& path) {
    return std::dynamic_pointer_cast<DPXMovieFile>(m_controller.openDocumentWithContentsOfFile(path, false));
}
