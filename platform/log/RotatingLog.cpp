// SPDX-License-Identifier: MIT
#include "platform/log/RotatingLog.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>

namespace kelog {
namespace {

bool IsAbsolute(const std::optional<std::string>& path) { return path && !path->empty() && (*path)[0] == '/'; }

std::optional<std::string> HomeFromPasswordDatabase()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr)
        return std::nullopt;
    return std::string(found->pw_dir);
}

// A file name of our own making, never a path.
bool ValidName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name[0] == '.') return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

}  // namespace

bool MakePrivateDirectories(const std::string& directory)
{
    const std::filesystem::path dir(directory);
    std::filesystem::path partial;
    for (const auto& part : dir) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    // The folder itself must be ours, a real folder and private: another user
    // who could write into it could plant links or FIFOs in its files' place.
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
    return (info.st_mode & 0077) == 0 || ::chmod(dir.c_str(), 0700) == 0;
}

Environment ProcessEnvironment()
{
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    };
}

std::optional<std::string> DefaultLogDirectory(const Environment& environment)
{
    const std::optional<std::string> state = environment("XDG_STATE_HOME");
    if (IsAbsolute(state)) return (std::filesystem::path(*state) / "kefirmwareupdate").string();

    std::optional<std::string> home = environment("HOME");
    if (!home) home = HomeFromPasswordDatabase();
    if (!IsAbsolute(home)) return std::nullopt;
    return (std::filesystem::path(*home) / ".local" / "state" / "kefirmwareupdate").string();
}

RotatingLog::RotatingLog(const std::string& name) : RotatingLog(Options{name, std::nullopt}) {}

RotatingLog::RotatingLog(const Options& options)
{
    const std::optional<std::string> directory =
        options.directory ? options.directory : DefaultLogDirectory(ProcessEnvironment());
    if (ValidName(options.name) && IsAbsolute(directory) && MakePrivateDirectories(*directory)) {
        const std::string path = (std::filesystem::path(*directory) / (options.name + ".log")).string();
        auto file = std::make_unique<RotatingFile>(path, options.rotateBytes);
        if (file->IsOpen()) {
            mFile = std::move(file);
            mPath = path;
        }
    }
    // Without a file, lines that go to their own streams need nothing of us.
    if (!mFile && options.echo == Echo::kStreams) return;

    std::cout.flush();
    std::cerr.flush();
    std::streambuf* const err = options.echo == Echo::kNone ? nullptr : std::cerr.rdbuf();
    std::streambuf* const out = options.echo == Echo::kStreams ? std::cout.rdbuf() : err;
    mOut = std::make_unique<TeeBuffer>(out, mFile.get());
    mErr = std::make_unique<TeeBuffer>(err, mFile.get());
    mPreviousOut = std::cout.rdbuf(mOut.get());
    mPreviousErr = std::cerr.rdbuf(mErr.get());
}

RotatingLog::~RotatingLog()
{
    if (!mOut) return;
    std::cout.rdbuf(mPreviousOut);
    std::cerr.rdbuf(mPreviousErr);
    // The buffers pass on what they still hold as they go.
    mErr.reset();
    mOut.reset();
}

}  // namespace kelog
