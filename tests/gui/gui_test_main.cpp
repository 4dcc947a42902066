// Runs one window test class, named as the first argument, or all of them.
#include <QApplication>
#include <QTest>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

std::unique_ptr<QObject> MakeMainWindowTest();
std::unique_ptr<QObject> MakePortSettingsTest();
std::unique_ptr<QObject> MakePanesTest();
std::unique_ptr<QObject> MakeSetupPaneTest();
std::unique_ptr<QObject> MakeScreenshotTest();
std::unique_ptr<QObject> MakeLogoPaneTest();
std::unique_ptr<QObject> MakeNetworkSearchTest();

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::vector<std::pair<const char*, std::function<std::unique_ptr<QObject>()>>> classes = {
        {"MainWindowTest", MakeMainWindowTest},
        {"PortSettingsTest", MakePortSettingsTest},
        {"PanesTest", MakePanesTest},
        {"SetupPaneTest", MakeSetupPaneTest},
        {"LogoPaneTest", MakeLogoPaneTest},
        {"ScreenshotTest", MakeScreenshotTest},
        {"NetworkSearchTest", MakeNetworkSearchTest},
    };
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    // Qt Test reads its own options from what follows the class name.
    std::vector<char*> rest = {argv[0]};
    for (int i = only != nullptr ? 2 : 1; i < argc; ++i) {
        rest.push_back(argv[i]);
    }
    int failures = 0;
    bool found = false;
    for (const auto& [name, make] : classes) {
        if (only != nullptr && std::strcmp(only, name) != 0) {
            continue;
        }
        found = true;
        const std::unique_ptr<QObject> test = make();
        failures += QTest::qExec(test.get(), static_cast<int>(rest.size()), rest.data());
    }
    return found ? failures : 2;
}
