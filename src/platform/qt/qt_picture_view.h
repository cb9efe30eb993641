// A picture in a view: scaled to the view keeping its proportions (Fit), or at its own pixels, one
// picture pixel on one device pixel, scrolling and dragged about where the view is smaller (Actual
// Size). Its natural size is the picture's, so that a window laid out around it can be sized for
// the picture. The view shows a QImage it doesn't own: its owner keeps it alive until it sets
// another.
#pragma once

#include <QScrollArea>

class QImage;

namespace fw {

class PictureView : public QScrollArea {
public:
    explicit PictureView(QWidget* parent = nullptr);

    void setImage(const QImage* image);
    bool actualSize() const { return m_actualSize; }
    void setActualSize(bool actual);

    QSize sizeHint() const override;

private:
    class Canvas;
    /// The canvas at the picture's size in device-independent pixels (Actual Size), or filling the
    /// view (Fit).
    void placeCanvas();

    Canvas* m_canvas;
    bool m_actualSize = false;
};

} // namespace fw
