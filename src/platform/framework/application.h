// The application delegate: what the application object tells at launch and at termination.
#pragma once

namespace fw {

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    /// Before the application finishes launching: the place to prepare it.
    virtual void applicationWillFinishLaunching() {}
    virtual void applicationDidFinishLaunching() {}
    /// Whether an untitled document is opened when the application starts with none.
    virtual bool applicationShouldOpenUntitledFile() { return true; }
    /// The application is about to end.
    virtual void applicationWillTerminate() {}
};

} // namespace fw
