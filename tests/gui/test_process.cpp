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

namespace {

class FakeSource final : public ProcessSource {
public:
    const std::vector<ProcessEntry>& Scan() override { return list; }
    bool Self(ProcessEntry& self) override
    {
        self = {4242, 77, "KEFirmwareUpdat"};
        return true;
    }
    int Terminate(const ProcessEntry& process) override
    {
        terminated.push_back(process.pid);
        return 0;
    }

    std::vector<ProcessEntry> list;
    std::vector<pid_t> terminated;
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

UInt64 BootTicksNow()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<UInt64>(now.tv_sec) * static_cast<UInt64>(sysconf(_SC_CLK_TCK));
}

}  // namespace

TEST_F(ProcessLookup, KeyGIsFoundOnlyWhileAVideoEditorRuns)
{
    EXPECT_FALSE(TProcess(kMyProcess).FindProcess(kKeyG));

    source.list.push_back({6000, 1000, "kdenlive"});
    source.list.push_back({6100, 1001, "obs"});
    TProcess present(kMyProcess);
    EXPECT_TRUE(present.FindProcess(kKeyG));
    EXPECT_EQ(6000u, PidOf(present.GetProcessID()));  // the first of two

    // Found again from the start, wherever the walk stands.
    present.Next();
    EXPECT_EQ(6100u, PidOf(present.GetProcessID()));
    EXPECT_TRUE(present.FindProcess(kKeyG));
    EXPECT_EQ(6000u, PidOf(present.GetProcessID()));

    source.list.resize(4);
    EXPECT_FALSE(present.FindProcess(kKeyG));
    EXPECT_FALSE(TProcess(kMyProcess).FindProcess(kKeyG));
}

TEST_F(ProcessLookup, WalkStartsAtTheFirstAndWrapsAfterTheLast)
{
    TProcess walk(kMyProcess);
    EXPECT_EQ(1u, PidOf(walk.GetProcessID()));
    EXPECT_EQ(4242u, PidOf(walk.GetMyProcessID()));
    for (int i = 0; i < 3; ++i) walk.Next();
    EXPECT_EQ(4, walk.GetNumProcesses());
    EXPECT_EQ(5000u, PidOf(walk.GetProcessID()));  // counting leaves the walk where it was
    EXPECT_FALSE(walk.Last());

    walk.Next();
    EXPECT_TRUE(walk.Last());
    EXPECT_EQ(procNotFound, walk.GetError());
    EXPECT_EQ(1u, PidOf(walk.GetProcessID()));

    source.list.clear();
    EXPECT_EQ(procNotFound, TProcess(kMyProcess).GetError());
}

TEST_F(ProcessLookup, ReusedPidIsAnotherProcess)
{
    TProcess walk(kMyProcess);
    walk.Next();
    const ProcessSerialNumber bash = walk.GetProcessID();
    ASSERT_EQ(300u, PidOf(bash));

    // bash ends and pid 300 goes to an editor.
    source.list[1] = {300, 9000, "kino"};
    EXPECT_TRUE(walk.FindProcess(kKeyG));
    const ProcessSerialNumber kino = walk.GetProcessID();
    EXPECT_EQ(300u, PidOf(kino));
    EXPECT_NE(bash.highLongOfPSN, kino.highLongOfPSN);
    EXPECT_FALSE(walk.KillApplication(&bash));
    EXPECT_EQ(procNotFound, walk.GetError());
    EXPECT_FALSE(walk.KillApplication(nullptr));
    EXPECT_EQ(paramErr, walk.GetError());
    EXPECT_TRUE(source.terminated.empty());
    EXPECT_TRUE(walk.KillApplication(&kino));
    EXPECT_EQ((std::vector<pid_t>{300}), source.terminated);
}

TEST(CreatorSignatures, OnlyTheExactNameCounts)
{
    EXPECT_EQ(kVideoEditorSignature, CreatorSignatureForName("dvgrab"));
    for (const char* name : {"", "ffmpeg", "kdenlive2", "OBS"}) {
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

TEST(ProcDirectory, ReadsEachProcessOnceUnlessItsPidIsReusedOrItIsYoung)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("ke_proc_" + std::to_string(getpid()));
    fs::remove_all(root);
    const auto add = [](const fs::path& dir, pid_t pid, const std::string& name, UInt64 start) {
        fs::create_directories(dir);
        std::ofstream(dir / "stat") << pid << " (" << name << ") S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 " << start
                                    << " 100 10\n";
    };
    const UInt64 young = BootTicksNow();
    add(root / "30", 30, "kdenlive", 100);
    add(root / "4", 4, "bash", 50);
    add(root / "1000", 1000, "Xorg", 60);
    add(root / "40", 40, "sh", young);
    fs::create_directories(root / "self");
    fs::create_directories(root / "77");  // ended before its stat could be read

    ProcDirectorySource source(root.string());
    const auto& first = source.Scan();
    ASSERT_EQ(4u, first.size());
    EXPECT_EQ(4, first[0].pid);
    EXPECT_EQ("kdenlive", first[1].name);
    EXPECT_EQ(100u, first[1].startTime);
    EXPECT_EQ(1000, first[3].pid);
    const size_t reads = source.StatReads();

    // Same directories: an old process is not read again, even if its stat
    // changes; a young one is, as a launcher may exec the editor.
    add(root / "30", 30, "renamed", 100);
    add(root / "40", 40, "kdenlive", young);
    const auto& second = source.Scan();
    EXPECT_EQ(reads + 2, source.StatReads());  // "40" and the empty "77"
    ASSERT_EQ(4u, second.size());
    EXPECT_EQ("kdenlive", second[1].name);
    EXPECT_EQ("kdenlive", second[2].name);

    // Pid 30 is reused: a new directory in place of the old one.
    fs::remove(root / "30" / "stat");
    add(root / "30.new", 30, "dvgrab", 200);
    fs::rename(root / "30.new", root / "30");
    fs::remove_all(root / "1000");
    const auto& third = source.Scan();
    ASSERT_EQ(3u, third.size());
    EXPECT_EQ("dvgrab", third[1].name);
    EXPECT_EQ(200u, third[1].startTime);
    fs::remove_all(root);
    EXPECT_TRUE(source.Scan().empty());
}

TEST(SystemProcesses, OwnProcessIsListedAndThePrefetchedListServesTheFirstLookup)
{
    ProcessEntry self;
    ASSERT_TRUE(ProcDirectorySource().Self(self));
    EXPECT_EQ(getpid(), self.pid);
    EXPECT_EQ("test_process", self.name);

    StartProcessListPrefetch();
    StartProcessListPrefetch();  // a second start changes nothing
    const std::vector<ProcessEntry>& list = CurrentProcessSource().Scan();
    EXPECT_TRUE(std::any_of(list.begin(), list.end(),
                            [&](const ProcessEntry& e) { return e.pid == self.pid && e.startTime == self.startTime; }));
}

TEST(SystemProcesses, QuitRequestTerminatesTheChildAndSparesAStaleSerialNumber)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    // The serial number names the pid and its start time, which an exec keeps.
    TProcess process(kMyProcess);
    while (!process.Last() && process.GetProcessID().lowLongOfPSN != static_cast<UInt32>(child)) process.Next();
    const ProcessSerialNumber psn = process.GetProcessID();
    ASSERT_EQ(static_cast<UInt32>(child), psn.lowLongOfPSN);

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
