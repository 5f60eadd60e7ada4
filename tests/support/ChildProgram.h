// SPDX-License-Identifier: MIT
// A program run by a test as a child process: its output in files, stdin on
// /dev/null unless told, a private environment on top of the test's own; killed if it
// still runs when the object goes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace childproc {

inline std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A temporary file, closed when it goes.
using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
inline File TempFile() { return {std::tmpfile(), std::fclose}; }

// Everything written to `file`, read back.
inline std::string Contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text.push_back(static_cast<char>(c));
    return text;
}

class Program {
public:
    // Standard input is `input` (a terminal, say) when given.
    Program(std::vector<std::string> args, const std::map<std::string, std::string>& env, const std::string& outDir,
            const std::string& input = "/dev/null")
    {
        static int runs = 0;
        mOut = outDir + "/out." + std::to_string(++runs);
        mErr = outDir + "/err." + std::to_string(runs);
        std::vector<std::string> vars;
        for (char** e = environ; *e != nullptr; ++e)
            if (const std::string var = *e; env.count(var.substr(0, var.find('='))) == 0) vars.push_back(var);
        for (const auto& [name, value] : env) vars.push_back(name + "=" + value);
        const auto pointers = [](std::vector<std::string>& strings) {
            std::vector<char*> p;
            for (auto& s : strings) p.push_back(s.data());
            p.push_back(nullptr);
            return p;
        };
        std::vector<char*> argv = pointers(args), envp = pointers(vars);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDWR, 0);
        posix_spawn_file_actions_addopen(&actions, 1, mOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, mErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&mPid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) mPid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Program()
    {
        if (mPid > 0 && !mStatus && kill(mPid, SIGKILL) == 0) Wait(std::chrono::seconds(10));
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t Pid() const { return mPid; }
    std::string Out() const { return Slurp(mOut); }
    std::string Err() const { return Slurp(mErr); }

    // The exit code; -2 when a signal ended it; nullopt while it runs.
    std::optional<int> Wait(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (int status = 0; !mStatus && mPid > 0; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
            if (waitpid(mPid, &status, WNOHANG) == mPid) mStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            if (mStatus || std::chrono::steady_clock::now() > deadline) break;
        }
        return mStatus;
    }

    // Waits for `text` on standard output or error.
    bool WaitFor(const std::string& text, std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (; std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
            if (Out().find(text) != std::string::npos || Err().find(text) != std::string::npos) return true;
            if (Wait(std::chrono::milliseconds(0))) return false;
        }
        return false;
    }

private:
    pid_t mPid = -1;
    std::optional<int> mStatus;
    std::string mOut;
    std::string mErr;
};

}  // namespace childproc
