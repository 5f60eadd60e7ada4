// SPDX-License-Identifier: MIT
// The window's idle tick and the program's start-up.
//
// 1. The idle tick (discovery of the in-process simulated unit, the lookup
//    of a video program in the real /proc, and the window's texts), with at
//    least 300 processes running: median and worst cost as a share of the
//    0.5 s timer period. Ticks come 60 ms apart so that the run spans the
//    process list's periodic full re-read.
// 2. The program against a bare Qt Widgets window with one label
//    (bench_bare_window), each run as a child process: time from the spawn
//    to the first timer tick, and the child's own peak resident memory
//    (VmHWM at its exit, read while it is stopped there). The program is
//    watched from outside: run with --verbose and no unit, its first tick is
//    marked by the first look at the bus it logs ("No Ke connected"), after
//    which SIGTERM ends it.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <poll.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "macclasses/Process.h"
#include "platform/process/ProcessSource.h"
#include "platform/ui/InterfaceFile.h"
#include "sim/KeUnitModel.h"
#include "tests/support/SimUnitTransport.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSleepers = 300;
constexpr int kTicks = 200;
constexpr auto kTickSpacing = std::chrono::milliseconds(60);
constexpr double kPeriodMs = 500.0;
constexpr int kStartRuns = 9;

// `sleep 60` children, so that the process list is long enough.
class Sleepers {
public:
    explicit Sleepers(int count)
    {
        char sleep[] = "sleep";
        char seconds[] = "60";
        char* argv[] = {sleep, seconds, nullptr};
        for (int i = 0; i < count; ++i) {
            pid_t pid = 0;
            if (posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) != 0) break;
            mPids.push_back(pid);
        }
    }
    ~Sleepers()
    {
        for (pid_t pid : mPids) kill(pid, SIGTERM);
        for (pid_t pid : mPids) waitpid(pid, nullptr, 0);
    }
    Sleepers(const Sleepers&) = delete;
    Sleepers& operator=(const Sleepers&) = delete;

    size_t Count() const { return mPids.size(); }

private:
    std::vector<pid_t> mPids;
};

int CountProcesses()
{
    DIR* dir = opendir("/proc");
    if (dir == nullptr) return 0;
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9') ++count;
    }
    closedir(dir);
    return count;
}

// The program's trace lines go to /dev/null while the clock runs.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        mSaved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        dup2(mSaved, STDOUT_FILENO);
        close(mSaved);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int mSaved = -1;
};

struct Stats {
    double median = 0;
    double worst = 0;
};

Stats StatsOf(std::vector<double> values)
{
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

template <class F>
double TimeMs(F&& f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* Verdict(bool ok) { return ok ? "met" : "MISSED"; }

void PrintShare(const char* what, const Stats& stats, double medianTarget, double worstTarget)
{
    const double median = 100.0 * stats.median / kPeriodMs;
    const double worst = 100.0 * stats.worst / kPeriodMs;
    std::printf("  %-26s median %7.3f ms = %6.3f %%   worst %7.3f ms = %6.3f %%", what, stats.median, median,
                stats.worst, worst);
    if (medianTarget > 0) {
        std::printf("   (targets < %.1f %%: %s, < %.0f %%: %s)", medianTarget, Verdict(median < medianTarget),
                    worstTarget, Verdict(worst < worstTarget));
    }
    std::printf("\n");
}

// ------------------------------------------------------------ start-up runs

// VmHWM of a live process, in KB; 0 when unknown.
long PeakResidentKb(pid_t pid)
{
    FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (status == nullptr) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    }
    std::fclose(status);
    return kb;
}

long long MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Collects what the child writes to `fd` until it has gone, handing all of
// it so far to `onOutput` after each read, and its peak memory at its exit
// stop when it is traced. False when the wait failed.
bool WaitReadingPeak(pid_t pid, int fd, std::string& err, int& status, long& peakKb,
                     const std::function<void(const std::string&)>& onOutput)
{
    bool open = true;
    char buffer[4096];
    for (;;) {
        pollfd readable{fd, POLLIN, 0};
        if (open && poll(&readable, 1, 5) > 0) {
            const ssize_t count = read(fd, buffer, sizeof buffer);
            if (count > 0) err.append(buffer, static_cast<size_t>(count));
            if (count > 0) onOutput(err);
            if (count == 0) open = false;
        }
        const pid_t waited = waitpid(pid, &status, open ? WNOHANG : 0);
        if (waited < 0) return false;
        if (waited == 0) continue;
        if (!WIFSTOPPED(status)) break;
        int signal = 0;
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            peakKb = PeakResidentKb(pid);
        } else if (status >> 16 == 0) {
            signal = WSTOPSIG(status);  // meant for the child: pass it on
        }
        ptrace(PTRACE_CONT, pid, nullptr, signal);
    }
    ssize_t count = 0;
    while (open && (count = read(fd, buffer, sizeof buffer)) > 0) err.append(buffer, static_cast<size_t>(count));
    return true;
}

