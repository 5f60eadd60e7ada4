// SPDX-License-Identifier: MIT
// A log file of whole lines, each stamped with the local time, that moves
// itself aside to "<path>.1" when it reaches its size limit, so that a
// program started from the desktop keeps a bounded record of its trace.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace kelog {

// "2024-05-01T12:34:56.789+02:00": ISO 8601, local time, milliseconds.
std::string FormatTimestamp(std::chrono::system_clock::time_point when);

// Owns one file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : mFd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : mFd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return mFd; }
    bool Valid() const { return mFd >= 0; }
    int Release();
    void Reset(int fd = -1);

private:
    int mFd = -1;
};

// Opens `path` with `flags` (creating it with mode 0600 when they say so):
// only a regular file owned by this user, never through a symbolic link,
// never blocking on a FIFO. An invalid descriptor when the path is anything
// else, with the reason in `why` ("it is a symbolic link").
UniqueFd OpenPrivate(const std::string& path, int flags, std::string* why = nullptr);
// OpenPrivate for appending, creating the file.
UniqueFd OpenPrivateAppend(const std::string& path, std::string* why = nullptr);

// Writes all of `data`, going on after interruptions; false on an error.
bool WriteAll(int fd, const char* data, std::size_t size);

class RotatingFile {
public:
    static constexpr std::uintmax_t kDefaultRotateBytes = 1024 * 1024;

    // Opens `path` with OpenPrivateAppend. A file already at the limit is
    // moved aside first.
    explicit RotatingFile(std::string path, std::uintmax_t rotateBytes = kDefaultRotateBytes);

    RotatingFile(const RotatingFile&) = delete;
    RotatingFile& operator=(const RotatingFile&) = delete;

    bool IsOpen() const { return mFd.Valid(); }
    const std::string& Path() const { return mPath; }
    std::string PreviousPath() const { return mPath + ".1"; }

    // Appends "<timestamp> <line>\n" in one write, so that lines stay whole
    // even when another process appends to the same file. When the line
    // would take the file past the limit, the file first becomes
    // PreviousPath() (replacing it) and a new one starts. Thread-safe; a
    // failed write is dropped and the next line tries again.
    void WriteLine(std::string_view line);

private:
    // Under mMutex.
    void RotateIfFull(std::uintmax_t incoming);
    bool Reopen();

    std::mutex mMutex;
    std::string mPath;
    std::uintmax_t mRotateBytes;
    UniqueFd mFd;
};

}  // namespace kelog
