// Small widget builders shared by the panes and dialogs.
#pragma once

#include <QPushButton>

namespace vrtruty::ui {

// A push button found by its object name in tests. It never becomes a dialog's default button:
// Enter in a list or a field must not press whatever button had the focus last.
inline QPushButton* NewButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace vrtruty::ui
