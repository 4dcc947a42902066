// Result codes of the printer layer: 0 for success, a negative code for each failure. The codes
// are what users see turned into messages and what service staff find in logs, so their values
// never change. Other subsystems add their own negative codes in the same space.
#pragma once

namespace vrtruty::comm {

inline constexpr int PRT_SUCCESS = 0;
inline constexpr int LAN_ERR_IPADDRESS = -3;     // no or an invalid IP address entered
inline constexpr int PRT_ERR_NODEVICE = -5;      // no USB printer of the model found
inline constexpr int PRT_ERR_SEND = -6;          // sending to the printer failed
inline constexpr int PRT_ERR_RECEIVE = -7;       // reading from the printer failed
inline constexpr int PRT_ERR_OFFLINE = -8;       // the printer queue is off line
inline constexpr int PRT_ERR_NOREPLY = -9;       // no (complete) reply arrived
inline constexpr int PRT_ERR_OPEN = -10;         // the port could not be opened
inline constexpr int PRT_ERR_DATA = -12;         // a reply differs from the expected one
inline constexpr int PRT_ERR_MEMORY = -13;       // out of memory
inline constexpr int PRT_ERR_SETUP_FILE = -14;   // the printer queue prints to a file
inline constexpr int PRT_ERR_SEARCH = -19;       // no usable printer found
inline constexpr int LAN_ERR_IPDUPLICATE = -20;  // the IP address is listed already
inline constexpr int PRT_ERR_STARTDOC = -21;     // a spooler job could not start
inline constexpr int PRT_ERR_ENDDOC = -22;       // a spooler job could not end
inline constexpr int PRT_ERR_JOB = -23;          // jobs are still waiting in the queue
inline constexpr int LAN_ERR_IPMAX = -27;        // more than 255 network printers
inline constexpr int PRT_ERR_GETPRMEMORY = -29;  // system printer information: no memory
inline constexpr int PRT_ERR_GETPRINTER = -30;   // system printer information unreadable
inline constexpr int PRT_ERR_SETPRINTER = -31;   // system printer information unwritable
inline constexpr int PRT_ERR_COVEROPEN = -32;    // the printer's cover is open
inline constexpr int PRT_ERR_PAPEREMPTY = -33;   // the printer has no paper
inline constexpr int PRT_ERR_CUTTERJAM = -34;    // the auto-cutter is jammed
inline constexpr int PRT_ERR_OFFLINE2 = -35;     // off line for another reason

}  // namespace vrtruty::comm
