// The Printer Setup pane: every printer setting as a drop-down list on the three pages "Memory
// Switch", "Customize Value" and "Other", with send, get, setting list, revert, import and export.
// The lists show the record being edited; a page's selections go into the record when the user
// leaves the page, sends, exports or exits.
#pragma once

#include <memory>

#include "lang/text_numbers.h"
#include "ui/pane.h"

namespace vrtruty::ui {

class SetupPane final : public Pane {
  public:
    explicit SetupPane(Session& session, QWidget* parent = nullptr);
    ~SetupPane() override;

    // Rebuilds the pages for the model and language: labels, choices, default marks, rows.
    void SetTexts() override;
    void UpdateEnabling() override;
    void StoreEdits() override;

  private:
    struct Controls;
    struct Row;

    void BuildControls();
    void BuildRows();
    // Selects every list from the record and enables the rows the model lets the user change.
    void RefreshPages();
    void CollectPage(int tab);
    void TabChanged(int tab);
    void RepetitionChanged();
    bool Confirm(int question);
    void ShowStatus(const QString& text);
    QString SettingFileText(lang::TextNumber message) const;

    void SendSettings();
    void PrintSettingList();
    void GetSettings();
    void RevertToDefault();
    void ImportFile();
    void ExportFile();
    void SoundCheck();

    std::unique_ptr<Controls> c_;
};

}  // namespace vrtruty::ui
