// Time-bounded reads and writes on a non-blocking descriptor, shared by the device files and
// the TCP connections so that both count partial transfers and time-outs the same way.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "platform/device_channel.h"

namespace vrtruty::platform {

// What kind of descriptor the bytes move through.
enum class DescriptorKind {
    Device,  // a device file: read/write; a read of 0 bytes is an empty answer
    Socket,  // a stream socket: send/recv; a read of 0 bytes is the peer's orderly close
};

// Moves all bytes, waiting for room as long as the time-out allows. TimedOut and Failed carry
// the number of bytes accepted before time ran out or the error came.
IoResult WriteWithin(int fd, std::span<const std::uint8_t> data, std::chrono::milliseconds timeout,
                     DescriptorKind kind);

// Reads what is there once the first byte has arrived, waiting at most the time-out for it
// (0: only what is there already). TimedOut always has 0 bytes.
IoResult ReadWithin(int fd, std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                    DescriptorKind kind);

}  // namespace vrtruty::platform
