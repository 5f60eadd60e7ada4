// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/cli/Console.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace kecli {

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
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool Console::Confirm(const std::string& question) const
{
    Print(mErr, question + " [y/N] ");
    std::string answer;
    for (int c = std::fgetc(mIn); c != EOF && c != '\n'; c = std::fgetc(mIn)) {
        // An answer is a word; a line of any length is read to its end.
        if (answer.size() < 16) answer.push_back(static_cast<char>(std::tolower(c)));
    }
    if (std::feof(mIn) && answer.empty()) Print(mErr, "\n");
    answer.erase(answer.find_last_not_of(" \t\r") + 1);
    answer.erase(0, std::min(answer.size(), answer.find_first_not_of(" \t")));
    return answer == "y" || answer == "yes";
}

}  // namespace kecli