struct ChildRun {
    bool ok = false;
    double firstTickMs = 0;  // from the spawn
    long maxRssKb = 0;
};

// The program (`isProgram`) or the bare window, started and timed.
ChildRun RunChild(const char* path, bool isProgram)
{
    ChildRun run;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return run;

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) env.emplace_back(*e);
    }
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = path;
    char verbose[] = "--verbose";
    char* argv[] = {program.data(), isProgram ? verbose : nullptr, nullptr};

    // The program tells its tick on standard output, the bare window on standard error.
    const int told = isProgram ? STDOUT_FILENO : STDERR_FILENO;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, isProgram ? STDERR_FILENO : STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], told);

    const long long startNs = MonotonicNs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, path, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return run;
    }

    // The child's own peak, read at its exit stop: the kernel's count for a
    // spawned child (ru_maxrss) starts from this benchmark's peak.
    const bool traced = ptrace(PTRACE_SEIZE, pid, nullptr, PTRACE_O_TRACEEXIT) == 0;
    std::string output;
    int status = 0;
    long peakKb = 0;
    long long tickNs = 0;
    const bool waited = WaitReadingPeak(pid, pipeFds[0], output, status, peakKb, [&](const std::string& sofar) {
        if (!isProgram || tickNs != 0 || sofar.find("No Ke connected\n") == std::string::npos) return;
        tickNs = MonotonicNs();
        kill(pid, SIGTERM);
    });
    close(pipeFds[0]);
    if (!waited) return run;
    if (traced) run.maxRssKb = peakKb;

    const size_t at = output.find("first tick at ");
    if (!isProgram && at != std::string::npos) tickNs = std::atoll(output.c_str() + at + 14);
    // An idle program ends on SIGTERM with 128 plus its number.
    const int expected = isProgram ? 128 + SIGTERM : 0;
    if (tickNs == 0 || !WIFEXITED(status) || WEXITSTATUS(status) != expected) {
        std::fprintf(stderr, "%s: no first tick (status %d)\n%s", path, status, output.c_str());
        return run;
    }
    run.firstTickMs = static_cast<double>(tickNs - startNs) / 1e6;
    run.ok = true;
    return run;
}

struct StartUpStats {
    bool ok = true;
    double firstTickMs = 0;  // median
    long maxRssKb = 0;       // median
};

void StartUpRuns(StartUpStats& program, StartUpStats& bare)
{
    // One run of each first, so that both start from a warm file cache.
    RunChild(KE_APP_PATH, true);
    RunChild(KE_BARE_WINDOW_PATH, false);
    std::vector<double> programTicks, bareTicks, programRss, bareRss;
    for (int i = 0; i < kStartRuns; ++i) {
        const ChildRun p = RunChild(KE_APP_PATH, true);
        const ChildRun b = RunChild(KE_BARE_WINDOW_PATH, false);
        program.ok = program.ok && p.ok;
        bare.ok = bare.ok && b.ok;
        programTicks.push_back(p.firstTickMs);
        bareTicks.push_back(b.firstTickMs);
        programRss.push_back(static_cast<double>(p.maxRssKb));
        bareRss.push_back(static_cast<double>(b.maxRssKb));
    }
    program.firstTickMs = StatsOf(programTicks).median;
    bare.firstTickMs = StatsOf(bareTicks).median;
    program.maxRssKb = static_cast<long>(StatsOf(programRss).median);
    bare.maxRssKb = static_cast<long>(StatsOf(bareRss).median);
}

