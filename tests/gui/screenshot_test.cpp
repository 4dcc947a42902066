// Pictures of the window with each pane and of the port settings dialog, in English and
// Japanese, at the scale the test runs with (QT_SCALE_FACTOR), and of the window and the dialog
// in every shipped language; every picture is also checked for texts that do not fit and for
// controls that overlap.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <tuple>

#include "bitmap_builder.h"
#include "gui_harness.h"
#include "platform/fake_print_queues.h"
#include "ui/main_window.h"
#include "ui/port_settings_dialog.h"

namespace {

using namespace vrtruty;
using test::GuiWorld;

QString Describe(const QWidget* widget) {
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        text = button->text();
    }
    return QStringLiteral("%1 \"%2\"").arg(widget->objectName(), text.left(40));
}

// A text that needs more room than it got is cut off; two visible siblings that share pixels
// overlap.
void VerifyLayout(QWidget& top, const QString& picture) {
    const auto widgets = top.findChildren<QWidget*>();
    for (const QWidget* widget : widgets) {
        if (!widget->isVisible()) {
            continue;
        }
        const bool hasText = qobject_cast<const QLabel*>(widget) != nullptr ||
                             qobject_cast<const QAbstractButton*>(widget) != nullptr ||
                             qobject_cast<const QComboBox*>(widget) != nullptr;
        if (hasText) {
            const QSize needed = widget->minimumSizeHint();
            QVERIFY2(widget->width() >= needed.width() && widget->height() >= needed.height(),
                     qPrintable(QStringLiteral("%1: %2 is cut off (%3x%4 of %5x%6)")
                                    .arg(picture, Describe(widget))
                                    .arg(widget->width())
                                    .arg(widget->height())
                                    .arg(needed.width())
                                    .arg(needed.height())));
        }
        if (!widget->isWindow() && widget->parentWidget() != nullptr) {
            for (const QObject* other : widget->parentWidget()->children()) {
                const auto* sibling = qobject_cast<const QWidget*>(other);
                if (sibling == nullptr || sibling == widget || !sibling->isVisible() ||
                    sibling->isWindow() || sibling < widget) {
                    continue;
                }
                QVERIFY2(!widget->geometry().intersects(sibling->geometry()),
                         qPrintable(QStringLiteral("%1: %2 overlaps %3")
                                        .arg(picture, Describe(widget), Describe(sibling))));
            }
        }
    }
}

// A logo worth looking at: a dark disc on a grey ramp, with a red band in its palette version.
QString WriteLogo(const QString& folder, const char* name, std::uint16_t bitCount) {
    constexpr int kWidth = 160;
    constexpr int kHeight = 64;
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int dx = x - kWidth / 2;
            const int dy = y - kHeight / 2;
            const bool disc = dx * dx + dy * dy < 26 * 26;
            if (bitCount == 4) {
                pixels.push_back(disc ? 0u : (y > 40 && y < 52 ? 1u : 2u));
            } else {
                const auto grey = static_cast<std::uint32_t>(255 - x * 200 / kWidth);
                pixels.push_back(disc ? 0x202020u : grey * 0x010101u);
            }
        }
    }
    const auto bytes = test::MakeBmp(
        test::Layout(kWidth, kHeight, bitCount, {{0, 0, 0}, {220, 0, 0}, {255, 255, 255}}), pixels);
    return test::WriteFile(folder + "/" + name, bytes);
}

QString Suffix() {
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
    return scale == "1" ? QStringLiteral("100") : QString::number(scale.toDouble() * 100);
}

class ScreenshotTest final : public QObject {
    Q_OBJECT

