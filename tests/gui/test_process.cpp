// SPDX-License-Identifier: MIT
// Process lookup: the walk over a stand-in list, the /proc reader and its
// cache, and the quit request to a real child process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "macclasses/Process.h"
#include "platform/process/CreatorSignatures.h"
#include "platform/process/ProcessSource.h"
#include "tests/support/FakeProcesses.h"

namespace fs = std::filesystem;

namespace {

UInt32 PidOf(const ProcessSerialNumber& psn) { return psn.lowLongOfPSN; }

constexpr OSType kKeyG = 0x4B657947;

// Each entry as "pid name start;".
std::string Entries(const std::vector<ProcessEntry>& list)
{
    std::string entries;
    for (const ProcessEntry& e : list)
        entries += std::to_string(e.pid) + " " + e.name + " " + std::to_string(e.startTime) + ";";
    return entries;
}

}  // namespace

// Over the system's processes and this program's own, as pid, start time and name.
TEST(ProcessLookup, KeyGIsFoundOnlyWhileAVideoEditorRunsAndAReusedPidIsAnotherProcess)
{
    fakeproc::Processes source{
        {{1, 1, "systemd"}, {300, 500, "bash"}, {4242, 77, "KEFirmwareUpdat"}, {5000, 900, "Xorg"}},
        {4242, 77, "KEFirmwareUpdat"}};
    TProcess process(kMyProcess, source);
    EXPECT_FALSE(process.FindProcess(kKeyG));
    EXPECT_EQ(4242u, PidOf(process.GetMyProcessID()));

    source.list.insert(source.list.end(), {{6000, 1000, "kdenlive"}, {6100, 1001, "obs"}});
    EXPECT_TRUE(process.FindProcess(kKeyG));
    EXPECT_EQ(6000u, PidOf(process.GetProcessID()));  // the first of two

    source.list.resize(4);
    EXPECT_FALSE(process.FindProcess(kKeyG));

    // An editor at pid 300 ends and the pid goes to another one.
    source.list[1] = {300, 500, "kino"};
    ASSERT_TRUE(process.FindProcess(kKeyG));
    const ProcessSerialNumber first = process.GetProcessID();
    source.list[1] = {300, 9000, "kino"};
    ASSERT_TRUE(process.FindProcess(kKeyG));
    const ProcessSerialNumber second = process.GetProcessID();
    EXPECT_TRUE(PidOf(second) == 300u && first.highLongOfPSN != second.highLongOfPSN);
    EXPECT_FALSE(process.KillApplication(&first));
    EXPECT_EQ(procNotFound, process.GetError());
    EXPECT_FALSE(process.KillApplication(nullptr));
    EXPECT_EQ(paramErr, process.GetError());
    EXPECT_TRUE(process.KillApplication(&second));
    EXPECT_EQ((std::vector<pid_t>{300}), source.terminated);
}

TEST(CreatorSignatures, OnlyTheExactNameCounts)
{
    EXPECT_EQ(kVideoEditorSignature, CreatorSignatureForName("dvgrab"));
    for (const char* name : {"", "ffmpeg", "kdenlive2", "OBS"})
        EXPECT_EQ(kUnknownSignature, CreatorSignatureForName(name)) << name;
}

TEST(ProcStat, NameMayHoldBlanksAndParentheses)
{
    std::string name;
    UInt64 start = 0;
    const std::string fields = " S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 123456 19 20\n";
    ASSERT_TRUE(ParseProcStat("42 (a) (b c)" + fields, name, start));
    EXPECT_EQ((std::pair<std::string, UInt64>("a) (b c", 123456)), std::pair(name, start));
    EXPECT_FALSE(ParseProcStat("42 (x) S 1 2", name, start));
    EXPECT_FALSE(ParseProcStat("42 x" + fields, name, start));
    EXPECT_FALSE(ParseProcStat("42 (x) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 -5 1\n", name, start));
}

