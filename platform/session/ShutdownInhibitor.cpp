// SPDX-License-Identifier: MIT
#include "platform/session/ShutdownInhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <time.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>

namespace {

struct BusCloser {
    // No flush: a bus that never answers would hold it for good.
    void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

// A logind, or a bus, that does not answer must not hold the update back for
// long: the connection's handshake and the call share this.
constexpr uint64_t kDeadlineMicroseconds = 3 * 1000 * 1000;

void NothingInhibited(const std::string& why)
{
    std::cerr << "Shutdown and sleep are not inhibited during the update: " << why << "\n";
}

uint64_t Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

// The reply to one call, taken by sd-bus's callback.
struct Answer {
    bool arrived = false;
    sd_bus_message* reply = nullptr;
};

int TakeReply(sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    auto* answer = static_cast<Answer*>(userdata);
    answer->arrived = true;
    answer->reply = sd_bus_message_ref(reply);
    return 0;
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

    // sd_bus_call would wait through the bus's own handshake, which has no
    // bound of ours: call asynchronously and wait until the deadline.
    Answer answer;
    sd_bus_slot* slot = nullptr;
    int r = sd_bus_call_method_async(bus.get(), &slot, "org.freedesktop.login1", "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", "Inhibit", TakeReply, &answer, "ssss",
                                     "shutdown:sleep", "KEFirmwareUpdate", "Writing the Ke's firmware", "block");
    const uint64_t deadline = Now() + kDeadlineMicroseconds;
    while (r >= 0 && !answer.arrived) {
        const uint64_t now = Now();
        if (now >= deadline) break;
        r = sd_bus_process(bus.get(), nullptr);
        if (r == 0) r = sd_bus_wait(bus.get(), deadline - now);
    }
    sd_bus_slot_unref(slot);
    const std::unique_ptr<sd_bus_message, MessageUnref> reply(answer.reply);
    if (r < 0) {
        NothingInhibited(std::string("the system bus failed (") + std::strerror(-r) + ")");
        return;
    }
    if (!answer.arrived) {
        NothingInhibited("logind did not answer within " + std::to_string(kDeadlineMicroseconds / 1000000) + " s");
        return;
    }
    if (const sd_bus_error* error = sd_bus_message_get_error(reply.get())) {
        NothingInhibited(std::string("logind refused or is missing (") +
                         (error->message ? error->message : error->name) + ")");
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
