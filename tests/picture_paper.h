// Paper for the virtual printer's tests that keeps every line and picture printed on it.
#pragma once

#include <vector>

#include "emulator/paper.h"

namespace vrtruty::test {

class PicturePaper final : public emulator::PaperSink {
  public:
    void PrintLine(const emulator::PrintedLine& line) override { lines.push_back(line); }
    void PrintPicture(const emulator::PrintedPicture& picture) override {
        pictures.push_back(picture);
    }
    void Cut() override {}
    void Flush() override {}

    std::vector<emulator::PrintedLine> lines;
    std::vector<emulator::PrintedPicture> pictures;
};

}  // namespace vrtruty::test
