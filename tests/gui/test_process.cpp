// Process lookup: the walk over a stand-in list, the /proc reader and its
// cache, and the quit request to a real child process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "macclasses/Process.h"
#include "platform/process/CreatorSignatures.h"
#include "platform/process/ProcessSource.h"

namespace {

class FakeSource final : public ProcessSource {
public:
    const std::vector<ProcessEntry>& Scan() override
    {
        ++scans;
        return list;
    }
    bool Self(ProcessEntry& self) override
    {
        self = me;
        return true;
    }
    int Terminate(const ProcessEntry& process) override
    {
        terminated.push_back(process.pid);
        return 0;
    }

    std::vector<ProcessEntry> list;
    ProcessEntry me{4242, 77, "KEFirmwareUpdat"};
    std::vector<pid_t> terminated;
    int scans = 0;
};

class ProcessLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        source.list = {{1, 1, "systemd"}, {300, 500, "bash"}, {4242, 77, "KEFirmwareUpdat"}, {5000, 900, "Xorg"}};
        SetProcessSource(&source);
    }
    void TearDown() override { SetProcessSource(nullptr); }

    FakeSource source;
};

UInt32 PidOf(const ProcessSerialNumber& psn) { return psn.lowLongOfPSN; }

constexpr OSType kKeyG = 0x4B657947;

}  // namespace

TEST_F(ProcessLookup, KeyGIsFoundOnlyWhileAVideoEditorRuns)
{
    EXPECT_EQ(kKeyG, FourCC("KeyG"));
    TProcess absent(kMyProcess);
    EXPECT_FALSE(absent.FindProcess(kKeyG));

    source.list.push_back({6000, 1000, "kdenlive"});
    source.list.push_back({6100, 1001, "obs"});
    TProcess present(kMyProcess);
    EXPECT_TRUE(present.FindProcess(kKeyG));
    // The first of two wins.
    EXPECT_EQ(6000u, PidOf(present.GetProcessID()));
    EXPECT_EQ(kKeyG, present.GetProcessInfoRec().processSignature);

    // Found again from the start, wherever the walk stands.
    present.Next();
    EXPECT_EQ(6100u, PidOf(present.GetProcessID()));
    source.list.erase(source.list.begin() + 5);
    EXPECT_TRUE(present.FindProcess(kKeyG));
    EXPECT_EQ(6000u, PidOf(present.GetProcessID()));
}

TEST_F(ProcessLookup, WalkStartsAtTheFirstAndWrapsAfterTheLast)
{
    TProcess walk(kMyProcess);
    EXPECT_EQ(1u, PidOf(walk.GetProcessID()));
    EXPECT_EQ(4242u, PidOf(walk.GetMyProcessID()));
    EXPECT_EQ(noErr, walk.GetError());
    EXPECT_FALSE(walk.Last());

    walk.Next();
    walk.Next();
    walk.Next();
    EXPECT_EQ(5000u, PidOf(walk.GetProcessID()));
    EXPECT_FALSE(walk.Last());
    EXPECT_EQ(4, walk.GetNumProcesses());
    EXPECT_EQ(5000u, PidOf(walk.GetProcessID()));

    walk.Next();
    EXPECT_TRUE(walk.Last());
    EXPECT_EQ(procNotFound, walk.GetError());
    EXPECT_EQ(1u, PidOf(walk.GetProcessID()));
    walk.First();
    EXPECT_TRUE(walk.Last());
    EXPECT_EQ(4, walk.GetNumProcesses());
}

TEST_F(ProcessLookup, EmptyListAndInformationRecords)
{
    source.list.clear();
    TProcess none(kMyProcess);
    EXPECT_EQ(0, none.GetNumProcesses());
    EXPECT_FALSE(none.FindProcess(kKeyG));
    EXPECT_EQ(procNotFound, none.GetError());

    source.list = {{7, 6000, "shotcut"}};
    ProcessSerialNumber psn = {0, kNoProcess};
    ASSERT_EQ(noErr, GetNextProcess(&psn));
    unsigned char name[32] = {};
    ProcessInfoRec info{};
    info.processInfoLength = sizeof info;
    info.processName = name;
    ASSERT_EQ(noErr, GetProcessInformation(&psn, &info));
    EXPECT_EQ(std::string("shotcut"), std::string(reinterpret_cast<char*>(name + 1), name[0]));
    EXPECT_EQ(kKeyG, info.processSignature);
    EXPECT_EQ(static_cast<UInt32>(6000 * 60 / sysconf(_SC_CLK_TCK)), info.processLaunchDate);
    EXPECT_EQ(procNotFound, GetNextProcess(&psn));

    info.processInfoLength = 60;
    EXPECT_EQ(paramErr, GetProcessInformation(&psn, &info));
}

