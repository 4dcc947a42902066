// Everything the window asks of the user or of the desktop: message boxes, the file dialog and
// opening documents. The window talks to this interface only, so tests can answer in its place.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>

#include "platform/document_opener.h"

class QWidget;

namespace vrtruty::ui {

// Buttons a message box returns.
enum MessageAnswer : int {
    ID_OK = 1,
    ID_CANCEL = 2,
    ID_YES = 6,
    ID_NO = 7,
};

// One message box: the style says buttons and icon (the utility's message styles).
struct MessageRequest {
    std::uint32_t style = 0;
    QString caption;
    QString text;
    bool rightToLeft = false;
};

// A small modal choice among a few items (the gradation choice before logo files are added).
struct ChoiceRequest {
    QString caption;
    QString text;
    QString label;
    QStringList items;
};

class Prompts {
  public:
    virtual ~Prompts() = default;
    // Shows the box modally over owner and returns the button pressed.
    virtual int Ask(QWidget* owner, const MessageRequest& request) = 0;
    // The system's open-file dialog; an empty text when the user cancelled.
    virtual QString OpenFileName(QWidget* owner, const QString& title, const QString& startPath,
                                 const QString& filter) = 0;
    // The same, where several files may be chosen; empty when the user cancelled.
    virtual QStringList OpenFileNames(QWidget* owner, const QString& title,
                                      const QString& startPath, const QString& filter) = 0;
    // The save-file dialog; it asks nothing about an existing file (the caller does). An empty
    // text when the user cancelled.
    virtual QString SaveFileName(QWidget* owner, const QString& title, const QString& startPath,
                                 const QString& filter) = 0;
    // The index of the item chosen, starting on the first; -1 for Cancel or closing the box.
    virtual int Choose(QWidget* owner, const ChoiceRequest& request) = 0;
    virtual platform::OpenDocumentResult OpenDocument(const std::filesystem::path& document) = 0;
};

// The real boxes and dialogs of the desktop.
class DesktopPrompts final : public Prompts {
  public:
    int Ask(QWidget* owner, const MessageRequest& request) override;
    QString OpenFileName(QWidget* owner, const QString& title, const QString& startPath,
                         const QString& filter) override;
    QStringList OpenFileNames(QWidget* owner, const QString& title, const QString& startPath,
                              const QString& filter) override;
    QString SaveFileName(QWidget* owner, const QString& title, const QString& startPath,
                         const QString& filter) override;
    int Choose(QWidget* owner, const ChoiceRequest& request) override;
    platform::OpenDocumentResult OpenDocument(const std::filesystem::path& document) override;

  private:
    platform::DesktopDocumentOpener opener_;
};

}  // namespace vrtruty::ui
