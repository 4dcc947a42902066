// The small box that says what the utility is doing while a printer operation runs, and the
// worker thread the operation runs on so that the window keeps painting meanwhile.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace vrtruty::ui {

class WaitBox final : public QDialog {
  public:
    // operation: the name of what runs, shown above the text when not empty. showsProgress: the
    // length of the work is known, a bar shows how much of it is done.
    WaitBox(QWidget* owner, const QString& caption, const QString& operation, const QString& text,
            bool showsProgress);

    void setText(const QString& text);
    void setProgress(int percent);
    // A line under the text: why a close or Escape did nothing.
    void showNote(const QString& note);
    // Told when the user tries to close the box or presses Escape.
    void setRefusedClose(std::function<void()> refused) { refusedClose_ = std::move(refused); }
    // Shows a Cancel button; pressing it (or Escape) calls onCancel once and disables the button.
    // The box still closes only when the operation ends.
    void OfferCancel(const QString& label, std::function<void()> onCancel);

  protected:
    // The box cannot be closed by the user: it goes when the operation ends.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Cancel();

    QVBoxLayout* column_;
    QLabel* text_;
    QProgressBar* progress_ = nullptr;
    QLabel* note_;
    std::function<void()> refusedClose_;
    QPushButton* cancelButton_ = nullptr;
    std::function<void()> onCancel_;
};

// Runs work on a worker thread and keeps the event loop of this thread turning until it returns;
// its result is returned here, on the thread that called.
int RunOnWorkerThread(const std::function<int()>& work);

}  // namespace vrtruty::ui
