// SPDX-License-Identifier: MIT
#include "platform/session/ShutdownInhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>

namespace {

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

// A logind that does not answer must not hold the update back for long.
constexpr uint64_t kCallTimeoutMicroseconds = 5 * 1000 * 1000;

void NothingInhibited(const std::string& why)
{
    std::cerr << "Shutdown and sleep are not inhibited during the update: " << why << "\n";
}

}  // namespace

ShutdownInhibitor::ShutdownInhibitor()
{
    sd_bus* rawBus = nullptr;
    if (const int r = sd_bus_open_system(&rawBus); r < 0) {
        NothingInhibited(std::string("no system bus (") + std::strerror(-r) + ")");
        return;
    }
    const std::unique_ptr<sd_bus, BusCloser> bus(rawBus);
    sd_bus_set_method_call_timeout(bus.get(), kCallTimeoutMicroseconds);

    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* rawReply = nullptr;
    const int r = sd_bus_call_method(bus.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", "Inhibit", &error, &rawReply, "ssss",
                                     "shutdown:sleep", "KEFirmwareUpdate", "Writing the Ke's firmware", "block");
    const std::unique_ptr<sd_bus_message, MessageUnref> reply(rawReply);
    if (r < 0) {
        NothingInhibited(std::string("logind refused or is missing (") +
                         (error.message ? error.message : std::strerror(-r)) + ")");
        sd_bus_error_free(&error);
        return;
    }
    int fd = -1;
    if (sd_bus_message_read(reply.get(), "h", &fd) < 0 || fd < 0) {
        NothingInhibited("logind's answer holds no lock");
        return;
    }
    // The reply owns its descriptor: keep a copy of our own.
    mLock.Reset(fcntl(fd, F_DUPFD_CLOEXEC, 3));
    if (!mLock.Valid()) {
        NothingInhibited(std::string("the lock could not be kept (") + std::strerror(errno) + ")");
        return;
    }
    std::cout << "Shutdown and sleep inhibited during the update\n";
}
