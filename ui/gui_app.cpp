#include "ui/gui_app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/app_info.h"
#include "app/machine_startup.h"
#include "app/printer_connection.h"
#include "core/home_lock.h"
#include "lang/message_style.h"
#include "lang/text_numbers.h"
#include "platform/clock.h"
#include "platform/home_folder.h"
#include "platform/instance_lock.h"
#include "platform/process_info.h"
#include "ui/instance_beacon.h"
#include "ui/main_window.h"
#include "ui/printer_picture.h"
#include "ui/prompts.h"
#include "ui/session.h"

namespace vrtruty::ui {
namespace {

std::optional<std::string> HomeArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--home") {
            return std::string(argv[i + 1]);
        }
    }
    return std::nullopt;
}

// --help and --version are answered before anything needs a display.
std::optional<int> AnswerWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << "Usage: vrtruty [--home DIR]\n"
                         "       vrtruty --help | --version\n"
                         "\n"
                         "Opens the window of the thermal receipt printer utility.\n"
                         "\n"
                         "  --home DIR   folder of the configuration, logs and setting files\n"
                         "               (default: $VRTRUTY_HOME, else the program's folder when\n"
                         "               it holds the language files, else ~/.config/vrtruty)\n"
                         "  --help       show this text\n"
                         "  --version    show the version\n"
                         "\n"
                         "The same functions from a terminal: vrtruty-cli --help\n";
            return 0;
        }
        if (arg == "--version") {
            std::cout << app::VersionLine("vrtruty") << "\n";
            return 0;
        }
        if (arg == "--home") {
            ++i;  // its value is a folder, whatever it is called
        }
    }
    return std::nullopt;
}

}  // namespace

int RunGui(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerWithoutWindow(argc, argv)) {
        return *answered;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("vrtruty");
    QApplication::setWindowIcon(UtilityIcon());

    const platform::HomeFolder home = platform::ResolveHomeFolder(
        platform::HomeFolderInputsFromEnvironment(HomeArgument(argc, argv)));
    if (home.error) {
        std::cerr << "vrtruty: cannot use the home folder " << home.folder.string() << ": "
                  << home.error.message() << "\n";
        return 1;
    }

    platform::RealClock clock;
    app::StartupOptions options = app::MachineStartupOptions(home.folder, clock);
    options.lockDirectory = platform::InstanceLock::DefaultLockDirectory();
    const QString beaconName = BeaconName(*options.lockDirectory);
    // Start-up rewrites damaged temporary settings with factory values only under the home
    // folder's lock: a command line changing the same files may be holding it just now.
    app::StartupResult started = [&] {
        const app::HomeLock homeLock = app::LockHomeFolder(home.folder, clock);
        options.repairsTemporarySettings = homeLock.lock.has_value();
        return app::RunStartup(options);
    }();
    DesktopPrompts prompts;
    if (started.status != app::StartupStatus::Running) {
        if (started.message) {
            // The box's buttons speak the configured language too.
            QTranslator translator;
            if (translator.load(
                    QStringLiteral("qtbase_") + QString::fromStdString(started.message->locale),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                QCoreApplication::installTranslator(&translator);
            }
            MessageRequest request;
            request.style = started.message->style;
            request.caption = QString::fromStdString(started.message->caption);
            request.text = QString::fromStdString(started.message->text);
            prompts.Ask(nullptr, request);
        }
        if (started.status == app::StartupStatus::AlreadyRunning) {
            AskRunningCopyToFront(beaconName);
        }
        return 0;
    }
    app::AppState& state = *started.state;

    int status = 0;
    {
        Session session(state, prompts, app::LanPrintingPortFromEnvironment());
        MainWindow window(session);
        // A later copy knocks: the window, or the dialog open over it, comes to the front.
        InstanceBeacon beacon(beaconName, [&window] {
            QWidget* front = QApplication::activeModalWidget();
            if (front == nullptr) {
                front = &window;
            }
            window.showNormal();
            front->raise();
            front->activateWindow();
        });
        // The window's place is the user's, whichever home folder this run uses.
        const QString placement =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/vrtruty/window.ini");
        if (!window.RestorePlacement(placement)) {
            window.CentreOnScreen();
        }
        window.show();
        if (qEnvironmentVariableIsSet("VRTRUTY_REPORT_STARTUP")) {
            // The start-up benchmark: how long until the window showed, and the memory it took.
            QTimer::singleShot(0, &window, [] {
                // Wall-clock time, so that the script can count from before the process started.
                const auto shownAt = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::system_clock::now().time_since_epoch());
                std::cout << "shown-at-us " << shownAt.count() << " peak-memory-kib "
                          << platform::PeakMemoryKiB() << "\n";
                QApplication::exit(0);
            });
        } else {
            // The check runs once the window is on the screen, so its wait cursor shows over it.
            QTimer::singleShot(0, &window, [&window] { window.CheckConnectionAtStart(); });
        }
        status = QApplication::exec();
    }
    app::Shutdown(state);
    return status;
}

}  // namespace vrtruty::ui
