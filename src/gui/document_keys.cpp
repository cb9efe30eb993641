#include "gui/document_keys.h"

#include "document/dpx_movie_file.h"
#include "platform/qt/qt_window.h"

#include <QShortcut>

namespace {

/// Moves the slider by `step` frames as a user's drag would: the document browses there.
void stepFrames(DPXMovieFile& document, int step) {
    fw::Slider* slider = document.frameSlider();
    if (!slider || !slider->isEnabled() || slider->isHidden())
        return;
    slider->setIntValue(slider->intValue() + step);
    slider->sendAction();
}

void clickButton(DPXMovieFile& document, const char* identifier) {
    if (fw::Window* window = document.window()) {
        if (auto* button = window->find<fw::Button>(identifier))
            button->performClick();
    }
}

} // namespace

void installDocumentKeys(const std::shared_ptr<DPXMovieFile>& document) {
    auto* window = dynamic_cast<fw::QtWindow*>(document->window());
    if (!window)
        return;
    std::weak_ptr<DPXMovieFile> weak = document;
    const auto add = [&](int key, std::function<void(DPXMovieFile&)> act) {
        auto* shortcut = new QShortcut(QKeySequence(key), window->widget());
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, shortcut, [weak, act] {
            if (std::shared_ptr<DPXMovieFile> doc = weak.lock())
                act(*doc);
        });
    };
    add(Qt::Key_Left, [](DPXMovieFile& doc) { stepFrames(doc, -1); });
    add(Qt::Key_Right, [](DPXMovieFile& doc) { stepFrames(doc, +1); });
    add(Qt::Key_I, [](DPXMovieFile& doc) { clickButton(doc, DPXMovieFile::kMarkInButtonID); });
    add(Qt::Key_O, [](DPXMovieFile& doc) { clickButton(doc, DPXMovieFile::kMarkOutButtonID); });
    add(Qt::Key_Home, [](DPXMovieFile& doc) { clickButton(doc, DPXMovieFile::kGotoInButtonID); });
    add(Qt::Key_End, [](DPXMovieFile& doc) { clickButton(doc, DPXMovieFile::kGotoOutButtonID); });
    add(Qt::Key_Space, [](DPXMovieFile& doc) { clickButton(doc, DPXMovieFile::kPlayButtonID); });
}
