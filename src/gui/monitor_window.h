// The output monitor: the software output device's surface in a window, titled with the display
// mode's name. It looks at the surface at every screen refresh and repaints when a frame was drawn
// into it (the surface's draw count) or the session changed its size; the picture is a QImage over
// the surface's own bytes. It can fill a chosen screen.
#pragma once

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString modeTitle() const;

    const SoftwareOutputDevice* m_device;
    QTimer m_timer;
    QImage m_image;
    const uint8_t* m_bytes = nullptr;
    uint64_t m_drawCount = UINT64_MAX;
};
