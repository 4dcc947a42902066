#include "ui/gui_app.h"

int main(int argc, char** argv) {
    return vrtruty::ui::RunGui(argc, argv);
}
