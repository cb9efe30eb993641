// The output monitor: the software output device's surface in a window, titled with the display
// mode's name. It looks at the surface at every screen refresh and repaints when a frame was drawn
// into it (the surface's draw count) or the session changed its size; the picture is a QImage over
// the surface's own bytes. It first opens as large as the picture fits in two thirds of the screen
// and keeps the size the user gives it; the picture is fitted to it, or shown at its own pixels
// (Ctrl+0, Ctrl+9 and the context menu). It can fill a chosen screen.
#pragma once

#include "platform/qt/qt_picture_view.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>

class SoftwareOutputDevice;
class QScreen;

class MonitorWindow : public QWidget {
public:
    static constexpr const char* kObjectName = "outputMonitor";

    /// Shows `device` (null: there is no device, the window stays black).
    explicit MonitorWindow(const SoftwareOutputDevice* device);

    void showOnScreen();
    /// Fills `screen`; Escape or a double click goes back to a window.
    void showFullScreenOn(QScreen* screen);
    /// The picture shown: over the surface's bytes (null while there is no surface).
    const QImage& image() const { return m_image; }
    /// Looks at the surface now (the timer's work).
    void refresh();
    /// Fit or Actual Size.
    void setActualSize(bool actual) { m_picture->setActualSize(actual); }
    bool actualSize() const { return m_picture->actualSize(); }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString modeTitle() const;
    /// The first time there is a picture: as large as it fits in two thirds of the screen.
    void sizeForPicture();

    const SoftwareOutputDevice* m_device;
    QTimer m_timer;
    QImage m_image;
    fw::PictureView* m_picture;
    bool m_sizedForPicture = false;
    const uint8_t* m_bytes = nullptr;
    uint64_t m_drawCount = UINT64_MAX;
};
