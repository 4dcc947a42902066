// What the function panes share around a printer job: one buffer sent as one job (to every
// listed network printer when asked), the failure shown by its code, and the focus put back where
// the user left it.
#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <span>

class QWidget;

namespace vrtruty::ui {

class Session;

// Which printers of a network connection a job goes to; other connections have one printer.
enum class JobTargets {
    ChosenPrinter,      // the chosen network printer only
    EveryListedPrinter  // each listed network printer in turn, stopping at the first failure
};

// Sends data with the one-shot send operation on the worker thread, with the controls disabled,
// the busy cursor and the wait box: the operation's name and a bar of the bytes sent; 0 or the
// failure code. Success shows in the status line.
int SendPrinterJob(Session& session, int operation, std::span<const std::uint8_t> data,
                   JobTargets targets, const QString& name);

// A button's text as the name of what it does: without its underlined letter ("Send file(&E)"
// is "Send file").
QString OperationName(const QString& buttonText);

// Remembers the widget that has the focus and gives it back when the action ends: a job disables
// the pane, and a message box takes the focus away.
class FocusReturn {
  public:
    FocusReturn();
    ~FocusReturn();
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

  private:
    QPointer<QWidget> focus_;
};

// A file-dialog filter of the language texts ("description", a zero character, "pattern", as
// often as there are filters) in the form the Qt file dialog reads ("description (pattern)" per
// line). "*.*" means every file there, so it becomes "*", which also matches names without a dot.
QString DialogFilter(const QString& languageFilter);

}  // namespace vrtruty::ui
