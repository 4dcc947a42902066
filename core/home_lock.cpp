#include "core/home_lock.h"

#include <system_error>

namespace vrtruty::app {
namespace {

// The lock file's name without its extension; hidden, as it holds nothing for the user.
constexpr std::string_view kHomeLockName = ".Vrtrutys";

}  // namespace

HomeLock LockHomeFolder(const std::filesystem::path& home, platform::Clock& clock) {
    platform::InstanceLock::Attempt attempt =
        platform::InstanceLock::Acquire(kHomeLockName, home, clock, kHomeLockPatience);
    if (attempt.lock) {
        return {std::move(attempt.lock), {}};
    }
    if (attempt.error == std::errc::resource_unavailable_try_again) {
        return {std::nullopt, "another copy of the utility is changing the files in " +
                                  home.string() + "; nothing was changed, try again"};
    }
    return {std::nullopt,
            "cannot lock the files in " + home.string() + ": " + attempt.error.message()};
}

}  // namespace vrtruty::app
