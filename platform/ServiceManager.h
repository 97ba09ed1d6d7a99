#pragma once
// Word to the service manager that started the program (systemd's notify protocol): that
// it is ready, alive or stopping. A datagram to the socket named in NOTIFY_SOCKET, so the
// program needs no library for it; without that variable, or on Windows, nothing is sent.

#include <chrono>
#include <string_view>

namespace th {

// Sends state ("READY=1", "WATCHDOG=1", "STOPPING=1") to the service manager. False when
// no service manager asked for word, or the datagram could not be sent: a service then
// goes on as before, the manager decides what a missed word means.
bool notifyServiceManager(std::string_view state);

// How often the service manager wants to hear "WATCHDOG=1" from this process
// (WATCHDOG_USEC, meant for WATCHDOG_PID when that is set); zero when it does not.
std::chrono::microseconds watchdogPeriod();

}  // namespace th
