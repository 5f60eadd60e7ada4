// Keeps the update engine's trace and failure lines (std::cout, std::cerr)
// off the terminal: they go to a log file, or nowhere when none can be
// opened. The program's own output uses the C streams, which stay on the
// terminal.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <iosfwd>
#include <optional>
#include <streambuf>
#include <string>

namespace kecli {

class LogRedirect {
public:
    // Reads one environment variable; empty or missing gives nullopt.
    using Environment = std::function<std::optional<std::string>(const char* name)>;

    // $XDG_STATE_HOME/kefirmwareupdate/cli.log, or ~/.local/state/... when
    // XDG_STATE_HOME is unset, empty or not absolute; nullopt without a usable
    // home either.
    static std::optional<std::string> DefaultLogPath(const Environment& environment);
    static std::optional<std::string> DefaultLogPath();

    // Sends both streams to `path` (appending; the folders are created with
    // mode 0700), or discards them when `path` is empty or cannot be opened.
    explicit LogRedirect(const std::optional<std::string>& path);
    // Sends std::cout to `target` and leaves std::cerr alone: --verbose with
    // --json keeps standard output for the JSON object.
    explicit LogRedirect(std::streambuf* coutTarget);
    // Puts the streams back.
    ~LogRedirect();

    LogRedirect(const LogRedirect&) = delete;
    LogRedirect& operator=(const LogRedirect&) = delete;

    // The file the lines go to, or empty when they are discarded or shown.
    const std::string& LogPath() const { return mPath; }

    // A log past this size is moved to cli.log.old when a run starts.
    static const std::uintmax_t kRotateBytes = 1024 * 1024;

private:
    class NullBuffer : public std::streambuf {
    protected:
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    };

    bool Open(const std::string& path);

    std::filebuf mFile;
    NullBuffer mNull;
    std::string mPath;
    std::streambuf* mPreviousOut = nullptr;
    std::streambuf* mPreviousErr = nullptr;
    bool mRedirectsErr = false;
};

}  // namespace kecli
