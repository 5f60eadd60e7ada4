#include "macapps/KEFirmwareUpdate/cli/LogRedirect.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "platform/log/RotatingLog.h"

namespace kecli {

std::optional<std::string> LogRedirect::DefaultLogPath(const Environment& environment)
{
    std::filesystem::path state;
    const std::optional<std::string> xdg = environment("XDG_STATE_HOME");
    if (xdg && !xdg->empty() && (*xdg)[0] == '/') {
        state = *xdg;
    } else {
        const std::optional<std::string> home = environment("HOME");
        if (!home || home->empty() || (*home)[0] != '/') return std::nullopt;
        state = std::filesystem::path(*home) / ".local" / "state";
    }
    return (state / "kefirmwareupdate" / "cli.log").string();
}

std::optional<std::string> LogRedirect::DefaultLogPath()
{
    return DefaultLogPath([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    });
}

LogRedirect::LogRedirect(const std::optional<std::string>& path)
{
    std::streambuf* target = &mNull;
    if (path && !path->empty() && Open(*path)) {
        target = &mFile;
        mPath = *path;
    }
    mPreviousOut = std::cout.rdbuf(target);
    mPreviousErr = std::cerr.rdbuf(target);
    mRedirectsErr = true;
}

LogRedirect::LogRedirect(std::streambuf* coutTarget) { mPreviousOut = std::cout.rdbuf(coutTarget); }

LogRedirect::~LogRedirect()
{
    std::cout.flush();
    std::cout.rdbuf(mPreviousOut);
    if (mRedirectsErr) std::cerr.rdbuf(mPreviousErr);
}

bool LogRedirect::Open(const std::string& path)
{
    const std::filesystem::path file(path);
    if (!kelog::MakePrivateDirectories(file.parent_path().string())) return false;

    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!error && size > kRotateBytes) std::filesystem::rename(file, path + ".old", error);

    // Created private; std::filebuf alone would leave the mode to the umask.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    close(fd);
    if (mFile.open(path, std::ios::out | std::ios::app) == nullptr) return false;

    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char stamp[64] = "";
    std::tm local;
    if (localtime_r(&now, &local) != nullptr) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    const std::string header = std::string("--- kefirmwareupdate-cli run, ") + stamp + ", pid " +
                               std::to_string(getpid()) + "\n";
    mFile.sputn(header.data(), static_cast<std::streamsize>(header.size()));
    return true;
}

}  // namespace kecli
