// SPDX-License-Identifier: MIT
// Holds off shutdown and sleep while the unit's flash is written: a
// systemd-logind "block" inhibitor lock, held for the object's lifetime.
// Without a system bus or logind the work goes on unprotected, and the log
// says so.
#pragma once

#include "platform/log/LogFile.h"

class ShutdownInhibitor {
public:
    // Asks logind on the system bus (DBUS_SYSTEM_BUS_ADDRESS, if set) for the
    // lock; waits a few seconds at most.
    ShutdownInhibitor();
    // Closing the lock's descriptor releases it.
    ~ShutdownInhibitor() = default;

    ShutdownInhibitor(const ShutdownInhibitor&) = delete;
    ShutdownInhibitor& operator=(const ShutdownInhibitor&) = delete;

    bool Held() const { return mLock.Valid(); }

private:
    kelog::UniqueFd mLock;
};
