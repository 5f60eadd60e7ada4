// SPDX-License-Identifier: MIT
// Keeps the process's end from cutting short a write that has begun. Whatever
// calls exit() while a job is watched (the window's display connection lost,
// the display server gone at a logout, any path of a library or of this
// program), the job is first cancelled if its first erase has not been sent,
// then waited for to its end, so that its history record and log lines are
// written. With no display left nothing is shown: the log says what happened.
// SIGKILL and a power loss are beyond it.
#pragma once

namespace APW {
namespace PTA {
class CKeFirmwareUpdate;
}  // namespace PTA
}  // namespace APW

class JobExitWait {
public:
    // Watches `job`, which must outlive this object, until this object ends.
    // The exit hook goes in at the first watch and stays: the C library has
    // no way to take it out. One watch at a time.
    explicit JobExitWait(APW::PTA::CKeFirmwareUpdate& job);
    ~JobExitWait();

    JobExitWait(const JobExitWait&) = delete;
    JobExitWait& operator=(const JobExitWait&) = delete;

private:
    static void AtExit();
};