bool PrintStartUp(const char* when)
{
    StartUpStats program, bare;
    StartUpRuns(program, bare);
    if (!program.ok || !bare.ok || program.maxRssKb == 0 || bare.maxRssKb == 0) {
        std::printf("  %s: a child run failed (see above)\n", when);
        return false;
    }
    const double tickRatio = program.firstTickMs / bare.firstTickMs;
    const double rssRatio = static_cast<double>(program.maxRssKb) / static_cast<double>(bare.maxRssKb);
    std::printf("  %s (%d processes):\n", when, CountProcesses());
    std::printf("    time to first timer tick  %8.1f ms vs %8.1f ms   ratio %.2f (target <= 1.3: %s)\n",
                program.firstTickMs, bare.firstTickMs, tickRatio, Verdict(tickRatio <= 1.3));
    std::printf("    peak resident memory      %8ld KB vs %8ld KB   ratio %.2f (target <= 1.3: %s)\n", program.maxRssKb,
                bare.maxRssKb, rssRatio, Verdict(rssRatio <= 1.3));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    auto sleepers = std::make_unique<Sleepers>(kSleepers);
    const size_t sleeping = sleepers->Count();
    // Programs younger than 5 s have their names read on every scan (a
    // launcher may still exec): measure the steady state after that.
    std::this_thread::sleep_for(std::chrono::milliseconds(5500));
    const int processes = CountProcesses();

    auto model = std::make_shared<kesim::KeUnitModel>();
    ProcDirectorySource processList;
    APW::PTA::UpdateSeams seams;
    seams.transports = {std::make_shared<fwplat::SimUnitTransport>(model)};

    std::unique_ptr<QWidget> window;
    keui::LoadError loadError = keui::LoadError::kNone;
    const double nibMs =
        TimeMs([&] { window = keui::LoadInterfaceFile(keui::InterfaceFilePath(QStringLiteral("main")), loadError); });
    if (!window) {
        std::fprintf(stderr, "bench_idle_tick: the interface file main.ui is not beside the program\n");
        return 1;
    }

    std::vector<double> ticks, discovery, lookup;
    double coldTick = 0;
    size_t statReadsBefore = 0, statReadsAfter = 0;
    bool found = false;
    {
        const QuietStdout quiet;
        CKeFirmwareUpdateDialog dialog(window.get(), {}, seams, &processList);
        // The bench calls the tick itself; the window's own timer stays still.
        dialog.Timer().stop();
        window->show();
        QCoreApplication::processEvents();

        coldTick = TimeMs([&] { dialog.TimerEventHandler(); });
        QCoreApplication::processEvents();
        statReadsBefore = processList.StatReads();
        for (int i = 0; i < kTicks; ++i) {
            std::this_thread::sleep_for(kTickSpacing);
            ticks.push_back(TimeMs([&] { dialog.TimerEventHandler(); }));
            QCoreApplication::processEvents();  // the repaints, outside the tick
        }
        statReadsAfter = processList.StatReads();

        // The two halves on their own.
        APW::PTA::CKeFirmwareUpdate update(seams);
        for (int i = 0; i < kTicks; ++i) {
            discovery.push_back(TimeMs([&] { found = update.IsFound(); }));
            lookup.push_back(TimeMs([&processList] {
                TProcess process(kMyProcess, processList);
                process.FindProcess(FourCC("KeyG"));
            }));
        }
    }
    window.reset();

    std::printf("Idle tick with %d processes running (%zu of them sleep children), the unit %s\n", processes, sleeping,
                found ? "present" : "NOT FOUND");
    if (processes < 300) std::printf("  fewer than 300 processes: the figures below understate the scan\n");
    std::printf("  %d ticks, %lld ms apart; cold first tick %.3f ms (every name read once)\n", kTicks,
                static_cast<long long>(kTickSpacing.count()), coldTick);
    PrintShare("whole tick", StatsOf(ticks), 0.5, 2.0);
    PrintShare("discovery (IsFound)", StatsOf(discovery), 0, 0);
    PrintShare("process lookup ('KeyG')", StatsOf(lookup), 0, 0);
    std::printf("  process names read during the %d ticks: %zu (the rest kept from earlier scans)\n", kTicks,
                statReadsAfter - statReadsBefore);

    std::printf("Start-up, median of %d runs each (offscreen), KEFirmwareUpdate against a bare window:\n", kStartRuns);
    if (!PrintStartUp("with the processes above")) return 1;
    sleepers.reset();
    if (!PrintStartUp("with the sleep children gone")) return 1;
    std::printf(
        "  in this process: loading the interface file took %.1f ms; the program's first tick reads\n"
        "  every process name once (the cold tick above), later ticks only the new ones\n",
        nibMs);
    return 0;
}
