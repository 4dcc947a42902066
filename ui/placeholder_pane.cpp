#include "ui/placeholder_pane.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vrtruty::ui {

PlaceholderPane::PlaceholderPane(Session& session, std::function<QString()> title, QWidget* parent)
    : Pane(session, parent), title_(std::move(title)), label_(CreateTitle()) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addStretch(1);
    SetTexts();
}

void PlaceholderPane::SetTexts() {
    label_->setText(title_());
}

}  // namespace vrtruty::ui
