// The small box that says what the utility is doing while a printer operation runs, and the
// worker thread the operation runs on so that the window keeps painting meanwhile.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace vrtruty::ui {

class WaitBox final : public QDialog {
  public:
    WaitBox(QWidget* owner, const QString& caption, const QString& text);

    void setText(const QString& text);
    // Shows a Cancel button; pressing it (or Escape) calls onCancel once and disables the button.
    // The box still closes only when the operation ends.
    void OfferCancel(const QString& label, std::function<void()> onCancel);

  protected:
    // The box cannot be closed by the user: it goes when the operation ends.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Cancel();

    QLabel* text_;
    QPushButton* cancelButton_ = nullptr;
    std::function<void()> onCancel_;
};

// Runs work on a worker thread and keeps the event loop of this thread turning until it returns;
// its result is returned here, on the thread that called.
int RunOnWorkerThread(const std::function<int()>& work);

}  // namespace vrtruty::ui
