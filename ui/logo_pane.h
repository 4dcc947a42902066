// The Logo Settings pane: on the left the logo file list (bitmap files prepared for the printer,
// with keycodes, colours, gradations and sizes) and a preview of the selected logo as the printer
// will print it; on the right the logos the printer holds, to delete or print; below, the
// printer's capacity, what the list will take and what the printer already uses.
#pragma once

#include <QStringList>
#include <memory>

#include "logo/logo_list.h"
#include "logo/logo_list_file.h"
#include "logo/printer_logos.h"
#include "ui/pane.h"

namespace vrtruty::ui {

class LogoPane final : public Pane {
  public:
    explicit LogoPane(Session& session, QWidget* parent = nullptr);
    ~LogoPane() override;

    void SetTexts() override;
    void UpdateEnabling() override;
    // The first time: the list kept from the last run; then the printer's logo information.
    void BeforeShow() override;
    void AfterPortSettings() override;

    // At exit, when the user chose to save: the list into the program's list file, provided the
    // pane was shown in this run (otherwise the file was never loaded and stays as it is).
    void SaveProgramList();

    const logo::LogoList& list() const { return list_; }

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QString SaveFailureText(const logo::LogoListSaveResult& saved,
                            const std::filesystem::path& file) const;
    struct Controls;

    void BuildControls();
    void BuildFileSide(QWidget* side);
    void BuildPrinterSide(QWidget* side);

    // The list view rewritten from the list, the given row selected.
    void RefreshFileList(std::size_t select);
    void RefreshPrinterList(std::size_t select);
    void ShowCurrentEntry();
    void UpdatePreview();
    // Recomputes the sizes and shows them; an overflow of the requested kind is reported.
    bool UpdateSizes(logo::OverflowReport mode);
    void ShowLogoMessage(const logo::LogoMessage& message, std::uint32_t style);
    // After a batch: the limit that ended it and an overflow, in that order.
    void ShowBatchEnd(const logo::LogoBatchResult& batch);
    bool AskToContinue(int code, const std::string& file);

    void AddFiles();
    void AddPaths(const QStringList& paths, int gradation);
    void DeleteEntry();
    void DeleteAllEntries();
    void LoadListFile();
    void SaveListFile();
    void Enter();
    void GradationChosen();
    void CheckChanged(std::size_t row, bool checked);

    void Register();
    void DeletePrinterLogo();
    void DeleteAllPrinterLogos();
    void PrintLogo();
    void PrintAllLogos();
    void GetRegisteredInformation();

    // Reads the printer's logo information behind the wait box, with RESET3 afterwards; on a
    // failure the message and, unless keepKeycodes, an emptied printer list.
    int ReadInformation(bool keepKeycodes);
    // Runs logo work on the printer with the pane's list and printer information; what the work
    // learns about the printer is taken over afterwards. With totalBytes, the wait box shows a
    // bar of the bytes the printer has taken.
    int RunLogoWork(const QString& waitText,
                    const std::function<int(logo::LogoSession& logoSession)>& work,
                    std::size_t totalBytes = 0);
    void TakePrinterInformation();
    bool Confirm(const QString& question);
    // Asks a question about the printer (with "Verify that the printer is connected"), naming the
    // keycode where it has one.
    bool ConfirmPrinterJob(int question, std::optional<std::uint16_t> keycode = std::nullopt);
    // The gradation for files about to be added: asked on printers with sixteen levels; nothing
    // when the user cancelled.
    std::optional<int> ChooseGradation();
    void ShowReadFailure(int result);
    void ShowJobFailure(int result);
    QString WaitText(const logo::LogoWaitNotice& notice) const;
    bool SixteenLevels() const;
    std::optional<std::uint16_t> SelectedPrinterKeycode() const;

    std::unique_ptr<Controls> c_;
    logo::LogoList list_;
    logo::PrinterLogoInfo printer_;  // the last good read of the printer
    bool shown_ = false;             // the list file was loaded: it is saved at exit
    bool updating_ = false;          // the list view is being rewritten: ignore its signals
    QString lastFolder_;             // where the list file dialogs opened last
    // While registering: which logo of how many is being sent.
    std::size_t registering_ = 0;
    std::size_t registerCount_ = 0;
};

}  // namespace vrtruty::ui
