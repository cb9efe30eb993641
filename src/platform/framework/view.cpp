#include "platform/framework/view.h"

namespace fw {

Control* View::findControl(std::string_view identifier) const {
    for (Control* control : subviews()) {
        if (control->identifier() == identifier)
            return control;
        if (auto* view = dynamic_cast<View*>(control)) {
            if (Control* found = view->findControl(identifier))
                return found;
        } else if (auto* tabs = dynamic_cast<TabView*>(control)) {
            for (int i = 0; i < tabs->numberOfTabViewItems(); ++i) {
                if (Control* found = tabs->viewOfTabViewItemAtIndex(i).findControl(identifier))
                    return found;
            }
        }
    }
    return nullptr;
}

} // namespace fw
