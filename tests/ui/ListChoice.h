#pragma once

#include <QComboBox>
#include <QString>

namespace ryx::ui {

// What a drop-down list does when the user picks an item: it shows the item
// and reports the choice, also when the item was already shown.
inline void chooseListItem(QComboBox& list, const QString& item) {
    const int index = list.findText(item);
    list.setCurrentIndex(index);
    emit list.activated(index);
}

}  // namespace ryx::ui
