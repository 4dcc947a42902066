// A private CUPS server for end-to-end tests: its own configuration, spool, cache, state and logs
// in a temporary folder, listening on a free loopback port, stopped by its process id. The
// machine's own server is never touched.
#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "printer_process.h"
#include "test_support.h"

extern char** environ;

namespace vrtruty::test {

class CupsServer {
  public:
    CupsServer() {
        const std::filesystem::path root = folder_.path();
        for (const char* sub : {"spool", "cache", "state", "log", "conf", "conf/ppd"}) {
            std::filesystem::create_directories(root / sub);
        }
        port_ = FreeLoopbackPort();
        if (port_ == 0) {
            problem_ = "no free loopback port";
            return;
        }
        Write(root / "cupsd.conf",
              "Listen 127.0.0.1:" + std::to_string(port_) +
                  "\nLogLevel warn\nWebInterface No\nBrowsing No\nBrowseLocalProtocols none\n"
                  "DefaultAuthType None\nJobKillDelay 1\n"
                  "<Policy default>\n<Limit All>\nOrder allow,deny\nAllow all\n</Limit>\n"
                  "</Policy>\n<Location />\nOrder allow,deny\nAllow all\n</Location>\n");
        Write(root / "cups-files.conf",
              "ServerRoot " + (root / "conf").string() + "\nRequestRoot " +
                  (root / "spool").string() + "\nTempDir " + (root / "spool").string() +
                  "\nCacheDir " + (root / "cache").string() + "\nStateDir " +
                  (root / "state").string() + "\nErrorLog " + (root / "log/error_log").string() +
                  "\nAccessLog " + (root / "log/access_log").string() + "\nPageLog " +
                  (root / "log/page_log").string() + "\nFileDevice Yes\n");
        std::string config = (root / "cupsd.conf").string();
        std::string files = (root / "cups-files.conf").string();
        std::vector<char*> argv = {const_cast<char*>("cupsd"),
                                   const_cast<char*>("-f"),
                                   const_cast<char*>("-c"),
                                   config.data(),
                                   const_cast<char*>("-s"),
                                   files.data(),
                                   nullptr};
        if (::posix_spawnp(&pid_, "cupsd", nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            problem_ = "cupsd cannot be run (is cups-daemon installed?)";
            return;
        }
        // cupsd needs a moment to read its configuration; a real-time wait, as for any program
        // the tests start.
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (Answers()) {
                server_ = "127.0.0.1:" + std::to_string(port_);
                ::setenv("CUPS_SERVER", server_.c_str(), 1);
                return;
            }
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        problem_ = "cupsd did not start: " + ErrorLog();
    }
    ~CupsServer() {
        if (!server_.empty()) {
            ::unsetenv("CUPS_SERVER");
        }
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    // Empty when the server runs; else why not.
    const std::string& problem() const { return problem_; }

    // lpadmin's exit status; the queue's driver is a PPD whose *NickName is `driver`.
    int AddQueue(const std::string& name, const std::string& uri, const std::string& driver) {
        const std::filesystem::path ppd = folder_ / (name + ".ppd");
        Write(ppd,
              "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
              "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n"
              "*PCFileName: \"TEST.PPD\"\n*Manufacturer: \"VRM\"\n*Product: \"(Test)\"\n"
              "*ModelName: \"" +
                  driver + "\"\n*ShortNickName: \"Test\"\n*NickName: \"" + driver +
                  "\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n"
                  "*ColorDevice: False\n*DefaultColorSpace: Gray\n*FileSystem: False\n"
                  "*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n"
                  "*TTRasterizer: Type42\n*OpenUI *PageSize: PickOne\n"
                  "*DefaultPageSize: X80\n*PageSize X80/80mm: \"<</PageSize[226 800]>>"
                  "setpagedevice\"\n*CloseUI: *PageSize\n*OpenUI *PageRegion: PickOne\n"
                  "*DefaultPageRegion: X80\n*PageRegion X80/80mm: \"<</PageSize[226 800]>>"
                  "setpagedevice\"\n*CloseUI: *PageRegion\n*DefaultImageableArea: X80\n"
                  "*ImageableArea X80/80mm: \"0 0 226 800\"\n*DefaultPaperDimension: X80\n"
                  "*PaperDimension X80/80mm: \"226 800\"\n");
        return Run({"lpadmin", "-p", name, "-E", "-v", uri, "-P", ppd.string()});
    }
    // A client program against this server; its exit status.
    static int Run(std::vector<std::string> arguments) {
        std::vector<char*> argv = ArgumentVector(arguments);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            return -1;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string ErrorLog() const {
        const auto bytes = ReadBytes(folder_ / "log/error_log");
        return {bytes.begin(), bytes.end()};
    }

  private:
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::uint16_t FreeLoopbackPort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        std::uint16_t port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
        ::close(fd);
        return port;
    }
    bool Answers() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port_);
        const bool connected =
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return connected;
    }

    TempFolder folder_;
    std::uint16_t port_ = 0;
    pid_t pid_ = -1;
    std::string server_;
    std::string problem_;
};

}  // namespace vrtruty::test
