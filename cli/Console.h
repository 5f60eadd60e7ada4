// SPDX-License-Identifier: MIT
// The program's own terminal: the real standard streams (the C ones, which
// the log redirect of the C++ streams does not touch) and what they are.
#pragma once

#include <cstdio>
#include <string>

namespace kecli {

class Console {
public:
    Console(std::FILE* out, std::FILE* err, std::FILE* in, bool inIsTerminal, bool errIsTerminal);
    // stdout, stderr and stdin, with isatty() asked of each.
    static Console Standard();

    std::FILE* Out() const { return mOut; }
    std::FILE* Err() const { return mErr; }
    bool InputIsTerminal() const { return mInIsTerminal; }
    bool ErrorIsTerminal() const { return mErrIsTerminal; }
    // The file descriptor of Err(), for the signal notice.
    int ErrFd() const;

    // A failed write goes to the log (std::cerr), once a stream: a closed
    // output must not change what the program does.
    void Print(std::FILE* stream, const std::string& text) const;
    // Asks `question` on Err() and reads one line from the input; true only
    // for an answer of y or yes (any case), or a yes of the user's language. End of input is a no, and so is
    // SIGINT, SIGTERM or SIGHUP while waiting: its number is then in
    // `*interrupted` (0 otherwise).
    bool Confirm(const std::string& question, int* interrupted = nullptr) const;

private:
    std::FILE* mOut;
    std::FILE* mErr;
    std::FILE* mIn;
    bool mInIsTerminal;
    bool mErrIsTerminal;
};

}  // namespace kecli
