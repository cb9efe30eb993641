#include "gui/monitor_window.h"

#include "document/window_size.h"
#include "platform/component/software_output_device.h"
#include "platform/movie/decompress_surface.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
constexpr int kRefreshMilliseconds = 16;
// The View menu's keys, which the monitor (no menu bar of its own) answers itself.
constexpr const char* kFitKey = "Ctrl+9";
constexpr const char* kActualSizeKey = "Ctrl+0";
} // namespace

MonitorWindow::MonitorWindow(const SoftwareOutputDevice* device)
    : m_device(device), m_picture(new fw::PictureView(this)) {
    setObjectName(kObjectName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture);
    resize(640, 360);
    const auto addKey = [this](const char* key, bool actual) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(key)), this);
        QObject::connect(shortcut, &QShortcut::activated, this, [this, actual] { setActualSize(actual); });
    };
    addKey(kFitKey, false);
    addKey(kActualSizeKey, true);
    setWindowTitle(modeTitle());
    m_timer.setInterval(kRefreshMilliseconds);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { refresh(); });
}

void MonitorWindow::showOnScreen() {
    refresh();
    sizeForPicture();
    showNormal();
    raise();
    m_timer.start();
}

void MonitorWindow::showFullScreenOn(QScreen* screen) {
    refresh();
    if (screen) {
        setScreen(screen);
        move(screen->geometry().topLeft());
    }
    showFullScreen();
    m_timer.start();
}

QString MonitorWindow::modeTitle() const {
    QString title = QStringLiteral("Output Monitor");
    if (!m_device || !m_device->surface())
        return title + QStringLiteral(" (no output)");
    // The surface outlives the output: with nothing running, neither its picture nor its mode is
    // what the device shows.
    if (!m_device->claimed())
        return title + QStringLiteral(" - Output off");
    const long mode = m_device->displayMode();
    if (mode >= 1 && size_t(mode) <= m_device->modes().size())
        title += QStringLiteral(" - ") + QString::fromStdString(m_device->modes()[size_t(mode - 1)].name);
    return title;
}

void MonitorWindow::refresh() {
    const GWorld* surface = m_device && m_device->claimed() ? m_device->surface() : nullptr;
    const uint8_t* bytes = surface ? surface->baseAddress() : nullptr;
    const uint64_t drawCount = surface ? surface->drawCount() : 0;
    const QString title = modeTitle();
    if (title != windowTitle())
        setWindowTitle(title);
    if (bytes == m_bytes && drawCount == m_drawCount &&
        (!surface || (surface->width() == m_image.width() && surface->height() == m_image.height())))
        return;
    m_bytes = bytes;
    m_drawCount = drawCount;
    m_image = surface ? QImage(bytes, surface->width(), surface->height(), qsizetype(surface->rowBytes()),
                               QImage::Format_RGB888)
                      : QImage();
    m_picture->setImage(&m_image);
    m_picture->viewport()->update();
    m_picture->widget()->update();
}

void MonitorWindow::sizeForPicture() {
    if (m_sizedForPicture || m_image.isNull() || isFullScreen())
        return;
    m_sizedForPicture = true;
    const QScreen* where = screen();
    if (!where)
        return;
    const QSize available = where->availableGeometry().size();
    const NSSize size = pictureWindowContentSize({float(m_image.width()), float(m_image.height())}, {0, 0},
                                                 {float(available.width()), float(available.height())},
                                                 std::nullopt);
    resize(int(size.width), int(size.height));
}

void MonitorWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* fit = menu.addAction(QStringLiteral("Fit"), [this] { setActualSize(false); });
    fit->setShortcut(QKeySequence(QString::fromLatin1(kFitKey)));
    QAction* actual = menu.addAction(QStringLiteral("Actual Size"), [this] { setActualSize(true); });
    actual->setShortcut(QKeySequence(QString::fromLatin1(kActualSizeKey)));
    for (QAction* item : {fit, actual})
        item->setCheckable(true);
    (actualSize() ? actual : fit)->setChecked(true);
    menu.exec(event->globalPos());
}

void MonitorWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isFullScreen())
        showNormal();
    else
        QWidget::keyPressEvent(event);
}

void MonitorWindow::mouseDoubleClickEvent(QMouseEvent*) {
    if (isFullScreen())
        showNormal();
    else if (screen())
        showFullScreenOn(screen());
}
