// The port settings dialog's network search against a real SNMP agent on loopback: what joins
// the list, and how Cancel in the wait box ends a search.
#include <QApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <fstream>
#include <memory>
#include <sstream>

#include "avahi_namespace.h"
#include "gui_harness.h"
#include "snmpd_process.h"
#include "ui/main_window.h"
#include "ui/port_settings_dialog.h"

namespace {

using namespace vrtruty;
using test::GuiWorld;

// Sets an environment variable for one test.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedEnvironment() { qunsetenv(name_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
};

QStringList ListedRows(ui::PortSettingsDialog& dialog) {
    auto* list = test::Child<QTreeWidget>(dialog, "printerList");
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        rows << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1);
    }
    return rows;
}

// Opens the dialog on a network list that holds one printer already.
struct SearchWorld {
    explicit SearchWorld(GuiWorld& world) : window(world.session()) {
        app::AppState& state = world.state();
        state.model.printerRow = 0;  // the TR-770II
        state.config.portKind = app::PortKind::PORT_LAN;
        state.config.lanPrinters = {{0, "127.0.0.9", {}, {}}};
        dialog = std::make_unique<ui::PortSettingsDialog>(world.session(), window, false);
        dialog->show();
    }
    ui::MainWindow window;
    std::unique_ptr<ui::PortSettingsDialog> dialog;
};

class NetworkSearchTest final : public QObject {
    Q_OBJECT

  private slots:
    void foundPrinterJoinsTheListOnce() {
        QTemporaryDir folder;
        std::ifstream file(std::string(VRTRUTY_SOURCE_DIR) + "/res/snmpd/virtual-printer.conf");
        std::stringstream configuration;
        configuration << file.rdbuf();
        std::string why;
        const auto snmpd =
            test::SnmpdProcess::Start(folder.path().toStdString(), configuration.str(), why);
        if (!snmpd) {
            QSKIP(("skipped: " + why).c_str());
        }
        const ScopedEnvironment targets("VRTRUTY_SEARCH_TARGETS", snmpd->target());
        GuiWorld world;
        world.Start();
        SearchWorld open(world);

        auto* search = test::Child<QPushButton>(*open.dialog, "searchButton");
        search->click();
        QCOMPARE(world.prompts.Texts(), QStringList{});
        const QStringList expected = {"127.0.0.9 ", "127.0.0.1 00:00:5E:00:53:01"};
        QCOMPARE(ListedRows(*open.dialog), expected);
        QCOMPARE(world.state().config.lanPrinters[1].libraryMode, 0);

        search->click();
        QCOMPARE(world.prompts.Texts(), QStringList{});
        QCOMPARE(ListedRows(*open.dialog), expected);  // the listed printer is not added again
    }

    void cancelEndsTheSearchWithinHalfASecond() {
        // Nothing answers there: the search would wait for its whole time-out.
        const ScopedEnvironment targets(
            "VRTRUTY_SEARCH_TARGETS",
            "127.0.0.1:" + std::to_string(test::FreeUdpPort("127.0.0.1")));
        GuiWorld world;
        world.Start();
        SearchWorld open(world);

        QElapsedTimer sinceCancel;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* cancel = top->findChild<QPushButton*>("waitCancelButton");
                if (cancel != nullptr && top->isVisible() && !sinceCancel.isValid()) {
                    QCOMPARE(cancel->text(), QString("Cancel"));
                    sinceCancel.start();
                    cancel->click();
                }
            }
        });
        poll.start(20);
        test::Child<QPushButton>(*open.dialog, "searchButton")->click();
        poll.stop();
        QVERIFY2(sinceCancel.isValid(), "the wait box offered no Cancel");
        QVERIFY2(
            sinceCancel.elapsed() < 500,
            qPrintable(QString("the search took %1 ms after Cancel").arg(sinceCancel.elapsed())));
        QCOMPARE(world.prompts.Texts(), QStringList{});  // a cancelled search says nothing
        QCOMPARE(ListedRows(*open.dialog), QStringList{"127.0.0.9 "});
    }
};

}  // namespace

std::unique_ptr<QObject> MakeNetworkSearchTest() {
    return std::make_unique<NetworkSearchTest>();
}

#include "network_search_test.moc"