TEST(ProcDirectory, ReadsEachProcessOnceUnlessItsPidIsReusedOrItIsYoung)
{
    const fs::path root = fs::temp_directory_path() / ("ke_proc_" + std::to_string(getpid()));
    fs::remove_all(root);
    const auto add = [](const fs::path& dir, pid_t pid, const std::string& name, UInt64 start) {
        fs::create_directories(dir);
        std::ofstream(dir / "stat") << pid << " (" << name << ") S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 " << start
                                    << " 100 10\n";
    };
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const UInt64 young = static_cast<UInt64>(now.tv_sec) * static_cast<UInt64>(sysconf(_SC_CLK_TCK));
    add(root / "30", 30, "kdenlive", 100);
    add(root / "4", 4, "bash", 50);
    add(root / "1000", 1000, "Xorg", 60);
    add(root / "40", 40, "sh", young);
    fs::create_directories(root / "self");
    fs::create_directories(root / "77");  // ended before its stat could be read

    ProcDirectorySource source(root.string());
    const std::string y = std::to_string(young);
    EXPECT_EQ(Entries(source.Scan()), "4 bash 50;30 kdenlive 100;40 sh " + y + ";1000 Xorg 60;");
    const size_t reads = source.StatReads();

    // Same directories: an old process is not read again, even if its stat
    // changes; a young one is, as a launcher may exec the editor.
    add(root / "30", 30, "renamed", 100);
    add(root / "40", 40, "kdenlive", young);
    EXPECT_EQ(Entries(source.Scan()), "4 bash 50;30 kdenlive 100;40 kdenlive " + y + ";1000 Xorg 60;");
    EXPECT_EQ(reads + 2, source.StatReads());  // "40" and the empty "77"

    // Pid 30 is reused: a new directory in place of the old one.
    fs::remove(root / "30" / "stat");
    add(root / "30.new", 30, "dvgrab", 200);
    fs::rename(root / "30.new", root / "30");
    fs::remove_all(root / "1000");
    EXPECT_EQ(Entries(source.Scan()), "4 bash 50;30 dvgrab 200;40 kdenlive " + y + ";");
    fs::remove_all(root);
    EXPECT_TRUE(source.Scan().empty());
}

TEST(SystemProcesses, OwnProcessIsListedAnEditorIsAskedToQuitButAStaleSerialNumberIsSpared)
{
    ProcessEntry self;
    ASSERT_TRUE(ProcDirectorySource().Self(self));
    EXPECT_EQ((std::pair<pid_t, std::string>(getpid(), "test_process")), std::pair(self.pid, self.name));

    ProcDirectorySource system;
    system.Prefetch();
    system.Prefetch();  // a second start changes nothing
    const std::vector<ProcessEntry>& list = system.Scan();
    EXPECT_TRUE(std::any_of(list.begin(), list.end(),
                            [&](const ProcessEntry& e) { return e.pid == self.pid && e.startTime == self.startTime; }));

    // A program named like a video editor, a copy of sleep, is found and asked to quit.
    const fs::path dir = fs::temp_directory_path() / ("ke_editor_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::copy_file("/bin/sleep", dir / "dvgrab", fs::copy_options::overwrite_existing);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl((dir / "dvgrab").c_str(), "dvgrab", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    TProcess process(kMyProcess, system);
    for (int i = 0; i < 500 && !(process.FindProcess(kKeyG) && PidOf(process.GetProcessID()) == UInt32(child)); ++i)
        usleep(10000);  // until the child has exec'd
    const ProcessSerialNumber psn = process.GetProcessID();
    ASSERT_EQ(static_cast<UInt32>(child), PidOf(psn));

    // The serial number names the pid and its start time, which an exec keeps.
    ProcessSerialNumber stale = psn;
    stale.highLongOfPSN ^= 1;
    EXPECT_FALSE(process.KillApplication(&stale));
    EXPECT_EQ(procNotFound, process.GetError());
    EXPECT_TRUE(process.KillApplication(&psn));

    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    fs::remove_all(dir);
}
