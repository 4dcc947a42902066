#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/document_opener.h"
#include "platform/file_descriptor.h"
#include "test_support.h"

namespace vrtruty::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Fake desktop tools written into the test's folder. The fake xdg-mime names a viewer only when
// asked the question about PDF files; the fake xdg-open reports its arguments through the FIFO
// "opened". Both leave a mark in "ran", so a test can tell that nothing was started.
class DocumentOpenerTest : public ::testing::Test {
  protected:
    fs::path Script(std::string_view name, std::string_view body) {
        const fs::path path = folder_ / name;
        std::ofstream(path) << "#!/bin/sh\necho \"$0\" >> \"$(dirname \"$0\")/ran\"\n" << body;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
        return path;
    }
    fs::path MimeQuery(std::string_view answer) {
        return Script("xdg-mime", "[ \"$*\" = 'query default application/pdf' ] && printf '%s' '" +
                                      std::string(answer) + "'\nexit 0\n");
    }
    fs::path Opener() {
        return Script("xdg-open", "printf '%s|%s' \"$#\" \"$1\" > \"$(dirname \"$0\")/opened\"\n");
    }
    fs::path Document(std::string_view name) {
        const fs::path path = folder_ / name;
        std::ofstream(path) << "%PDF-1.4\n";
        return path;
    }
    bool AnythingRan() const { return fs::exists(folder_ / "ran"); }

    test::TempFolder folder_;
};

// Everything written into the FIFO until the writer closes it; what came when the time is up.
std::string ReadUntilClosed(int fd, std::chrono::milliseconds timeout) {
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (auto left = timeout; left > 0ms;
         left = std::chrono::duration_cast<std::chrono::milliseconds>(
             deadline - std::chrono::steady_clock::now())) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        std::array<char, 256> chunk{};
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got <= 0) {
            break;
        }
        received.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return received;
}

TEST_F(DocumentOpenerTest, MissingFileOrFolderIsNotFoundAndStartsNothing) {
    DesktopDocumentOpener opener(MimeQuery("evince.desktop\n"), Opener());

    EXPECT_EQ(opener.Open(folder_ / "Utility_Guide_E.pdf"), OpenDocumentResult::NotFound);
    EXPECT_EQ(opener.Open(folder_.path()), OpenDocumentResult::NotFound);
    EXPECT_FALSE(AnythingRan());
}

TEST_F(DocumentOpenerTest, NoAssociatedViewerOrNoQueryToolIsNoViewer) {
    const fs::path document = Document("Utility_Guide_E.pdf");

    EXPECT_EQ(DesktopDocumentOpener(MimeQuery(""), Opener()).Open(document),
              OpenDocumentResult::NoViewer);
    // Only a PDF file gets the type the fake knows a viewer for.
    EXPECT_EQ(DesktopDocumentOpener(MimeQuery("evince.desktop\n"), Opener())
                  .Open(Document("Utility_Guide_E.txt")),
              OpenDocumentResult::NoViewer);
    EXPECT_EQ(DesktopDocumentOpener("vrtruty-no-such-xdg-mime", Opener()).Open(document),
              OpenDocumentResult::NoViewer);
    EXPECT_EQ(DesktopDocumentOpener((folder_ / "missing").string(), Opener()).Open(document),
              OpenDocumentResult::NoViewer);
    EXPECT_FALSE(fs::exists(folder_ / "opened"));
}

TEST_F(DocumentOpenerTest, AssociatedViewerGetsExactlyTheAbsolutePathAsOneArgument) {
    const fs::path document = Document("Guide \"E\" for Bob's $(touch x) *.PDF");
    ASSERT_EQ(::mkfifo((folder_ / "opened").c_str(), 0600), 0);
    // Opened before the opener runs, so that its writing end finds a reader at once.
    const FileDescriptor reader(
        ::open((folder_ / "opened").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(reader.valid());
    const fs::path previous = fs::current_path();
    fs::current_path(folder_.path());

    const auto result =
        DesktopDocumentOpener(MimeQuery("evince.desktop\n"), Opener()).Open(document.filename());
    fs::current_path(previous);

    EXPECT_EQ(result, OpenDocumentResult::Opened);
    // The opener is not this process's child: nothing is left here to reap.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    // The opener runs detached: its report is waited for, with a bound.
    EXPECT_EQ(ReadUntilClosed(reader.get(), 5s), "1|" + document.string());
    EXPECT_FALSE(fs::exists(folder_ / "x"));
}

}  // namespace
}  // namespace vrtruty::platform
