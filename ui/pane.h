// A function pane beside the button pane: created once, shown one at a time.
#pragma once

#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

namespace vrtruty::ui {

class Session;

class Pane : public QWidget {
  public:
    explicit Pane(Session& session, QWidget* parent = nullptr)
        : QWidget(parent), session_(session) {}

    // Sets every text again in the current language.
    virtual void SetTexts() = 0;
    // Enables the controls that need a verified connection, or disables them.
    virtual void UpdateEnabling() = 0;
    // As the pane is shown: bring the display up to date.
    virtual void BeforeShow() {}
    // Before the settings being edited are saved: put what the pane's controls hold into them.
    virtual void StoreEdits() {}
    // New port settings were confirmed while the pane was the one shown.
    virtual void AfterPortSettings() {}

  protected:
    // The pane's title at its top, in bold.
    QLabel* CreateTitle() {
        auto* title = new QLabel(this);
        title->setObjectName("paneTitle");
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        return title;
    }

    // A click on the pane's background brings the whole window to the front.
    void mousePressEvent(QMouseEvent* event) override {
        window()->raise();
        window()->activateWindow();
        QWidget::mousePressEvent(event);
    }

    Session& session_;
};

}  // namespace vrtruty::ui
