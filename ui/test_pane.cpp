#include "ui/test_pane.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

#include "comm/error_codes.h"
#include "lang/message_style.h"
#include "ui/pane_jobs.h"
#include "ui/session.h"

namespace vrtruty::ui {
namespace {

constexpr std::size_t kSection = 5;  // TestPrintDlg
constexpr int kTitle = 44;
constexpr int kFirstDescription = 45;  // one per test button, in button order

enum TestButton : std::size_t { kHead, kBuzzer, kCutter, kDrawer, kTestCount };
enum ButtonText : int { kDrawer1Text = 4, kDrawer2Text = 5 };

}  // namespace

struct TestPane::Controls {
    QLabel* title = nullptr;
    std::array<QPushButton*, kTestCount> buttons{};
    std::array<QLabel*, kTestCount> descriptions{};
    QRadioButton* drawer1 = nullptr;
    QRadioButton* drawer2 = nullptr;
};

TestPane::TestPane(Session& session, QWidget* parent)
    : Pane(session, parent), c_(std::make_unique<Controls>()) {
    BuildControls();
    SetTexts();
    UpdateEnabling();
}

TestPane::~TestPane() = default;

void TestPane::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    c_->title = CreateTitle();
    layout->addWidget(c_->title);

    auto* grid = new QGridLayout;
    static constexpr std::array<const char*, kTestCount> names = {
        "headTestButton", "buzzerTestButton", "cutterTestButton", "drawerTestButton"};
    static constexpr std::array<tools::PrinterTest, kTestCount> tests = {
        tools::PrinterTest::Head, tools::PrinterTest::Buzzer, tools::PrinterTest::Cutter,
        tools::PrinterTest::Drawer1};
    for (std::size_t i = 0; i < kTestCount; ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(names[i]);
        button->setAutoDefault(false);
        auto* description = new QLabel(this);
        description->setBuddy(button);
        const int row = static_cast<int>(i);
        grid->addWidget(button, row, 0);
        grid->addWidget(description, row, 1);
        connect(button, &QPushButton::clicked, this, [this, test = tests[i]] { RunTest(test); });
        c_->buttons[i] = button;
        c_->descriptions[i] = description;
    }
    // The drawer choice sits under the drawer test's description.
    auto* drawers = new QHBoxLayout;
    c_->drawer1 = new QRadioButton(this);
    c_->drawer1->setObjectName("drawer1Radio");
    c_->drawer2 = new QRadioButton(this);
    c_->drawer2->setObjectName("drawer2Radio");
    drawers->addWidget(c_->drawer1);
    drawers->addWidget(c_->drawer2);
    drawers->addStretch(1);
    grid->addLayout(drawers, static_cast<int>(kTestCount), 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
}

void TestPane::SetTexts() {
    c_->title->setText(session_.Label(kTitle));
    for (std::size_t i = 0; i < kTestCount; ++i) {
        c_->buttons[i]->setText(session_.Button(kSection, static_cast<int>(i)));
        c_->descriptions[i]->setText(session_.Label(kFirstDescription + static_cast<int>(i)));
    }
    c_->drawer1->setText(session_.Button(kSection, kDrawer1Text));
    c_->drawer2->setText(session_.Button(kSection, kDrawer2Text));
    c_->drawer1->setChecked(true);
}

void TestPane::UpdateEnabling() {
    const bool verified = session_.state().connectionVerified;
    for (std::size_t i = 0; i < kTestCount; ++i) {
        c_->buttons[i]->setEnabled(verified);
        c_->descriptions[i]->setEnabled(verified);
    }
    c_->drawer1->setEnabled(verified);
    c_->drawer2->setEnabled(verified);
}

void TestPane::RunTest(tools::PrinterTest test) {
    const FocusReturn focus;
    if (test == tools::PrinterTest::Drawer1 && !c_->drawer1->isChecked()) {
        test = tools::PrinterTest::Drawer2;
    }
    const std::vector<std::uint8_t> buffer =
        tools::BuildPrinterTestBuffer(test, session_.state().config.switches.errorAutoRecover);
    const std::size_t button = test == tools::PrinterTest::Head     ? kHead
                               : test == tools::PrinterTest::Buzzer ? kBuzzer
                               : test == tools::PrinterTest::Cutter ? kCutter
                                                                    : kDrawer;
    if (const int result =
            SendPrinterJob(session_, tools::kOperationPrinterTest, buffer,
                           JobTargets::ChosenPrinter, OperationName(c_->buttons[button]->text()))) {
        session_.ShowMessage(lang::MB_WARNING_OK, result);
    }
}

}  // namespace vrtruty::ui
