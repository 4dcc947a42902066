// A pane whose functions come later: it shows its title only.
#pragma once

#include <functional>

#include "ui/pane.h"

class QLabel;

namespace vrtruty::ui {

class PlaceholderPane final : public Pane {
  public:
    // title: the pane's title in the current language, asked again at every language change.
    PlaceholderPane(Session& session, std::function<QString()> title, QWidget* parent = nullptr);

    void SetTexts() override;
    void UpdateEnabling() override {}

  private:
    std::function<QString()> title_;
    QLabel* label_;
};

}  // namespace vrtruty::ui
