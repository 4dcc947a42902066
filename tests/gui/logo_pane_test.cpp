#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <memory>

#include "app/startup.h"
#include "bitmap_builder.h"
#include "gui_harness.h"
#include "lang/message_style.h"
#include "ui/logo_pane.h"
#include "ui/main_window.h"

namespace {

using namespace vrtruty;
using test::Child;
using test::FromHex;
using test::Hex;

// What a network printer receives around every job and read: the status check before it, and
// the reset that ends a read of the logo information.
const QByteArray kCheck = FromHex("00 10 14 08 01 03 14 01 06 02 08 10 04 01");
const QByteArray kReset = FromHex("1B 3D 02") + "RESET3" + FromHex("1B 3D 03");
// The three queries of a read, with the acknowledgement of the one keycode-list block; the
// pane's own reads end with the reset.
const QByteArray kQueries = kCheck + FromHex(
                                         "1D 28 4C 02 00 30 00 1D 28 4C 02 00 30 03 "
                                         "1D 28 4C 04 00 30 40 4B 43 06");
const QByteArray kRead = kQueries + kReset;

QString WriteBitmap(const QString& folder, const char* name, const std::vector<std::uint8_t>& bmp) {
    return test::WriteFile(folder + "/" + name, bmp);
}

// 16 × 2, all black: its define command carries four FF bytes.
std::vector<std::uint8_t> BlackBitmap() {
    return test::MakeBmp(test::Layout(16, 2, 24), test::Filled(16, 2, 0));
}

// 8 × 2 in a 16-colour palette: black on the left, red on the right.
std::vector<std::uint8_t> BlackAndRedBitmap() {
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < 16; ++i) {
        pixels.push_back(i % 8 < 4 ? 0 : 1);
    }
    return test::MakeBmp(test::Layout(8, 2, 4, {{0, 0, 0}, {255, 0, 0}, {255, 255, 255}}), pixels);
}

QStringList Column(QTreeWidget& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        texts << list.topLevelItem(row)->text(column);
    }
    return texts;
}

// The utility started against one virtual printer, its verified network printer, with the pane
// shown and disabled during jobs as the main window does.
struct PaneWorld : test::PrinterWorld {
    PaneWorld() {
        pane = std::make_unique<ui::LogoPane>(world.session());
        host = std::make_unique<test::PaneHost>(*pane);
        world.session().setControlsHost(host.get());
        pane->show();
    }
    ~PaneWorld() { world.session().setControlsHost(nullptr); }

    QTreeWidget& files() { return *Child<QTreeWidget>(*pane, "logoFileList"); }
    QTreeWidget& printerList() { return *Child<QTreeWidget>(*pane, "printerKeycodeList"); }
    // Adds files as the open-file dialog would return them, with "2" as the gradation.
    void Add(const QStringList& paths, int gradationChoice = 0) {
        world.prompts.choiceAnswer = gradationChoice;
        world.prompts.filesAnswer = paths;
        Child(*pane, "addFileButton")->click();
    }

    std::unique_ptr<ui::LogoPane> pane;
    std::unique_ptr<test::PaneHost> host;
};

class LogoPaneTest final : public QObject {
    Q_OBJECT

  private slots:
    // Register, print, delete and the information read: the exact bytes the printer receives.
    void printerJobsSendTheirExactBytes() {
        PaneWorld rig;
        rig.pane->BeforeShow();
        QCOMPARE(Hex(rig.printer.Received()), Hex(kRead));
        QVERIFY(!Child(*rig.pane, "printLogoButton")->isEnabled());
        // The printer goes on writing its capture where it was: each step reads what it added.
        qsizetype mark = rig.printer.Received().size();
        const auto sent = [&] {
            const QByteArray received = rig.printer.Received();
            const QByteArray added = received.mid(mark);
            mark = received.size();
            return Hex(added);
        };

        rig.Add({WriteBitmap(rig.world.homePath(), "black.bmp", BlackBitmap())});
        QCOMPARE(Column(rig.files(), 3), QStringList{"2020"});
        QCOMPARE(Column(rig.files(), 2), QStringList{"28"});
        Child(*rig.pane, "registerButton")->click();
        const QByteArray define =
            FromHex("1D 38 4C 0F 00 00 00 30 43 30 20 20 01 10 00 02 00 31 FF FF FF FF");
        QCOMPARE(sent(), Hex(kCheck + define + kRead));
        QCOMPARE(rig.world.prompts.Texts().last(),
                 QString("Registration of the logo to the printer has finished successfully."));
        QCOMPARE(Column(rig.printerList(), 0), QStringList{"2020"});
        QCOMPARE(Child<QLabel>(*rig.pane, "printerSizeValue")->text(), QString("0000028"));

        // In the default region (Japan) the caption is the Japanese one in Shift-JIS, framed by
        // FS C 1 and FS C 0: "ロゴ2020（単色）".
        Child(*rig.pane, "printLogoButton")->click();
        QCOMPARE(sent(), Hex(kCheck +
                             FromHex("1B 40 1D 65 75 43 01 1C 43 01 83 8D 83 53 32 30 32 30 81 69 "
                                     "92 50 90 46 81 6A 1C 43 00 0A 1D 28 4C 06 00 30 45 20 20 01 "
                                     "01 0A 0A 0A 0A 0A 0A 1B 6D") +
                             kReset));

        rig.world.prompts.asked.clear();
        Child(*rig.pane, "printerDeleteButton")->click();
        QCOMPARE(sent(), Hex(kCheck + FromHex("1D 28 4C 04 00 30 42 20 20") + kQueries));
        QVERIFY2(rig.world.prompts.Texts().value(0).endsWith("･Keycode: 2020"),
                 qPrintable(rig.world.prompts.Texts().value(0)));
        QCOMPARE(Column(rig.printerList(), 0), QStringList());
        QVERIFY(!Child(*rig.pane, "printerDeleteButton")->isEnabled());

        rig.world.prompts.answers = {ui::ID_CANCEL};
        Child(*rig.pane, "getInformationButton")->click();
        QCOMPARE(sent(), QString());
        Child(*rig.pane, "getInformationButton")->click();
        QCOMPARE(sent(), Hex(kRead));
    }

