// The Printer Test pane: print head, buzzer, cutter and cash drawer tests, one fixed byte
// sequence each.
#pragma once

#include <memory>

#include "jobs/printer_jobs.h"
#include "ui/pane.h"

namespace vrtruty::ui {

class TestPane final : public Pane {
  public:
    explicit TestPane(Session& session, QWidget* parent = nullptr);
    ~TestPane() override;

    void SetTexts() override;
    void UpdateEnabling() override;

  private:
    struct Controls;

    void BuildControls();
    void RunTest(tools::PrinterTest test);

    std::unique_ptr<Controls> c_;
};

}  // namespace vrtruty::ui
