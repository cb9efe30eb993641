// The controls on Qt widgets.
//
// Each control wraps one widget that its view's widget owns; the wrapper never deletes it. The
// widgets' signals reach the wrapper through a context object the wrapper owns, so a wrapper that
// goes first (a window tears its controls down before its widgets) hears nothing more. Only the
// user's acts send actions: values set from code are set with the widget's signals blocked.
#pragma once

#include "platform/framework/controls.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSlider;
class QTextBrowser;

namespace fw {

/// The part every Qt control shares: its widget, enabled and hidden state, the signal context.
template <class Base> class QtControl : public Base {
public:
    QWidget* widget() const { return m_widget; }
    bool isEnabled() const override { return m_widget && m_widget->isEnabled(); }
    void setEnabled(bool enabled) override {
        if (m_widget)
            m_widget->setEnabled(enabled);
    }
    bool isHidden() const override { return m_hidden; }
    void setHidden(bool hidden) override {
        m_hidden = hidden;
        if (m_widget)
            m_widget->setHidden(hidden);
    }

protected:
    QtControl(const std::string& identifier, Window* window, QWidget* widget)
        : Base(identifier, window), m_widget(widget), m_context(std::make_unique<QObject>()) {
        widget->setObjectName(QString::fromStdString(identifier));
    }
    /// The receiver of the widget's signals: connections die with the wrapper.
    QObject* context() const { return m_context.get(); }

private:
    QPointer<QWidget> m_widget;
    bool m_hidden = false;
    std::unique_ptr<QObject> m_context;
};

class QtSlider : public QtControl<Slider> {
public:
    QtSlider(const std::string& identifier, Window* window, QWidget* parent);
    double minValue() const override { return m_min; }
    void setMinValue(double value) override;
    double maxValue() const override { return m_max; }
    void setMaxValue(double value) override;
    double doubleValue() const override { return m_value; }
    void setDoubleValue(double value) override;

private:
    void syncWidget();
    QSlider* m_slider;
    double m_min = 0.0;
    double m_max = 1.0;
    double m_value = 0.0;
};

class QtPopUpButton : public QtControl<PopUpButton> {
public:
    QtPopUpButton(const std::string& identifier, Window* window, QWidget* parent);
    void addItemWithTitle(const std::string& title) override;
    void removeItemAtIndex(int index) override;
    int numberOfItems() const override;
    std::string itemTitleAtIndex(int index) const override;
    int tagOfItemAtIndex(int index) const override;
    void setTagOfItemAtIndex(int index, int tag) override;
    int indexOfSelectedItem() const override;
    void selectItemAtIndex(int index) override;

private:
    QComboBox* m_combo;
};

class QtTextField : public QtControl<TextField> {
public:
    QtTextField(const std::string& identifier, Window* window, QWidget* parent, bool editable);
    std::string stringValue() const override;
    void setStringValue(const std::string& text) override;
    bool isEditable() const override { return m_lineEdit != nullptr; }
    /// A field made as a label stays one; an editable field can be made read-only.
    void setEditable(bool editable) override;

private:
    static QWidget* makeWidget(QWidget* parent, bool editable);
    QLineEdit* m_lineEdit = nullptr;
    QLabel* m_label = nullptr;
};

class QtButton : public QtControl<Button> {
public:
    QtButton(const std::string& identifier, Window* window, QWidget* parent, const std::string& title,
             ButtonType type);
    std::string title() const override;
    void setTitle(const std::string& title) override;
    ButtonType buttonType() const override { return m_type; }
    ControlState state() const override;
    void setState(ControlState state) override;

private:
    ButtonType m_type;
};

/// Paints the picture's bitmap in place, scaled to fit with its proportions, on black.
class QtImageView : public QtControl<ImageView> {
public:
    QtImageView(const std::string& identifier, Window* window, QWidget* parent);
    std::shared_ptr<const NSImage> image() const override { return m_image; }
    void setImage(std::shared_ptr<const NSImage> image) override;
    ImageScaling imageScaling() const override;
    void setImageScaling(ImageScaling scaling) override;
    /// The bitmap as a QImage over the picture's bytes (null image without one).
    const QImage& qimage() const { return m_qimage; }

private:
    std::shared_ptr<const NSImage> m_image;
    QImage m_qimage;
};

class QtProgressIndicator : public QtControl<ProgressIndicator> {
public:
    QtProgressIndicator(const std::string& identifier, Window* window, QWidget* parent);
    double minValue() const override { return m_min; }
    void setMinValue(double value) override;
    double maxValue() const override { return m_max; }
    void setMaxValue(double value) override;
    double doubleValue() const override { return m_value; }
    void setDoubleValue(double value) override;
    bool isIndeterminate() const override { return m_indeterminate; }
    void setIndeterminate(bool indeterminate) override;
    void startAnimation() override {}
    void stopAnimation() override {}

private:
    void syncWidget();
    QProgressBar* m_bar;
    double m_min = 0.0;
    double m_max = 100.0;
    double m_value = 0.0;
    bool m_indeterminate = false;
};

class QtMatrix : public QtControl<Matrix> {
public:
    QtMatrix(const std::string& identifier, Window* window, QWidget* parent);
    void addCell(const std::string& title, int tag) override;
    int numberOfCells() const override { return int(m_tags.size()); }
    std::string cellTitleAtIndex(int index) const override;
    int cellTagAtIndex(int index) const override;
    int indexOfSelectedCell() const override;
    void selectCellAtIndex(int index) override;

private:
    QButtonGroup* m_group;
    std::vector<int> m_tags;
};

class QtTextView : public QtControl<TextView> {
public:
    QtTextView(const std::string& identifier, Window* window, QWidget* parent);
    std::string string() const override;
    void setString(const std::string& text) override;
    bool readRTFDFromFile(const std::string& path) override;

private:
    QTextBrowser* m_browser;
};

} // namespace fw