  private slots:
    void windowAndDialogInBothLanguages() {
        for (const bool japanese : {false, true}) {
            GuiWorld world;
            // Two queues of the model for the dialog's queue choice, one of another make.
            auto queues = std::make_shared<platform::FakePrintQueues>();
            for (const auto& [name, uri, driver] :
                 {std::tuple{"Receipt counter 1", "usb://VRM/TR-770II?serial=A1",
                             "VRM TR-770II Raster"},
                  std::tuple{"Back office", "socket://printer.example:9100", "VRM TR-770II Raster"},
                  std::tuple{"Laser", "ipp://laser.example/ipp/print", "Generic PCL Laser"}}) {
                platform::PrintQueueInfo queue;
                queue.name = name;
                queue.deviceUri = uri;
                queue.makeAndModel = driver;
                queues->queues.push_back(queue);
            }
            world.printQueues = queues;
            test::VirtualPrinter printer(world.homePath() + "/printer");
            app::AppState& state = world.Start(printer.port());
            world.UseLanPrinter();
            state.config.switches.printerTest = true;
            UseLanguage(state, japanese);
            const QString language = japanese ? "ja" : "en";
            ui::MainWindow window(world.session());
            window.SetMainTexts();
            window.ShowPortInMainWindow();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const std::pair<ui::PaneNumber, const char*> panes[] = {
                {ui::PaneNumber::LogoSettings, "logo"},
                {ui::PaneNumber::Extension1, "extension"},
                {ui::PaneNumber::PrinterTest, "test"},
            };
            for (const auto& [pane, name] : panes) {
                window.ShowPane(pane);
                QApplication::processEvents();
                const QString picture =
                    QStringLiteral("main-%1-%2-%3").arg(name, language, Suffix());
                VerifyLayout(window, picture);
                test::SaveScreenshot(window, picture);
            }
            // The logo pane with rows, a preview and the printer's registration list.
            window.ShowPane(ui::PaneNumber::LogoSettings);
            world.prompts.filesAnswer = {WriteLogo(world.homePath(), "shop logo.bmp", 24),
                                         WriteLogo(world.homePath(), "red band.bmp", 4),
                                         WriteLogo(world.homePath(), "receipt footer.bmp", 24)};
            window.findChild<QAbstractButton*>("addFileButton")->click();
            QApplication::processEvents();
            const QString rows = QStringLiteral("main-logo-rows-%1-%2").arg(language, Suffix());
            VerifyLayout(window, rows);
            test::SaveScreenshot(window, rows);
            window.findChild<QAbstractButton*>("registerButton")->click();
            QApplication::processEvents();
            const QString registered =
                QStringLiteral("main-logo-registered-%1-%2").arg(language, Suffix());
            VerifyLayout(window, registered);
            test::SaveScreenshot(window, registered);

            ui::PortSettingsDialog dialog(world.session(), window, false);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            for (const auto& [kind, radio] :
                 {std::pair{"lan", "lanRadio"}, std::pair{"usb", "usbRadio"},
                  std::pair{"com", "comRadio"}, std::pair{"queue", "winPrinterRadio"}}) {
                dialog.findChild<QAbstractButton*>(radio)->click();
                QApplication::processEvents();
                const QString picture =
                    QStringLiteral("port-dialog-%1-%2-%3").arg(kind, language, Suffix());
                VerifyLayout(dialog, picture);
                test::SaveScreenshot(dialog, picture);
            }
            dialog.reject();
        }
    }

    // The window and the port settings dialog in every shipped language, at 100 %: the longest
    // translations must fit as well as English does.
    void windowAndDialogInEveryLanguage() {
        if (Suffix() != "100") {
            QSKIP("the languages are pictured at 100 % only");
        }
        GuiWorld world;
        app::AppState& state = world.Start();
        world.UseLanPrinter();
        QCOMPARE(state.texts.languageCount(), std::size_t{13});
        for (std::size_t slot = 0; slot < state.texts.languageCount(); ++slot) {
            state.texts.setLanguageIndex(slot);
            // "Setting_ZH_s.dat" is pictured as "zh_s".
            const QString language =
                QString::fromStdString(state.texts.languageFile(slot).stem().string())
                    .mid(QStringLiteral("Setting_").size())
                    .toLower();
            ui::MainWindow window(world.session());
            window.SetMainTexts();
            window.ShowPortInMainWindow();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QApplication::processEvents();
            const QString main = QStringLiteral("main-language-%1-100").arg(language);
            VerifyLayout(window, main);
            test::SaveScreenshot(window, main);

            ui::PortSettingsDialog dialog(world.session(), window, false);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.findChild<QAbstractButton*>("lanRadio")->click();
            QApplication::processEvents();
            const QString port = QStringLiteral("port-dialog-language-%1-100").arg(language);
            VerifyLayout(dialog, port);
            test::SaveScreenshot(dialog, port);
            dialog.reject();
        }
    }

    // Every page of the Printer Setup pane, for the model with the most rows of each family.
    void setupPagesOfTwoModelsInBothLanguages() {
        const std::pair<std::size_t, const char*> models[] = {{0, "770ii"}, {3, "770k"}};
        for (const bool japanese : {false, true}) {
            for (const auto& [row, model] : models) {
                GuiWorld world;
                app::AppState& state = world.Start();
                world.UseLanPrinter();
                UseLanguage(state, japanese);
                app::ChangePrinterModel(state, row);
                ui::MainWindow window(world.session());
                window.show();
                QVERIFY(QTest::qWaitForWindowExposed(&window));
                auto* tabs = window.findChild<QTabWidget*>("settingTabs");
                QVERIFY(tabs != nullptr);
                for (int tab = 0; tab < tabs->count(); ++tab) {
                    tabs->setCurrentIndex(tab);
                    // A page shown for the first time is laid out by the next pass of the loop.
                    QApplication::processEvents();
                    QApplication::processEvents();
                    const QString picture = QStringLiteral("main-setup-%1-page%2-%3-%4")
                                                .arg(model)
                                                .arg(tab + 1)
                                                .arg(japanese ? "ja" : "en", Suffix());
                    VerifyLayout(window, picture);
                    test::SaveScreenshot(window, picture);
                }
            }
        }
    }

  private:
    static void UseLanguage(app::AppState& state, bool japanese) {
        if (japanese) {
            QVERIFY(state.texts.japaneseSlot().has_value());
            state.texts.setLanguageIndex(*state.texts.japaneseSlot());
        }
    }
};

}  // namespace

std::unique_ptr<QObject> MakeScreenshotTest() {
    return std::make_unique<ScreenshotTest>();
}

#include "screenshot_test.moc"
