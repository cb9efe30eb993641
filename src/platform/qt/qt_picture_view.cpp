#include "platform/qt/qt_picture_view.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace fw {

namespace {

/// The picture's size in the widget's pixels, which are device pixels divided by the ratio.
QSize logicalSize(const QImage& image, qreal devicePixelRatio) {
    return {int(std::ceil(image.width() / devicePixelRatio)), int(std::ceil(image.height() / devicePixelRatio))};
}

} // namespace

class PictureView::Canvas : public QWidget {
public:
    explicit Canvas(PictureView& view) : QWidget(&view), m_view(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    const QImage* image() const { return m_image; }
    void setImage(const QImage* image) {
        m_image = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (!m_image || m_image->isNull())
            return;
        if (m_view.actualSize()) {
            // No smoothing and a target of the picture's own device pixels: nothing is resampled.
            const qreal ratio = devicePixelRatioF();
            painter.drawImage(QRectF(QPointF(0, 0), QSizeF(m_image->size()) / ratio), *m_image);
            return;
        }
        QRect target(QPoint(0, 0), m_image->size().scaled(size(), Qt::KeepAspectRatio));
        target.moveCenter(rect().center());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, *m_image);
    }
    // At its own pixels the picture is moved by dragging it, as well as by the scroll bars.
    void mousePressEvent(QMouseEvent* event) override {
        m_dragFrom = event->globalPosition().toPoint();
        if (m_view.actualSize())
            setCursor(Qt::ClosedHandCursor);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!m_view.actualSize() || !(event->buttons() & Qt::LeftButton))
            return;
        const QPoint now = event->globalPosition().toPoint();
        const QPoint moved = now - m_dragFrom;
        m_dragFrom = now;
        m_view.horizontalScrollBar()->setValue(m_view.horizontalScrollBar()->value() - moved.x());
        m_view.verticalScrollBar()->setValue(m_view.verticalScrollBar()->value() - moved.y());
    }
    void mouseReleaseEvent(QMouseEvent*) override { unsetCursor(); }

private:
    PictureView& m_view;
    const QImage* m_image = nullptr;
    QPoint m_dragFrom;
};

PictureView::PictureView(QWidget* parent) : QScrollArea(parent), m_canvas(new Canvas(*this)) {
    setMinimumSize(160, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignCenter);
    viewport()->setBackgroundRole(QPalette::Window);
    QPalette black = viewport()->palette();
    black.setColor(QPalette::Window, Qt::black);
    viewport()->setPalette(black);
    viewport()->setAutoFillBackground(true);
    setWidget(m_canvas);
    placeCanvas();
}

void PictureView::setImage(const QImage* image) {
    const QSize before = m_canvas->image() ? m_canvas->image()->size() : QSize();
    m_canvas->setImage(image);
    const QSize after = image ? image->size() : QSize();
    if (after != before) {
        placeCanvas();
        updateGeometry();
    }
}

void PictureView::setActualSize(bool actual) {
    if (actual == m_actualSize)
        return;
    m_actualSize = actual;
    placeCanvas();
    m_canvas->update();
}

QSize PictureView::sizeHint() const {
    const QImage* image = m_canvas->image();
    if (!image || image->isNull())
        return minimumSize();
    return logicalSize(*image, devicePixelRatioF());
}

void PictureView::placeCanvas() {
    const QImage* image = m_canvas->image();
    if (m_actualSize && image && !image->isNull()) {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setWidgetResizable(false);
        m_canvas->resize(logicalSize(*image, devicePixelRatioF()));
    } else {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWidgetResizable(true);
        m_canvas->resize(viewport()->size());
    }
}

} // namespace fw
