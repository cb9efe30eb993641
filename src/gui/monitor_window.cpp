#include "gui/monitor_window.h"

#include "platform/component/software_output_device.h"
#include "platform/movie/decompress_surface.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace {
constexpr int kRefreshMilliseconds = 16;
}

MonitorWindow::MonitorWindow(const SoftwareOutputDevice* device) : m_device(device) {
    setObjectName(kObjectName);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(640, 360);
    setWindowTitle(modeTitle());
    m_timer.setInterval(kRefreshMilliseconds);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { refresh(); });
}

void MonitorWindow::showOnScreen() {
    refresh();
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
    update();
}

void MonitorWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_image.isNull())
        return;
    QRect target(QPoint(0, 0), m_image.size().scaled(size(), Qt::KeepAspectRatio));
    target.moveCenter(rect().center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
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
