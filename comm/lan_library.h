// The interface of a LAN library: thirteen calls through which network printers are reached.
// Two library slots exist (the first with functions beginning Sx, the second with Qk); the
// callers pass and rely on exactly what is listed here, whatever a library does inside.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <system_error>

namespace vrtruty::comm {

// One answer of a network search: three 8-bit text fields of 32 bytes.
struct LanSearchAnswer {
    char ipAddress[32];
    char macAddress[32];
    char machineName[32];
};

class LanLibrary {
  public:
    virtual ~LanLibrary() = default;

    // Non-zero: ready. 0: the caller calls Cleanup and unloads the library.
    virtual int Startup() = 0;
    virtual void Cleanup() = 0;

    // Opens a connection to "HOST" or "HOST:PORT" (8-bit, at most 255 bytes); -1 on failure.
    virtual std::int32_t OpenPort(std::string_view address) = 0;
    // Why the last OpenPort failed, as the system said it (refused, timed out, unknown host);
    // nothing when the library cannot tell.
    virtual std::error_code LastOpenError() const { return {}; }
    // 1 when the handle is closed.
    virtual int ClosePort(std::int32_t handle) = 0;
    // Non-zero with written == data.size() on success; at most 1024 bytes per call.
    virtual int WritePort(std::int32_t handle, std::span<const std::uint8_t> data,
                          std::uint32_t& written) = 0;
    // 1 on success with 0 or more bytes in `received`; does not wait for data to arrive.
    virtual int RecvPort(std::int32_t handle, std::span<std::uint8_t> buffer,
                         std::uint32_t& received) = 0;
    // Called with 1 right after OpenPort: non-zero when the port just opened is usable.
    virtual int SetUseICMP(int use) = 0;

    // Device status channel of a printer by IP address; -1 on failure.
    virtual std::int32_t OpenStatus(std::string_view ipAddress) = 0;
    // The IEEE 1284 device ID after the library's length prefix; non-zero on success.
    virtual int GetDeviceID(std::int32_t handle, std::span<std::uint8_t> buffer,
                            std::uint32_t& length) = 0;
    virtual int CloseStatus(std::int32_t handle) = 0;

    // Network search: OpenSearch gives a handle (-1 on failure); SendSearch fills up to
    // `maxAnswers` answers and their count, non-zero on success.
    virtual std::int32_t OpenSearch() = 0;
    virtual int SendSearch(std::int32_t handle, std::span<LanSearchAnswer> answers, int maxAnswers,
                           int retries, int flags, std::uint32_t& count) = 0;
    virtual int CloseSearch(std::int32_t handle) = 0;
};

}  // namespace vrtruty::comm
