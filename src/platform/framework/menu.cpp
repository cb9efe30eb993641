#include "platform/framework/menu.h"

namespace fw {

void Menu::removeAllItems() {
    while (numberOfItems() > 0)
        removeItemAtIndex(0);
}

int Menu::indexOfItemWithTitle(const std::string& title) const {
    for (int i = 0; i < numberOfItems(); ++i) {
        if (itemAtIndex(i)->title() == title)
            return i;
    }
    return -1;
}

MenuItem* Menu::itemWithTitle(const std::string& title) const { return itemAtIndex(indexOfItemWithTitle(title)); }

int Menu::indexOfItemWithTag(int tag) const {
    for (int i = 0; i < numberOfItems(); ++i) {
        if (itemAtIndex(i)->tag() == tag)
            return i;
    }
    return -1;
}

MenuItem* Menu::itemWithTag(int tag) const { return itemAtIndex(indexOfItemWithTag(tag)); }

} // namespace fw
