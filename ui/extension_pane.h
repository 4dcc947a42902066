// The Extension 1 pane: change the printer's stored code page, international character set and
// font, print the code table, and send a file to the printer unchanged.
#pragma once

#include <QString>
#include <memory>

#include "ui/pane.h"

namespace vrtruty::ui {

class ExtensionPane final : public Pane {
  public:
    explicit ExtensionPane(Session& session, QWidget* parent = nullptr);
    ~ExtensionPane() override;

    void SetTexts() override;
    void UpdateEnabling() override;
    void BeforeShow() override;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    struct Controls;

    void BuildControls();
    void FillLists();
    bool SendFileAccepted() const;
    // Asks the confirmation question of a job; true for OK.
    bool Confirm(int question);
    void ShowFailure(int result);

    void ChangeDefaultValue();
    void TestPrint();
    void Reference();
    void SendFile();

    std::unique_ptr<Controls> c_;
    QString lastFolder_;  // where Reference opened a file last
};

}  // namespace vrtruty::ui