    void enablingFollowsTheListsAndTheGradation() {
        PaneWorld rig;
        rig.pane->BeforeShow();
        for (const char* name :
             {"deleteFileButton", "deleteAllFilesButton", "saveListButton", "registerButton",
              "enterButton", "printerDeleteButton", "printerDeleteAllButton", "printLogoButton",
              "printAllLogosButton"}) {
            QVERIFY2(!Child(*rig.pane, name)->isEnabled(), name);
        }
        QVERIFY(Child(*rig.pane, "loadListButton")->isEnabled());

        rig.Add({WriteBitmap(rig.world.homePath(), "two.bmp", BlackAndRedBitmap())}, 1);
        QCOMPARE(rig.world.prompts.choices.size(), std::size_t{1});
        QCOMPARE(rig.world.prompts.choices[0].items, (QStringList{"2", "16"}));
        QCOMPARE(Column(rig.files(), 5), QStringList{"16"});
        auto* twoColours = Child<QCheckBox>(*rig.pane, "editTwoColoursCheck");
        QVERIFY(!twoColours->isEnabled());
        QVERIFY(Child(*rig.pane, "registerButton")->isEnabled());

        // Choosing "2" enables Two Colors; Enter measures the row again with both planes.
        auto* gradation = Child<QComboBox>(*rig.pane, "gradationCombo");
        gradation->setCurrentIndex(0);
        emit gradation->activated(0);
        QVERIFY(twoColours->isEnabled());
        twoColours->setChecked(true);
        Child(*rig.pane, "enterButton")->click();
        QCOMPARE(Column(rig.files(), 4), QStringList{"*"});
        QCOMPARE(Column(rig.files(), 2), QStringList{"28"});  // 2 planes of 2 bytes, + 24
        // "16" clears the box again.
        gradation->setCurrentIndex(1);
        emit gradation->activated(1);
        QVERIFY(!twoColours->isEnabled());
        QVERIFY(!twoColours->isChecked());

        // Cancel in the gradation choice ends Add File before the file dialog.
        rig.world.prompts.choiceAnswer = -1;
        rig.world.prompts.filesAnswer = {WriteBitmap(rig.world.homePath(), "b.bmp", BlackBitmap())};
        Child(*rig.pane, "addFileButton")->click();
        QCOMPARE(rig.files().topLevelItemCount(), 1);

        // A printer without sixteen levels: no question, and only "2".
        app::ChangePrinterModel(rig.world.state(), 1);
        rig.pane->SetTexts();
        QCOMPARE(gradation->count(), 1);
        rig.world.prompts.choices.clear();
        rig.Add({WriteBitmap(rig.world.homePath(), "b.bmp", BlackBitmap())});
        QCOMPARE(rig.world.prompts.choices.size(), std::size_t{0});
        QCOMPARE(Column(rig.files(), 5), (QStringList{"2", "2"}));
        QCOMPARE(Column(rig.files(), 3), (QStringList{"2020", "2021"}));
    }

