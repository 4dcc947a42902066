// The one-shot send: open the port, check the printer, send one complete buffer, give the printer
// time to act, close. The operation number names the job and alone decides the waits.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "comm/port_access.h"

namespace vrtruty::comm {

// Operation numbers of the callers.
inline constexpr int kOperationSendSettings = 1;
inline constexpr int kOperationSettingList = 3;
inline constexpr int kOperationSoundCheck = 4;
inline constexpr int kOperationConnectionCheck = 26;

// The buzzer pattern of the sound check: the "Buzzer Interval" index and the "Buzzer Repetition"
// count of the settings being edited.
struct BuzzerPattern {
    int interval = 0;
    int repetitions = 0;
};

// How long the printer is given after the data, before the reset and the close.
std::chrono::milliseconds ActionTime(int operation, const BuzzerPattern& buzzer = {});
// The final pause after the port is closed.
std::chrono::milliseconds SettleTime(int operation);

// Takes every printer queue that uses the current port's device off it (on = 1) and gives the
// queues back (on = 0); a call with the mode already in force does nothing. While a chosen
// queue is off its device, portKind is the kind of the queue's device.
int PortReplace(PortAccess& port, int on);

// Runs a conversation with the queues on the port's device taken off it, and gives them back
// afterwards: the first error of the hand-over, the conversation or the giving back.
int WithQueuesHandedOver(PortAccess& port, const std::function<int()>& conversation);

int PrinterSendOperation(PortAccess& port, int operation, std::span<const std::uint8_t> data,
                         const BuzzerPattern& buzzer = {});

// After a conversation with the printer succeeded through a chosen queue on a local device: an
// empty job, since the printer answering on the device does not yet say that the queue's backend
// reaches it. Nothing is sent, and 0 returned, for any other port.
int ConfirmLocalQueue(PortAccess& port);

// Runs a job once, or for a network connection once for every listed printer in turn, stopping at
// the first failure; the chosen network printer is the same afterwards.
int ForEachTargetPrinter(PortAccess& port, const std::function<int()>& job);

}  // namespace vrtruty::comm
