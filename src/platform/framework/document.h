// A document: the object behind one opened file and its window.
//
// Documents are shared (std::shared_ptr): the document controller holds every open one, and
// whatever must keep a document alive while it works (an export's worker, a timer) takes a share.
// Opening goes: made by the controller's factory, readFromFile, setFileName, makeWindowControllers
// (window made, contents loaded, windowControllerDidLoadNib), then showWindows when displayed.
// Main thread only.
#pragma once

#include "platform/framework/window.h"

#include <filesystem>
#include <memory>
#include <string>

namespace fw {

class Framework;

class Document : public std::enable_shared_from_this<Document> {
public:
    explicit Document(Framework& framework) : m_framework(framework) {}
    virtual ~Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    Framework& framework() const { return m_framework; }

    /// Reads the document from the file at `path` of the document type `type`; false refuses the
    /// opening and the document is dropped.
    virtual bool readFromFile(const std::string& path, const std::string& type) = 0;

    /// Name of the window's interface description ("" when the document has no window).
    virtual std::string windowNibName() const { return {}; }

    /// Makes the document's window: a hidden window titled displayName() of
    /// initialContentSize(), its contents made by loadWindowContents, then
    /// windowControllerDidLoadNib(). Nothing when the document already has a window.
    virtual void makeWindowControllers();
    /// Makes the controls of the interface description windowNibName() in the window and connects
    /// them to the document (outlets, actions, the window's delegate). Nothing by default.
    virtual void loadWindowContents(Window& window) { (void)window; }
    /// The window's contents are made: the document sets them up.
    virtual void windowControllerDidLoadNib() {}
    virtual NSSize initialContentSize() const { return {480, 360}; }

    /// Shows the document's window in front (it becomes main).
    virtual void showWindows();
    /// Closes the window (its delegate hears windowWillClose) and removes the document from the
    /// shared document controller. The document stays alive while the caller or anyone else
    /// holds a share; calling close again does nothing.
    virtual void close();
    /// The window's close button (and File > Close): closes the document, unless a document that
    /// has work under way asks the user first.
    virtual void closeRequested() { close(); }
    bool isClosed() const { return m_closed; }

    /// The document's window, or null before makeWindowControllers; the window for sheets.
    Window* window() const { return m_window.get(); }
    Window* windowForSheet() const { return m_window.get(); }

    const std::string& fileName() const { return m_fileName; }
    /// Sets the file name; the window's title follows it (displayName()).
    virtual void setFileName(const std::string& fileName);
    /// Whether opening `path` (already made canonical) would show what this document shows: by
    /// default, when it is the document's own file.
    virtual bool showsFile(const std::filesystem::path& path) const;
    /// The last component of the file name, or "Untitled" without one.
    std::string displayName() const;
    const std::string& fileType() const { return m_fileType; }
    void setFileType(const std::string& type) { m_fileType = type; }

private:
    Framework& m_framework;
    std::unique_ptr<Window> m_window;
    std::string m_fileName;
    std::string m_fileType;
    bool m_closed = false;
};

} // namespace fw
