// SPDX-License-Identifier: MIT
// Keeps a program's trace and failure lines (std::cout, std::cerr) in a log
// file, each line with a timestamp, because a program started from the
// desktop has nowhere a user can read its output. Both programs use it, and
// both keep the lines off the terminal unless asked.
//
//     kelog::RotatingLog log("KEFirmwareUpdate");  // first thing in main()
//     ... log.Path() names the file for the failure alert ("" without one)
//
// The file is <directory>/<name>.log, by default under
// $XDG_STATE_HOME/kefirmwareupdate/ (~/.local/state/kefirmwareupdate/); its
// previous part is <name>.log.1. When the file cannot be opened, the lines
// only go where `echo` sends them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <streambuf>
#include <string>

#include "platform/log/LogFile.h"
#include "platform/log/TeeBuffer.h"

namespace kelog {

// Reads one environment variable; nullopt when it is not set.
using Environment = std::function<std::optional<std::string>(const char* name)>;
Environment ProcessEnvironment();

// $XDG_STATE_HOME/kefirmwareupdate when XDG_STATE_HOME is an absolute path,
// else $HOME/.local/state/kefirmwareupdate (HOME from the password database
// when unset); nullopt without a usable home.
std::optional<std::string> DefaultLogDirectory(const Environment& environment);

// Creates every missing folder of `directory` with mode 0700, as state
// folders should be. False unless `directory` is then a folder (not a link to
// one) owned by this user; its mode is narrowed to 0700 if it was wider.
bool MakePrivateDirectories(const std::string& directory);

class RotatingLog {
public:
    // Where the lines go besides the file.
    enum class Echo {
        kStreams,        // each to its own stream
        kStandardError,  // both to standard error (standard output carries JSON)
        kNone,           // nowhere
    };

    struct Options {
        std::string name;                      // letters, digits, '.', '_', '-'; not starting with '.'
        std::optional<std::string> directory;  // default: DefaultLogDirectory(ProcessEnvironment())
        std::uintmax_t rotateBytes = RotatingFile::kDefaultRotateBytes;
        Echo echo = Echo::kStreams;
    };

    // Creates the directory (missing folders with mode 0700), opens the file
    // and installs itself on std::cout and std::cerr.
    explicit RotatingLog(const std::string& name);
    explicit RotatingLog(const Options& options);
    // Puts the streams' own buffers back. Every thread that writes to the
    // streams must have finished by then.
    ~RotatingLog();

    RotatingLog(const RotatingLog&) = delete;
    RotatingLog& operator=(const RotatingLog&) = delete;

    // The log file, or empty when there is none.
    const std::string& Path() const { return mPath; }
    bool Active() const { return !mPath.empty(); }

private:
    std::string mPath;
    std::unique_ptr<RotatingFile> mFile;
    std::unique_ptr<TeeBuffer> mOut;
    std::unique_ptr<TeeBuffer> mErr;
    std::streambuf* mPreviousOut = nullptr;
    std::streambuf* mPreviousErr = nullptr;
};

}  // namespace kelog
