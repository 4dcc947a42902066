// How a second copy of the utility brings the running one to the front: the copy that holds the
// single-instance lock listens on a local socket named after the lock; a later copy connects to
// it once and ends.
#pragma once

#include <QLocalServer>
#include <QString>
#include <filesystem>
#include <functional>

namespace vrtruty::ui {

// The socket name of the copy holding the lock in lockDirectory.
QString BeaconName(const std::filesystem::path& lockDirectory);

class InstanceBeacon final : public QObject {
  public:
    // comeToFront runs on this copy's thread each time a later copy knocks.
    InstanceBeacon(const QString& name, std::function<void()> comeToFront);

    bool listening() const { return server_.isListening(); }

  private:
    QLocalServer server_;
    std::function<void()> comeToFront_;
};

// Asks the running copy to come to the front; false when none answered.
bool AskRunningCopyToFront(const QString& name);

}  // namespace vrtruty::ui
