#include "platform/framework/document_controller.h"
#include "platform/framework/headless/headless_framework.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

/// Records the window notices in order as "become:<title>", "resign:<title>", "close:<title>".
struct NoticeLog : WindowDelegate {
    std::vector<std::string>* log;
    explicit NoticeLog(std::vector<std::string>* l) : log(l) {}
    void windowDidBecomeMain(Window& w) override { log->push_back("become:" + w.title()); }
    void windowDidResignMain(Window& w) override { log->push_back("resign:" + w.title()); }
    void windowWillClose(Window& w) override { log->push_back("close:" + w.title()); }
};

/// A document that refuses paths ending in ".bad" and makes a window with one button.
class TestDocument : public Document, public WindowDelegate {
public:
    TestDocument(Framework& framework, std::vector<std::string>* log) : Document(framework), m_log(log) {}
    ~TestDocument() override { m_log->push_back("destroyed"); }

    bool readFromFile(const std::string& path, const std::string& type) override {
        m_log->push_back("read:" + path + ":" + type);
        return path.size() < 4 || path.substr(path.size() - 4) != ".bad";
    }
    void loadWindowContents(Window& window) override {
        m_button = &window.contentView().addButton("translate", "Translate...", ButtonType::MomentaryPush);
        window.setDelegate(this);
    }
    void windowControllerDidLoadNib() override { m_log->push_back("didLoad:" + window()->title()); }
    void windowWillClose(Window& w) override { m_log->push_back("close:" + w.title()); }
    void windowDidBecomeMain(Window& w) override { m_log->push_back("become:" + w.title()); }
    void windowDidResignMain(Window& w) override { m_log->push_back("resign:" + w.title()); }

    Button* m_button = nullptr;

private:
    std::vector<std::string>* m_log;
};

} // namespace

TEST(Windows, OneMainWindowAndNoticesInOrder) {
    HeadlessFramework framework("");
    std::vector<std::string> log;
    NoticeLog notices(&log);
    auto a = framework.makeWindow("A", {100, 100});
    auto b = framework.makeWindow("B", {100, 100});
    a->setDelegate(&notices);
    b->setDelegate(&notices);
    EXPECT_EQ(framework.mainWindow(), nullptr);
    a->makeKeyAndOrderFront();
    b->makeKeyAndOrderFront();
    EXPECT_TRUE(b->isMainWindow());
    EXPECT_FALSE(a->isMainWindow());
    b->close();  // the next visible window becomes main
    EXPECT_TRUE(b->isClosed());
    EXPECT_FALSE(b->isVisible());
    b->makeKeyAndOrderFront();  // a closed window stays closed
    a->orderOut();
    EXPECT_EQ(framework.mainWindow(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"become:A", "resign:A", "become:B", "close:B", "resign:B", "become:A",
                                             "resign:A"}));
    a->setContentSize({558, 504});
    EXPECT_EQ(a->contentSize(), (NSSize{558, 504}));
}

TEST(Documents, OpenShowCloseThroughTheSharedController) {
    HeadlessFramework framework("");
    std::vector<std::string> log;
    {
        DocumentController controller(framework);
        EXPECT_EQ(framework.sharedDocumentController(), &controller);
        DocumentController second(framework);  // only the first is the shared one
        EXPECT_EQ(framework.sharedDocumentController(), &controller);

        EXPECT_EQ(controller.openDocumentWithContentsOfFile("/seq/shot_0001.dpx", true), nullptr);  // no factory
        controller.setDocumentFactory(
            [&](Framework& fw) { return std::make_shared<TestDocument>(fw, &log); });
        EXPECT_EQ(controller.openDocumentWithContentsOfFile("/seq/notes.bad", true), nullptr);
        std::shared_ptr<Document> doc = controller.openDocumentWithContentsOfFile("/seq/shot_0001.DPX", true);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->fileName(), "/seq/shot_0001.DPX");
        EXPECT_EQ(doc->displayName(), "shot_0001.DPX");
        EXPECT_EQ(controller.documents().size(), 1u);
        EXPECT_EQ(controller.currentDocument(), doc);
        doc->setFileName("shot_0002.dpx");  // browsing: the title follows
        EXPECT_EQ(doc->window()->title(), "shot_0002.dpx");

        // The close button closes the document; the caller's share keeps it alive until dropped.
        Window* window = doc->window();
        window->performClose();
        EXPECT_TRUE(doc->isClosed());
        EXPECT_TRUE(controller.documents().empty());
        EXPECT_EQ(controller.currentDocument(), nullptr);
        EXPECT_EQ(log.back(), "resign:shot_0002.dpx");
        doc.reset();
        EXPECT_EQ(log.back(), "destroyed");
        EXPECT_EQ(log, (std::vector<std::string>{"read:/seq/notes.bad:bad", "destroyed",
                                                 "read:/seq/shot_0001.DPX:dpx", "didLoad:shot_0001.DPX",
                                                 "become:shot_0001.DPX", "close:shot_0002.dpx",
                                                 "resign:shot_0002.dpx", "destroyed"}));
    }
    EXPECT_EQ(framework.sharedDocumentController(), nullptr);
}

TEST(Documents, ATimerKeepsItsDocumentAliveUntilInvalidated) {
    HeadlessFramework framework("");
    std::vector<std::string> log;
    DocumentController controller(framework);
    controller.setDocumentFactory([&](Framework& fw) { return std::make_shared<TestDocument>(fw, &log); });
    std::shared_ptr<Document> doc = controller.openDocumentWithContentsOfFile("/seq/a.dpx", false);
    std::shared_ptr<Timer> timer = framework.mainRunLoop().scheduledTimerWithTimeInterval(
        0.01, true, [doc](Timer&) {});
    doc->close();
    doc.reset();
    EXPECT_NE(log.back(), "destroyed");
    timer->invalidate();
    EXPECT_EQ(log.back(), "destroyed");
}

TEST(Application, LaunchAndTerminateTellTheDelegate) {
    struct Delegate : ApplicationDelegate {
        std::vector<std::string> calls;
        bool untitled = false;
        void applicationWillFinishLaunching() override { calls.push_back("will"); }
        void applicationDidFinishLaunching() override { calls.push_back("did"); }
        bool applicationShouldOpenUntitledFile() override {
            calls.push_back("untitled?");
            return untitled;
        }
        void applicationWillTerminate() override { calls.push_back("terminate"); }
    } delegate;
    HeadlessFramework framework("");
    std::vector<std::string> log;
    DocumentController controller(framework);
    controller.setDocumentFactory([&](Framework& fw) { return std::make_shared<TestDocument>(fw, &log); });
    framework.setDelegate(&delegate);
    framework.finishLaunching();
    EXPECT_TRUE(controller.documents().empty());
    EXPECT_TRUE(framework.windows().empty());

    delegate.untitled = true;
    framework.finishLaunching();
    ASSERT_EQ(controller.documents().size(), 1u);
    EXPECT_EQ(controller.documents()[0]->displayName(), "Untitled");
    framework.terminate();
    EXPECT_TRUE(controller.documents().empty());
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"will", "did", "untitled?", "will", "did", "untitled?",
                                                        "terminate"}));
}
