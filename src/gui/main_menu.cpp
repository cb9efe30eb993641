#include "gui/main_menu.h"

#include "gui/recent_files.h"
#include "platform/qt/qt_framework.h"

#include <QFileInfo>

/// Rebuilds a GUI menu just before it opens.
class MainMenu::Updater : public fw::MenuDelegate {
public:
    explicit Updater(std::function<void(fw::Menu&)> update) : m_update(std::move(update)) {}
    void menuNeedsUpdate(fw::Menu& menu) override { m_update(menu); }

private:
    std::function<void(fw::Menu&)> m_update;
};

namespace {

std::function<void(fw::MenuItem&)> command(const std::function<void()>& run) {
    return [run](fw::MenuItem&) {
        if (run)
            run();
    };
}

} // namespace

MainMenu::MainMenu(fw::QtFramework& framework, MenuCommands commands)
    : m_framework(framework), m_commands(std::move(commands)) {
    const MenuCommands& c = m_commands;

    fw::Menu& file = addMenu("File");
    file.addItemWithTitle(kOpenTitle, command(c.open), "o");
    fw::MenuItem& recent = file.addItemWithTitle(kOpenRecentTitle, {}, "");
    recent.setSubmenu(framework.makeMenu(kOpenRecentTitle));
    auto recentUpdater = std::make_unique<Updater>([this](fw::Menu& menu) {
        menu.removeAllItems();
        const QStringList paths = m_commands.recentPaths ? m_commands.recentPaths() : QStringList();
        const QStringList titles = RecentFiles::distinctTitles(paths);
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const QString& path = paths[i];
            const std::string full = path.toStdString();
            fw::MenuItem& item = menu.addItemWithTitle(
                titles[i].toStdString(),
                [this, full](fw::MenuItem&) { m_commands.openRecent(full); }, "");
            item.setEnabled(QFileInfo::exists(path));
        }
        menu.addItemWithTitle("Clear Menu", command(m_commands.clearRecent), "").setEnabled(!paths.isEmpty());
    });
    recent.submenu()->setDelegate(recentUpdater.get());
    m_delegates.push_back(std::move(recentUpdater));
    static_cast<fw::QtMenu&>(file).addSeparator();
    file.addItemWithTitle(kCloseTitle, command(c.close), "w");
    file.addItemWithTitle(kTranslateTitle, command(c.translate), "t");
    static_cast<fw::QtMenu&>(file).addSeparator();
    file.addItemWithTitle(kQuitTitle, command(c.quit), "q");
    auto fileUpdater = std::make_unique<Updater>([this](fw::Menu& menu) {
        if (fw::MenuItem* item = menu.itemWithTitle(kTranslateTitle))
            item->setEnabled(m_commands.canTranslate && m_commands.canTranslate());
    });
    file.setDelegate(fileUpdater.get());
    m_delegates.push_back(std::move(fileUpdater));

    addMenu("Edit").addItemWithTitle(kPreferencesTitle, command(c.preferences), ",");

    fw::Menu& view = addMenu("View");
    view.addItemWithTitle(kPlayTitle, command(c.playPause), "");
    view.addItemWithTitle(kLoopTitle, [this](fw::MenuItem& item) {
        if (m_commands.setLoopPlayback)
            m_commands.setLoopPlayback(item.state() != fw::ControlState::On);
    }, "");
    static_cast<fw::QtMenu&>(view).addSeparator();
    view.addItemWithTitle(kFitTitle, [this](fw::MenuItem&) {
        if (m_commands.setActualSize)
            m_commands.setActualSize(false);
    }, "9");
    view.addItemWithTitle(kActualSizeTitle, [this](fw::MenuItem&) {
        if (m_commands.setActualSize)
            m_commands.setActualSize(true);
    }, "0");
    static_cast<fw::QtMenu&>(view).addSeparator();
    auto viewUpdater = std::make_unique<Updater>([this](fw::Menu& menu) {
        const std::optional<bool> actual = m_commands.actualSize ? m_commands.actualSize() : std::nullopt;
        for (const bool itemIsActual : {false, true}) {
            // Always enabled: a disabled item's key would stay dead until the menu opens again.
            if (fw::MenuItem* item = menu.itemWithTitle(itemIsActual ? kActualSizeTitle : kFitTitle))
                item->setState(actual == itemIsActual ? fw::ControlState::On : fw::ControlState::Off);
        }
        if (fw::MenuItem* item = menu.itemWithTitle(kPlayTitle))
            item->setEnabled(m_commands.canPlay && m_commands.canPlay());
        if (fw::MenuItem* item = menu.itemWithTitle(kLoopTitle))
            item->setState(m_commands.loopPlayback && m_commands.loopPlayback() ? fw::ControlState::On
                                                                               : fw::ControlState::Off);
    });
    view.setDelegate(viewUpdater.get());
    m_delegates.push_back(std::move(viewUpdater));
    view.addItemWithTitle(kShowMonitorTitle, command(c.showMonitor), "M");
    fw::MenuItem& fullScreen = view.addItemWithTitle(kFullScreenTitle, {}, "");
    fullScreen.setSubmenu(framework.makeMenu(kFullScreenTitle));
    auto screensUpdater = std::make_unique<Updater>([this](fw::Menu& menu) {
        menu.removeAllItems();
        const std::vector<std::string> names =
            m_commands.screenNames ? m_commands.screenNames() : std::vector<std::string>();
        for (size_t i = 0; i < names.size(); ++i) {
            const int index = int(i);
            menu.addItemWithTitle(
                    names[i], [this, index](fw::MenuItem&) { m_commands.fullScreenMonitor(index); }, "")
                .setTag(index);
        }
    });
    fullScreen.submenu()->setDelegate(screensUpdater.get());
    m_delegates.push_back(std::move(screensUpdater));

    // The core's output menus: the video output controller becomes their delegate at launch.
    addMenu("VideoOut");
    addMenu("Display");

    addMenu("Help").addItemWithTitle(kHelpTitle, command(c.help), "?");
}

MainMenu::~MainMenu() {
    // The menus outlive this object (they belong to the framework): no delegate may dangle.
    for (const char* title : {"File", "View"}) {
        if (fw::Menu* menu = submenu(title)) {
            menu->setDelegate(nullptr);
            for (int i = 0; i < menu->numberOfItems(); ++i) {
                if (fw::Menu* sub = menu->itemAtIndex(i)->submenu())
                    sub->setDelegate(nullptr);
            }
        }
    }
}

fw::Menu& MainMenu::addMenu(const std::string& title) {
    fw::MenuItem& item = m_framework.mainMenu().addItemWithTitle(title, {}, "");
    item.setSubmenu(m_framework.makeMenu(title));
    return *item.submenu();
}

fw::Menu* MainMenu::submenu(const std::string& title) const {
    fw::MenuItem* item = m_framework.mainMenu().itemWithTitle(title);
    return item ? item->submenu() : nullptr;
}
