// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/cli/Console.h"

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

// While the question waits, these signals end the wait (no SA_RESTART) and
// not the program, which then reports a cancelled run as any other.
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
    }
    ~PromptSignals()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &mPrevious[i], nullptr);
    }
    PromptSignals(const PromptSignals&) = delete;
    PromptSignals& operator=(const PromptSignals&) = delete;

    static int Arrived() { return gPromptSignal.load(); }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction mPrevious[3];
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
    const PromptSignals signals;
    Print(mErr, question + " [y/N] ");
    std::string answer;
    // A signal ends the read with EINTR, which stdio reports as EOF.
    for (int c = 0; PromptSignals::Arrived() == 0 && (c = std::fgetc(mIn)) != EOF && c != '\n';) {
        // An answer is a word; a line of any length is read to its end.
        if (answer.size() < 16) answer.push_back(static_cast<char>(std::tolower(c)));
    }
    if ((std::feof(mIn) && answer.empty()) || PromptSignals::Arrived() != 0) Print(mErr, "\n");
    answer.erase(answer.find_last_not_of(" \t\r") + 1);
    answer.erase(0, std::min(answer.size(), answer.find_first_not_of(" \t")));
    if (interrupted) *interrupted = PromptSignals::Arrived();
    return PromptSignals::Arrived() == 0 && (answer == "y" || answer == "yes");
}

}  // namespace kecli
