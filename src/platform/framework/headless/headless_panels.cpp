#include "platform/framework/headless/headless_panels.h"

#include "platform/framework/path_ops.h"
#include "platform/framework/run_loop.h"

namespace fw {

void HeadlessSavePanel::beginSheetForDirectory(const std::string& directory, const std::string& file, Window* window,
                                               DidEnd didEnd) {
    m_directory = directory;
    m_file = file;
    m_window = window;
    m_filename.clear();
    int returnCode = m_responder ? m_responder(*this) : CancelButton;
    if (returnCode == OKButton && m_filename.empty())
        m_filename = stringByAppendingPathComponent(directory, file);
    if (returnCode != OKButton)
        m_filename.clear();
    std::shared_ptr<SavePanel> self = shared_from_this();
    m_runLoop.performOnMainThread([self, didEnd = std::move(didEnd), returnCode] {
        if (didEnd)
            didEnd(*self, returnCode);
    });
}

void HeadlessAlert::beginSheetModalForWindow(Window* window, DidEnd didEnd) {
    m_window = window;
    const int returnCode = m_responder ? m_responder(*this) : DefaultReturn;
    std::shared_ptr<Alert> self = shared_from_this();
    m_runLoop.performOnMainThread([self, didEnd = std::move(didEnd), returnCode] {
        if (didEnd)
            didEnd(*self, returnCode);
    });
}

} // namespace fw
