#include "ui/pane_jobs.h"

#include <QApplication>
#include <QRegularExpression>
#include <QStringList>
#include <QWidget>
#include <algorithm>

#include "app/printer_connection.h"
#include "comm/send_operation.h"
#include "ui/session.h"

namespace vrtruty::ui {

int SendPrinterJob(Session& session, int operation, std::span<const std::uint8_t> data,
                   JobTargets targets, const QString& name) {
    const std::size_t printers =
        targets == JobTargets::EveryListedPrinter ? app::ListedPrinterCount(session.state()) : 1;
    const JobView view{name, {}, data.size() * printers};
    return session.RunShownPrinterJob(view, [&](app::PrinterConnection& connection) {
        comm::PortAccess& port = connection.port();
        const auto send = [&] { return comm::PrinterSendOperation(port, operation, data); };
        return targets == JobTargets::EveryListedPrinter ? comm::ForEachTargetPrinter(port, send)
                                                         : send();
    });
}

FocusReturn::FocusReturn() : focus_(QApplication::focusWidget()) {}

FocusReturn::~FocusReturn() {
    if (focus_ != nullptr && focus_->isVisible() && focus_->isEnabled()) {
        focus_->setFocus(Qt::OtherFocusReason);
    }
}

QString OperationName(const QString& buttonText) {
    QString name = buttonText;
    // "(&E)" after the text, as the Japanese and these English texts write it, or "&E" inside.
    static const QRegularExpression kTrailing(QStringLiteral("\\(&.\\)\\s*$"));
    name.remove(kTrailing);
    name.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return name.trimmed();
}

QString DialogFilter(const QString& languageFilter) {
    const QStringList parts = languageFilter.split(QChar(u'\0'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*")).replace(u';', u' ');
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace vrtruty::ui
