// SPDX-License-Identifier: MIT
#include "cli/Console.h"

#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "platform/signals/SignalHold.h"

namespace kecli {
namespace {

// One byte of the answer; EOF at the end of the input, or once `wakeFd` is
// readable: a signal came, and the wait ends without losing it.
int ReadAnswerByte(std::FILE* in, int wakeFd)
{
    const int fd = fileno(in);
    if (fd < 0 || wakeFd < 0) return std::fgetc(in);
    for (;;) {
        pollfd ready[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(ready, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return EOF;
        }
        if (ready[1].revents != 0) return EOF;
        unsigned char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got == 1) return c;
        if (got == 0 || (errno != EINTR && errno != EAGAIN)) return EOF;
    }
}

std::string Lowered(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// y and yes, and the words that say yes in the user's language.
bool SaysYes(const std::string& answer)
{
    if (answer == "y" || answer == "yes") return true;
    //: The answers that confirm at the [y/N] question, separated by |; the first is the one the question shows.
    const std::string words = QCoreApplication::translate("kecli::Console", "y|yes").toStdString() + "|";
    for (std::size_t start = 0, end = 0; (end = words.find('|', start)) != std::string::npos; start = end + 1) {
        if (end > start && Lowered(words.substr(start, end - start)) == answer) return true;
    }
    return false;
}

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
    // SIGINT, SIGTERM and SIGHUP at the question end the wait, not the
    // program, which then reports a cancelled run as any other.
    kesignals::SignalHold::Options held;
    held.wake = true;
    kesignals::SignalHold signals(held);
    Print(mErr, question + " " + QCoreApplication::translate("kecli::Console", "[y/N]").toStdString() + " ");
    std::string answer;
    int c = 0;
    while ((c = ReadAnswerByte(mIn, signals.WakeFd())) != EOF && c != '\n') {
        // An answer is a word; a line of any length is read to its end.
        if (answer.size() < 16) answer.push_back(static_cast<char>(c));
    }
    const int signal = signals.HeldSignal();
    if ((c == EOF && answer.empty()) || signal != 0) Print(mErr, "\n");
    answer.erase(answer.find_last_not_of(" \t\r") + 1);
    answer.erase(0, std::min(answer.size(), answer.find_first_not_of(" \t")));
    if (interrupted) *interrupted = signal;
    return signal == 0 && SaysYes(Lowered(answer));
}

}  // namespace kecli
