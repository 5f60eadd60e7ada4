// SPDX-License-Identifier: MIT
// A stream buffer that passes all text on to a stream's own buffer and also
// hands every complete line to a RotatingFile; either may be absent. Several threads may write at
// once: each thread's text is gathered on its own until its newline, so a line
// written piece by piece by one thread is never split by another's, on the
// stream or in the file. Even a flush leaves an unfinished line waiting: the
// trace has no prompts, and std::cerr flushes after every piece.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <streambuf>
#include <string>
#include <string_view>
#include <thread>

#include "platform/log/LogFile.h"

namespace kelog {

class TeeBuffer : public std::streambuf {
public:
    // A line longer than this goes on in pieces of this size.
    static constexpr std::size_t kMaxLine = 16 * 1024;

    // Neither is owned; both must outlive this buffer. Null: not passed on.
    TeeBuffer(std::streambuf* original, RotatingFile* file);
    // Passes on what is still pending; an unfinished line goes to the file too.
    ~TeeBuffer() override;

    TeeBuffer(const TeeBuffer&) = delete;
    TeeBuffer& operator=(const TeeBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    // Flushes the original buffer; unfinished lines keep waiting.
    int sync() override;

private:
    struct Pending {
        std::string forOriginal;  // not yet passed on
        std::string line;         // the file's unfinished line
    };

    // Under mMutex.
    void Take(Pending& pending, std::string_view text);
    void PassOn(Pending& pending);
    void EndLine(Pending& pending);

    std::mutex mMutex;
    std::streambuf* mOriginal;
    RotatingFile* mFile;
    std::map<std::thread::id, Pending> mPending;
};

}  // namespace kelog
