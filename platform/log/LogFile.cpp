// SPDX-License-Identifier: MIT
#include "platform/log/LogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace kelog {
namespace {

// For a time the C library cannot break down (a year beyond its range).
constexpr const char* kUnknownTime = "0000-00-00T00:00:00.000";

}  // namespace

std::string FormatTimestamp(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const auto sinceEpoch = when.time_since_epoch();
    auto seconds = duration_cast<std::chrono::seconds>(sinceEpoch);
    auto millis = duration_cast<milliseconds>(sinceEpoch - seconds).count();
    if (millis < 0) {  // before 1970: keep the fraction positive
        seconds -= std::chrono::seconds(1);
        millis += 1000;
    }
    const std::time_t t = static_cast<std::time_t>(seconds.count());
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return kUnknownTime;

    char date[32];
    char zone[8];
    if (std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local) == 0) return kUnknownTime;
    const std::size_t zoneLength = std::strftime(zone, sizeof zone, "%z", &local);

    char text[64];
    if (zoneLength == 5) {  // "+hhmm" becomes "+hh:mm"
        std::snprintf(text, sizeof text, "%s.%03d%.3s:%.2s", date, static_cast<int>(millis), zone, zone + 3);
    } else {
        std::snprintf(text, sizeof text, "%s.%03d", date, static_cast<int>(millis));
    }
    return text;
}

UniqueFd OpenPrivate(const std::string& path, int flags, std::string* why)
{
    std::string ignored;
    std::string& reason = why ? *why : ignored;
    // O_NOFOLLOW: a symbolic link planted in the file's place is refused.
    // O_NONBLOCK: a FIFO there cannot block the program; harmless on files.
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (!fd.Valid()) {
        reason = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
        return fd;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        reason = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reason = "it is not a regular file";
    } else if (info.st_uid != ::geteuid()) {
        reason = "it belongs to another user";
    } else {
        return fd;
    }
    return UniqueFd();
}

UniqueFd OpenPrivateAppend(const std::string& path, std::string* why)
{
    return OpenPrivate(path, O_WRONLY | O_APPEND | O_CREAT, why);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) Reset(other.Release());
    return *this;
}

int UniqueFd::Release() { return std::exchange(mFd, -1); }

void UniqueFd::Reset(int fd)
{
    if (mFd >= 0) ::close(mFd);
    mFd = fd;
}

namespace {

}  // namespace

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

RotatingFile::RotatingFile(std::string path, std::uintmax_t rotateBytes)
    : mPath(std::move(path)), mRotateBytes(rotateBytes)
{
    std::lock_guard lock(mMutex);
    if (Reopen()) RotateIfFull(1);
}

bool RotatingFile::Reopen()
{
    mFd = OpenPrivateAppend(mPath);
    return mFd.Valid();
}

void RotatingFile::RotateIfFull(std::uintmax_t incoming)
{
    struct stat open {};
    if (::fstat(mFd.Get(), &open) != 0) return;
    const auto size = static_cast<std::uintmax_t>(open.st_size);
    if (size == 0 || size + incoming <= mRotateBytes) return;

    // Another instance of the program may have moved the file aside already;
    // then the file under our name is its new one, which must not be moved
    // over the previous log.
    struct stat named {};
    const bool stillOurs =
        ::lstat(mPath.c_str(), &named) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
    if (stillOurs && std::rename(mPath.c_str(), PreviousPath().c_str()) != 0) return;  // keep writing here
    Reopen();
}

void RotatingFile::WriteLine(std::string_view line)
{
    std::string text = FormatTimestamp(std::chrono::system_clock::now());
    text.reserve(text.size() + line.size() + 2);
    text += ' ';
    text += line;
    text += '\n';

    std::lock_guard lock(mMutex);
    if (!mFd.Valid() && !Reopen()) return;
    RotateIfFull(text.size());
    if (!mFd.Valid()) return;
    WriteAll(mFd.Get(), text.data(), text.size());
}

}  // namespace kelog
