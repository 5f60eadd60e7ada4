// SPDX-License-Identifier: MIT
#include "cli/Console.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace kecli {
namespace {

std::atomic<int> gPromptSignal{0};

void OnPromptSignal(int signalNumber) { gPromptSignal.store(signalNumber); }

// While the question waits, these signals end the wait and not the program,
// which then reports a cancelled run as any other. They stay blocked except
// inside the wait itself (ppoll), so one that comes between the check and the
// wait is not lost to a read that would then never return.
class PromptSignals {
public:
    PromptSignals()
    {
        gPromptSignal.store(0);
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = OnPromptSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &mPrevious[i]);
        sigset_t blocked;
        sigemptyset(&blocked);
        for (const int s : kSignals) sigaddset(&blocked, s);
        pthread_sigmask(SIG_BLOCK, &blocked, &mMask);
        mWaitMask = mMask;
        for (const int s : kSignals) sigdelset(&mWaitMask, s);
    }
    ~PromptSignals()
    {
        Unblock();
        for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &mPrevious[i], nullptr);
    }
    PromptSignals(const PromptSignals&) = delete;
    PromptSignals& operator=(const PromptSignals&) = delete;

    // One byte of the answer, or EOF at the end of the input or once a signal came.
    int ReadByte(std::FILE* in) const
    {
        const int fd = fileno(in);
        if (fd < 0) return std::fgetc(in);  // a stream without a descriptor cannot be waited on
        for (;;) {
            if (Arrived() != 0) return EOF;
            pollfd ready = {fd, POLLIN, 0};
            if (ppoll(&ready, 1, nullptr, &mWaitMask) < 0) {
                if (errno == EINTR) continue;
                return EOF;
            }
            unsigned char c = 0;
            const ssize_t got = ::read(fd, &c, 1);
            if (got == 1) return c;
            if (got == 0 || (errno != EINTR && errno != EAGAIN)) return EOF;
        }
    }

    // A signal still pending reaches our handler, not the program's previous one.
    void Unblock()
    {
        if (mUnblocked) return;
        mUnblocked = true;
        pthread_sigmask(SIG_SETMASK, &mMask, nullptr);
    }

    static int Arrived() { return gPromptSignal.load(); }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction mPrevious[3];
    sigset_t mMask;      // the caller's mask, given back at the end
    sigset_t mWaitMask;  // the caller's mask with the three signals let through
    bool mUnblocked = false;
};

}  // namespace

Console::Console(std::FILE* out, std::FILE* err, std::FILE* in, bool inIsTerminal, bool errIsTerminal)
    : mOut(out), mErr(err), mIn(in), mInIsTerminal(inIsTerminal), mErrIsTerminal(errIsTerminal)
{
}

Console Console::Standard()
{
    return Console(stdout, stderr, stdin, isatty(STDIN_FILENO) == 1, isatty(STDERR_FILENO) == 1);
}

int Console::ErrFd() const { return fileno(mErr); }

void Console::Print(std::FILE* stream, const std::string& text) const
{
    // The stream's error flag stays set: a failure is told once.
    const bool failedBefore = std::ferror(stream) != 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    if ((std::fflush(stream) != 0 || !written) && !failedBefore) {
        std::cerr << "kefirmwareupdate-cli: " << (stream == mErr ? "standard error" : "standard output")
                  << " could not be written: " << std::strerror(errno) << "\n";
    }
}

bool Console::Confirm(const std::string& question, int* interrupted) const
{
    PromptSignals signals;
    Print(mErr, question + " [y/N] ");
    std::string answer;
    int c = 0;
    while ((c = signals.ReadByte(mIn)) != EOF && c != '\n') {
        // An answer is a word; a line of any length is read to its end.
        if (answer.size() < 16) answer.push_back(static_cast<char>(std::tolower(c)));
    }
    signals.Unblock();
    if ((c == EOF && answer.empty()) || PromptSignals::Arrived() != 0) Print(mErr, "\n");
    answer.erase(answer.find_last_not_of(" \t\r") + 1);
    answer.erase(0, std::min(answer.size(), answer.find_first_not_of(" \t")));
    if (interrupted) *interrupted = PromptSignals::Arrived();
    return PromptSignals::Arrived() == 0 && (answer == "y" || answer == "yes");
}

}  // namespace kecli