TEST_F(ProcessLookup, ReusedPidIsAnotherProcess)
{
    TProcess walk(kMyProcess);
    ASSERT_FALSE(walk.FindProcess(kKeyG));
    ProcessSerialNumber bash = {0, kNoProcess};
    ASSERT_EQ(noErr, GetNextProcess(&bash));
    ASSERT_EQ(noErr, GetNextProcess(&bash));
    ASSERT_EQ(300u, PidOf(bash));

    // bash ends and pid 300 goes to an editor.
    source.list[1] = {300, 9000, "kino"};
    EXPECT_TRUE(walk.FindProcess(kKeyG));
    EXPECT_EQ(300u, PidOf(walk.GetProcessID()));
    EXPECT_NE(bash.highLongOfPSN, walk.GetProcessID().highLongOfPSN);
    ProcessInfoRec info{};
    info.processInfoLength = sizeof info;
    EXPECT_EQ(procNotFound, GetProcessInformation(&bash, &info));
    EXPECT_FALSE(walk.KillApplication(&bash));
    EXPECT_TRUE(source.terminated.empty());
}

TEST_F(ProcessLookup, QuitRequestGoesToTheProcess)
{
    TProcess walk(kMyProcess);
    ASSERT_FALSE(walk.FindProcess(kKeyG));
    ProcessSerialNumber xorg = walk.GetProcessID();
    EXPECT_TRUE(walk.KillApplication(&xorg));
    EXPECT_EQ((std::vector<pid_t>{5000}), source.terminated);
    EXPECT_FALSE(walk.KillApplication(nullptr));
    EXPECT_EQ(paramErr, walk.GetError());

    AEAddressDesc target;
    AppleEvent event;
    ASSERT_EQ(noErr, AECreateDesc(typeProcessSerialNumber, &xorg, sizeof xorg, &target));
    ASSERT_EQ(noErr, AECreateAppleEvent(kCoreEventClass, FourCC("odoc"), &target, kAutoGenerateReturnID,
                                        kAnyTransactionID, &event));
    EXPECT_EQ(errAEEventNotHandled, AESend(&event, nullptr, kAENoReply, kAENormalPriority, kNoTimeOut, nullptr,
                                           nullptr));
    AEDisposeDesc(&target);
    AEDisposeDesc(&event);
    EXPECT_EQ(typeNull, event.descriptorType);
    EXPECT_EQ(1u, source.terminated.size());
}

TEST(CreatorSignatures, OnlyTheListedProgramsAreVideoEditors)
{
    for (const char* name : {"dvgrab", "kino", "kdenlive", "shotcut", "cinelerra", "cin", "obs"}) {
        EXPECT_EQ(kVideoEditorSignature, CreatorSignatureForName(name)) << name;
    }
    for (const char* name : {"", "ffmpeg", "kdenlive2", "OBS", "bash"}) {
        EXPECT_EQ(kUnknownSignature, CreatorSignatureForName(name)) << name;
    }
}

TEST(ProcStat, NameMayHoldBlanksAndParentheses)
{
    std::string name;
    UInt64 start = 0;
    const std::string fields = " S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 123456 19 20\n";
    ASSERT_TRUE(ParseProcStat("42 (a) (b c)" + fields, name, start));
    EXPECT_EQ("a) (b c", name);
    EXPECT_EQ(123456u, start);
    EXPECT_FALSE(ParseProcStat("42 (x) S 1 2", name, start));
    EXPECT_FALSE(ParseProcStat("42 x" + fields, name, start));
    EXPECT_FALSE(ParseProcStat("42 (x) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 -5 1\n", name, start));
}

namespace {

namespace fs = std::filesystem;

class ProcDirectory : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("ke_proc_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    void WriteStat(const fs::path& dir, pid_t pid, const std::string& name, UInt64 start)
    {
        fs::create_directories(dir);
        std::ofstream(dir / "stat") << pid << " (" << name << ") S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 "
                                    << start << " 100 10\n";
    }
    void AddProcess(pid_t pid, const std::string& name, UInt64 start)
    {
        WriteStat(root / std::to_string(pid), pid, name, start);
    }

    fs::path root;
};

}  // namespace

