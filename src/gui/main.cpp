// reelmaker-gui: the desktop application. Files named on the command line open as documents.
#include "gui/desktop_application.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Reelmaker"));
    QApplication::setOrganizationName(QStringLiteral("Reelmaker"));
    QApplication::setDesktopFileName(QStringLiteral("reelmaker"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("reelmaker")));

    DesktopApplication application;
    application.openFiles(DesktopApplication::filesFromArguments(QApplication::arguments()));
    return qt.exec();
}