    void previewShowsThePlanesAsTheyPrint() {
        PaneWorld rig;
        rig.pane->BeforeShow();
        rig.Add({WriteBitmap(rig.world.homePath(), "two.bmp", BlackAndRedBitmap())});
        auto* preview = Child<QLabel>(*rig.pane, "logoPreview");
        const auto pixel = [&](int x) { return preview->pixmap().toImage().pixelColor(x, 0); };
        QCOMPARE(preview->pixmap().size(), QSize(8, 2));
        QCOMPARE(pixel(0), QColor(Qt::black));
        // Monochrome: the red dots are dithered from their luminance (21), some print.
        Child<QCheckBox>(*rig.pane, "editTwoColoursCheck")->setChecked(true);
        QCOMPARE(pixel(0), QColor(Qt::black));
        QCOMPARE(pixel(7), QColor(Qt::red));
        // Sixteen levels: grey tones, black at level 15.
        auto* gradation = Child<QComboBox>(*rig.pane, "gradationCombo");
        gradation->setCurrentIndex(1);
        emit gradation->activated(1);
        QCOMPARE(pixel(0), QColor(Qt::black));
        QCOMPARE(pixel(7).red(), pixel(7).blue());
        QVERIFY(pixel(7) != QColor(Qt::white));
    }

    void listIsKeptBetweenRunsAndInListFiles() {
        PaneWorld rig;
        const QString black = WriteBitmap(rig.world.homePath(), "black.bmp", BlackBitmap());
        rig.pane->BeforeShow();
        rig.Add({black, WriteBitmap(rig.world.homePath(), "two.bmp", BlackAndRedBitmap())});
        rig.files().topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        rig.pane->SaveProgramList();

        // Save As onto an existing file: No opens the dialog again, Yes overwrites.
        const QString qlr = rig.world.homePath() + "/shop.qlr";
        QFile(qlr).open(QIODevice::WriteOnly);
        rig.world.prompts.saveAnswers = {qlr, qlr};
        rig.world.prompts.answers = {ui::ID_NO, ui::ID_YES};
        rig.world.prompts.asked.clear();
        Child(*rig.pane, "saveListButton")->click();
        QCOMPARE(rig.world.prompts.asked.size(), std::size_t{2});
        QVERIFY(QFile(qlr).size() > 30);

        // A place that cannot take the file: the message names the file and the reason.
        const QString nowhere = rig.world.homePath() + "/missing/shop.qlr";
        rig.world.prompts.saveAnswers = {nowhere};
        rig.world.prompts.asked.clear();
        Child(*rig.pane, "saveListButton")->click();
        QVERIFY2(
            !rig.world.prompts.Texts().isEmpty() &&
                rig.world.prompts.Texts().first().endsWith(nowhere + ": No such file or directory"),
            qPrintable(rig.world.prompts.Texts().join(" | ")));

        // The next run: the same rows come back when the pane first shows.
        ui::LogoPane next(rig.world.session());
        next.BeforeShow();
        auto* files = Child<QTreeWidget>(next, "logoFileList");
        QCOMPARE(Column(*files, 1), (QStringList{"black.bmp", "two.bmp"}));
        QCOMPARE(files->topLevelItem(1)->checkState(0), Qt::Unchecked);

        // Delete All empties it; Load brings the saved list back.
        Child(next, "deleteAllFilesButton")->click();
        QCOMPARE(files->topLevelItemCount(), 0);
        rig.world.prompts.fileAnswer = qlr;
        Child(next, "loadListButton")->click();
        QCOMPARE(Column(*files, 3), (QStringList{"2020", "2021"}));
    }

    void droppedBitmapsAreAddedLikeAddFile() {
        PaneWorld rig;
        rig.pane->BeforeShow();
        const QString black = WriteBitmap(rig.world.homePath(), "black.bmp", BlackBitmap());
        const QString text = rig.world.homePath() + "/notes.txt";
        QVERIFY(test::DropUrls(*rig.pane, {QUrl::fromLocalFile(black), QUrl::fromLocalFile(text)}));
        QTRY_COMPARE(Column(rig.files(), 1), QStringList{"black.bmp"});
        QVERIFY2(!test::DropUrls(*rig.pane, {QUrl::fromLocalFile(text)}), "no bitmap among them");
    }

    void exitWithYesWritesTheListOnceThePaneWasShown() {
        PaneWorld rig;
        const auto listFile = rig.world.home() / "Vrtrutyl.dat";
        {
            ui::MainWindow window(rig.world.session());
            rig.world.prompts.answers = {ui::ID_YES};
            window.close();
        }
        QVERIFY(!std::filesystem::exists(listFile));
        {
            ui::MainWindow window(rig.world.session());
            window.ShowPane(ui::PaneNumber::LogoSettings);
            // The first show read the printer; that left the pane it replaced disabled.
            QVERIFY(window.pane(ui::PaneNumber::LogoSettings)->isEnabled());
            QVERIFY(!window.pane(ui::PaneNumber::PrinterSetup)->isEnabled());
            rig.world.prompts.answers = {ui::ID_YES};
            window.close();
        }
        QVERIFY(std::filesystem::exists(listFile));
        rig.world.session().setControlsHost(rig.host.get());
    }
};

}  // namespace

std::unique_ptr<QObject> MakeLogoPaneTest() {
    return std::make_unique<LogoPaneTest>();
}

#include "logo_pane_test.moc"
