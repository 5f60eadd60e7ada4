// SPDX-License-Identifier: MIT
// Start-up guard for descriptors 0-2.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

// Opens /dev/null on each of descriptors 0-2 that is closed. A program
// started with one of them closed would otherwise get it back from its next
// open (the unit's socket or node, say) and write its messages into that.
// Call first thing in main.
inline void KeOpenClosedStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is this one.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0) close(opened);
    }
}