TEST_F(ProcDirectory, NamesAreReadOncePerProcess)
{
    AddProcess(30, "kdenlive", 100);
    AddProcess(4, "bash", 50);
    AddProcess(1000, "Xorg", 60);
    fs::create_directories(root / "self");
    fs::create_directories(root / "sys");
    fs::create_directories(root / "77");  // ended before its stat could be read

    ProcDirectorySource source(root.string());
    const auto& first = source.Scan();
    ASSERT_EQ(3u, first.size());
    EXPECT_EQ(4, first[0].pid);
    EXPECT_EQ(30, first[1].pid);
    EXPECT_EQ("kdenlive", first[1].name);
    EXPECT_EQ(1000, first[2].pid);
    EXPECT_EQ(100u, first[1].startTime);
    const size_t reads = source.StatReads();

    // Same directories: nothing is read again, even if a stat file changes.
    AddProcess(30, "renamed", 100);
    const auto& second = source.Scan();
    EXPECT_EQ(reads + 1, source.StatReads());  // only the empty "77" is tried again
    ASSERT_EQ(3u, second.size());
    EXPECT_EQ("kdenlive", second[1].name);

    // Pid 30 is reused: a new directory in place of the old one.
    fs::remove(root / "30" / "stat");
    WriteStat(root / "30.new", 30, "dvgrab", 200);
    fs::rename(root / "30.new", root / "30");
    fs::remove_all(root / "1000");
    AddProcess(12, "kino", 300);
    const auto& third = source.Scan();
    ASSERT_EQ(3u, third.size());
    EXPECT_EQ(12, third[1].pid);
    EXPECT_EQ("dvgrab", third[2].name);
    EXPECT_EQ(200u, third[2].startTime);
}

TEST(SystemProcesses, OwnProcessIsListedAndTheListIsCached)
{
    ProcDirectorySource source;
    ProcessEntry self;
    ASSERT_TRUE(source.Self(self));
    EXPECT_EQ(getpid(), self.pid);
    EXPECT_EQ("test_process", self.name);

    const std::vector<ProcessEntry> first = source.Scan();
    const size_t reads = source.StatReads();
    const std::vector<ProcessEntry>& second = source.Scan();
    size_t known = 0;
    for (const ProcessEntry& entry : second) {
        known += std::any_of(first.begin(), first.end(), [&](const ProcessEntry& e) {
            return e.pid == entry.pid && e.startTime == entry.startTime;
        });
    }
    EXPECT_GE(known, second.size() / 2);
    // Processes already seen are not read again, unless they just started.
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const UInt64 hz = static_cast<UInt64>(sysconf(_SC_CLK_TCK));
    const UInt64 recent = (static_cast<UInt64>(now.tv_sec) - 6) * hz;
    const auto young = std::count_if(second.begin(), second.end(), [&](const ProcessEntry& e) {
        return e.startTime >= recent;
    });
    EXPECT_LE(source.StatReads() - reads, second.size() - known + static_cast<size_t>(young) + 2);
    EXPECT_TRUE(std::any_of(second.begin(), second.end(), [&](const ProcessEntry& e) {
        return e.pid == self.pid && e.startTime == self.startTime;
    }));
}

TEST(SystemProcesses, PrefetchedListServesTheFirstLookup)
{
    StartProcessListPrefetch();
    StartProcessListPrefetch();  // a second start changes nothing
    const std::vector<ProcessEntry>& list = CurrentProcessSource().Scan();
    EXPECT_TRUE(std::any_of(list.begin(), list.end(), [](const ProcessEntry& e) { return e.pid == getpid(); }));
}

TEST(SystemProcesses, QuitRequestTerminatesTheChildAndSparesAStaleSerialNumber)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until the child runs "sleep".
    ProcessSerialNumber psn = {0, kNoProcess};
    for (int attempt = 0; attempt < 500; ++attempt) {
        psn = {0, kNoProcess};
        bool found = false;
        while (GetNextProcess(&psn) == noErr) {
            ProcessInfoRec info{};
            unsigned char name[32] = {};
            info.processInfoLength = sizeof info;
            info.processName = name;
            if (psn.lowLongOfPSN == static_cast<UInt32>(child) && GetProcessInformation(&psn, &info) == noErr &&
                std::string(reinterpret_cast<char*>(name + 1), name[0]) == "sleep") {
                found = true;
                break;
            }
        }
        if (found) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(static_cast<UInt32>(child), psn.lowLongOfPSN);

    TProcess process(kMyProcess);
    ProcessSerialNumber stale = psn;
    stale.highLongOfPSN ^= 1;
    EXPECT_FALSE(process.KillApplication(&stale));
    EXPECT_EQ(procNotFound, process.GetError());
    EXPECT_TRUE(process.KillApplication(&psn));

    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(SIGTERM, WTERMSIG(status));
}

TEST_F(ProcDirectory, YoungProcessesAreReadAgainForTheirNewName)
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const UInt64 justStarted = static_cast<UInt64>(now.tv_sec) * static_cast<UInt64>(sysconf(_SC_CLK_TCK));
    AddProcess(40, "sh", justStarted);
    AddProcess(41, "bash", 10);
    ProcDirectorySource source(root.string());
    ASSERT_EQ(2u, source.Scan().size());

    // The launcher execs the editor; the old process keeps its name.
    AddProcess(40, "kdenlive", justStarted);
    AddProcess(41, "obs", 10);
    const auto& list = source.Scan();
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("kdenlive", list[0].name);
    EXPECT_EQ("bash", list[1].name);
}
