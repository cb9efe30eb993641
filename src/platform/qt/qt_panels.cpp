#include "platform/qt/qt_panels.h"

#include "platform/framework/run_loop.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_view.h"
#include "platform/qt/qt_window.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

#include <functional>

namespace fw {

namespace {

constexpr int kAlertWidth = 420;

QWidget* sheetParent(Window* window) {
    auto* qtWindow = dynamic_cast<QtWindow*>(window);
    return qtWindow ? qtWindow->widget() : nullptr;
}

// A save dialog that asks "Replace?" about the name the file will really get (the caller's extension
// rule applied), before it closes: a user who typed clip.mp4 is asked about clip.mov.
class FinalNameFileDialog : public QFileDialog {
public:
    using Confirm = std::function<bool(const QString& chosen)>;
    FinalNameFileDialog(QWidget* parent, const QString& folder, Confirm confirm)
        : QFileDialog(parent, QStringLiteral("Save Movie"), folder), m_confirm(std::move(confirm)) {
        setOption(QFileDialog::DontConfirmOverwrite);
    }

    void accept() override {
        const QStringList chosen = selectedFiles();
        // A folder typed in is entered, as the dialog does by itself.
        if (!chosen.isEmpty() && !QFileInfo(chosen.first()).isDir() && !m_confirm(chosen.first()))
            return;
        QFileDialog::accept();
    }

private:
    Confirm m_confirm;
};

} // namespace

// ---- Save panel ----------------------------------------------------------------------------------

QtSavePanel::~QtSavePanel() {
    takeBackAccessory();
    if (m_dialog)
        m_dialog->deleteLater();
}

void QtSavePanel::beginSheetForDirectory(const std::string& directory, const std::string& file,
                                         Window* window, DidEnd didEnd) {
    const QString folder = directory.empty() ? QDir::currentPath() : toQString(directory);
    m_dialog = new FinalNameFileDialog(sheetParent(window), folder,
                                       [this](const QString& chosen) { return confirmReplacing(chosen); });
    m_dialog->setObjectName(kObjectName);
    m_dialog->setOption(QFileDialog::DontUseNativeDialog); // the accessory needs Qt's own dialog
    m_dialog->setAcceptMode(QFileDialog::AcceptSave);
    m_dialog->setFileMode(QFileDialog::AnyFile);
    m_dialog->setNameFilters({QStringLiteral("Movies (*.mov)"), QStringLiteral("All files (*)")});
    m_dialog->setWindowModality(sheetParent(window) ? Qt::WindowModal : Qt::ApplicationModal);
    // A name that is only the extension would make a hidden file: the user types one instead.
    const std::string proposed = finalNameOf("");
    if (file != proposed)
        m_dialog->selectFile(toQString(file));
    if (auto* accessory = dynamic_cast<QtView*>(m_accessory)) {
        if (auto* grid = qobject_cast<QGridLayout*>(m_dialog->layout())) {
            m_accessoryWidget = accessory->widget();
            grid->addWidget(m_accessoryWidget, grid->rowCount(), 0, 1, grid->columnCount());
            m_accessoryWidget->show();
        }
    }
    // The panel keeps itself alive until the user has answered.
    std::shared_ptr<SavePanel> self = shared_from_this();
    QObject::connect(m_dialog, &QFileDialog::finished, m_dialog,
                     [this, self, didEnd = std::move(didEnd)](int result) { finished(result, didEnd); });
    m_dialog->open();
}

bool QtSavePanel::confirmReplacing(const QString& chosen) {
    const QString final = toQString(finalNameOf(fromQString(chosen)));
    m_replaceConfirmed = false;
    if (!QFileInfo::exists(final))
        return true;
    QMessageBox question(QMessageBox::Warning, QStringLiteral("Replace?"),
                         QStringLiteral("%1 already exists. Do you want to replace it?")
                             .arg(QFileInfo(final).fileName()),
                         QMessageBox::Yes | QMessageBox::No, m_dialog);
    question.setObjectName(kReplaceQuestionName);
    question.setDefaultButton(QMessageBox::No);
    m_replaceConfirmed = question.exec() == QMessageBox::Yes;
    return m_replaceConfirmed;
}

void QtSavePanel::finished(int result, DidEnd didEnd) {
    const bool ok = result == QDialog::Accepted && !m_dialog->selectedFiles().isEmpty();
    if (ok)
        m_filename = finalNameOf(fromQString(m_dialog->selectedFiles().first()));
    takeBackAccessory();
    std::shared_ptr<SavePanel> self = shared_from_this();
    m_runLoop.performOnMainThread([self, ok, didEnd, dialog = m_dialog] {
        // Gone at the next turn, out of its own signal (deleteLater waits for a running loop).
        delete dialog.data();
        if (didEnd)
            didEnd(*self, ok ? OKButton : CancelButton);
    });
}

void QtSavePanel::takeBackAccessory() {
    // The accessory belongs to its document: out of the dialog before the dialog goes.
    // (The view itself may be gone already; its widget then went with it.)
    if (m_accessoryWidget && m_dialog && m_accessoryWidget->parent() == m_dialog) {
        m_accessoryWidget->hide();
        m_accessoryWidget->setParent(nullptr);
    }
}

// ---- Alert ---------------------------------------------------------------------------------------

QtAlert::~QtAlert() {
    if (m_box)
        m_box->deleteLater();
}

void QtAlert::beginSheetModalForWindow(Window* window, DidEnd didEnd) {
    QWidget* parent = sheetParent(window);
    m_box = new QMessageBox(parent);
    m_box->setObjectName(kObjectName);
    m_box->setIcon(QMessageBox::Warning);
    m_box->setWindowTitle(toQString(m_message));
    m_box->setText(toQString(m_message));
    // Plain text: whatever the core recorded is shown as it is.
    m_box->setTextFormat(Qt::PlainText);
    m_box->setInformativeText(toQString(m_informative));
    m_box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    // Room for a reason of a few lines: the box's own size follows its shortest words.
    if (auto* grid = qobject_cast<QGridLayout*>(m_box->layout()))
        grid->addItem(new QSpacerItem(kAlertWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    static constexpr int kReturns[] = {DefaultReturn, AlternateReturn, OtherReturn};
    static constexpr QMessageBox::ButtonRole kRoles[] = {QMessageBox::AcceptRole, QMessageBox::RejectRole,
                                                         QMessageBox::DestructiveRole};
    std::vector<std::pair<QAbstractButton*, int>> returns;
    for (size_t i = 0; i < m_buttons.size() && i < 3; ++i) {
        QPushButton* button = m_box->addButton(toQString(m_buttons[i]), kRoles[i]);
        button->setObjectName(QStringLiteral("alertButton%1").arg(i));
        if (i == 0)
            m_box->setDefaultButton(button);
        returns.emplace_back(button, kReturns[i]);
    }
    std::shared_ptr<Alert> self = shared_from_this();
    QObject::connect(m_box, &QMessageBox::finished, m_box,
                     [this, self, returns, didEnd = std::move(didEnd)](int) {
                         int code = DefaultReturn;
                         for (const auto& [button, value] : returns) {
                             if (button == m_box->clickedButton())
                                 code = value;
                         }
                         m_runLoop.performOnMainThread([self, code, didEnd, box = m_box] {
                             delete box.data();
                             if (didEnd)
                                 didEnd(*self, code);
                         });
                     });
    m_box->open();
}

} // namespace fw
