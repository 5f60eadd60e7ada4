// The log that keeps the trace and failure lines: both streams still get
// every byte, the file gets whole stamped lines, it rotates at its limit, and
// a file that cannot be had leaves the streams alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/log/RotatingLog.h"

namespace {

namespace fs = std::filesystem;
using kelog::RotatingLog;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The text after "YYYY-MM-DDTHH:MM:SS.mmm[+hh:mm] ", or nullopt without such a stamp.
std::optional<std::string> AfterStamp(const std::string& line)
{
    auto fits = [&line](std::size_t at, std::string_view form) {
        if (line.size() < at + form.size()) return false;
        for (std::size_t i = 0; i < form.size(); ++i) {
            const char c = line[at + i];
            const bool ok = form[i] == 'd' ? std::isdigit(static_cast<unsigned char>(c)) != 0
                          : form[i] == 's' ? (c == '+' || c == '-')
                                           : c == form[i];
            if (!ok) return false;
        }
        return true;
    };
    if (!fits(0, "dddd-dd-ddTdd:dd:dd.ddd")) return std::nullopt;
    std::size_t at = 23;
    if (fits(at, "sdd:dd")) at += 6;
    if (!fits(at, " ")) return std::nullopt;
    return line.substr(at + 1);
}

std::vector<std::string> Lines(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The text after each line's timestamp; a line without one fails the test.
std::vector<std::string> Texts(const fs::path& path)
{
    std::vector<std::string> texts;
    for (const std::string& line : Lines(path)) {
        const std::optional<std::string> text = AfterStamp(line);
        EXPECT_TRUE(text) << "not stamped: '" << line << "'";
        texts.push_back(text.value_or(line));
    }
    return texts;
}

// A fresh folder, and std::cout and std::cerr caught in strings while the test runs.
class RotatingLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ke-rotating-log-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        mDir = pattern;
        mOldOut = std::cout.rdbuf(&mOut);
        mOldErr = std::cerr.rdbuf(&mErr);
    }
    void TearDown() override
    {
        std::cout.rdbuf(mOldOut);
        std::cerr.rdbuf(mOldErr);
        fs::remove_all(mDir);
    }
    RotatingLog::Options At(const fs::path& dir, std::uintmax_t rotateBytes = 1024 * 1024)
    {
        return {"KEFirmwareUpdate", dir.string(), rotateBytes};
    }

    fs::path mDir;
    std::stringbuf mOut;
    std::stringbuf mErr;
    std::streambuf* mOldOut = nullptr;
    std::streambuf* mOldErr = nullptr;
};

TEST_F(RotatingLogTest, LinesReachTheStreamsUnchangedAndTheFileStamped)
{
    const fs::path dir = mDir / "state" / "kefirmwareupdate";
    {
        RotatingLog log(At(dir));
        ASSERT_TRUE(log.Active());
        EXPECT_EQ(log.Path(), (dir / "KEFirmwareUpdate.log").string());
        std::cout << "Ctor KeFirmwareUpdate\n";
        std::cerr << "Device not ready - Could not prepare device for update.\n\r";
        std::cout << "Open " << "Ke" << '\n';
        std::cout << "\n";
    }
    EXPECT_EQ(mOut.str(), "Ctor KeFirmwareUpdate\nOpen Ke\n\n");
    EXPECT_EQ(mErr.str(), "Device not ready - Could not prepare device for update.\n\r");
    EXPECT_THAT(Texts(dir / "KEFirmwareUpdate.log"),
                ElementsAre("Ctor KeFirmwareUpdate", "Device not ready - Could not prepare device for update.",
                            "Open Ke", ""));
    for (const fs::path& folder : {mDir / "state", dir}) {
        struct stat info {};
        ASSERT_EQ(stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
    struct stat info {};
    ASSERT_EQ(stat((dir / "KEFirmwareUpdate.log").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// std::cerr flushes after every piece; the worker thread's pieces must not
// come between the window's.
TEST_F(RotatingLogTest, AnUnfinishedLineWaitsForItsEndEvenWhenFlushed)
{
    RotatingLog log(At(mDir));
    std::cerr << "Download failed: " << std::flush;
    std::cout << "Erasing..." << std::flush;
    EXPECT_EQ(mErr.str(), "");
    EXPECT_EQ(mOut.str(), "");
    EXPECT_TRUE(Lines(log.Path()).empty());
    std::cout << " done" << std::endl;
    std::cerr << "status 3\n";
    EXPECT_EQ(mOut.str(), "Erasing... done\n");
    EXPECT_EQ(mErr.str(), "Download failed: status 3\n");
    EXPECT_THAT(Texts(log.Path()), ElementsAre("Erasing... done", "Download failed: status 3"));
}

TEST_F(RotatingLogTest, StreamsGetTheirOwnBuffersBackAndAnUnfinishedLineIsKept)
{
    std::string path;
    {
        RotatingLog log(At(mDir));
        path = log.Path();
        EXPECT_NE(std::cout.rdbuf(), &mOut);
        std::cout << "last words";
    }
    EXPECT_EQ(std::cout.rdbuf(), &mOut);
    EXPECT_EQ(std::cerr.rdbuf(), &mErr);
    EXPECT_EQ(mOut.str(), "last words");
    EXPECT_THAT(Texts(path), ElementsAre("last words"));
    std::cout << "after\n";
    EXPECT_THAT(Texts(path), ElementsAre("last words"));
}

TEST_F(RotatingLogTest, AppendsToAnEarlierRunsLog)
{
    { RotatingLog log(At(mDir)); std::cout << "first run\n"; }
    { RotatingLog log(At(mDir)); std::cout << "second run\n"; }
    EXPECT_THAT(Texts(mDir / "KEFirmwareUpdate.log"), ElementsAre("first run", "second run"));
}

TEST_F(RotatingLogTest, AVeryLongLineGoesToTheFileInPieces)
{
    const std::string longLine(kelog::TeeBuffer::kMaxLine + 10, 'x');
    { RotatingLog log(At(mDir)); std::cout << longLine << '\n'; }
    EXPECT_EQ(mOut.str(), longLine + "\n");
    EXPECT_THAT(Texts(mDir / "KEFirmwareUpdate.log"),
                ElementsAre(std::string(kelog::TeeBuffer::kMaxLine, 'x'), std::string(10, 'x')));
}

// Each stamped line here is 29 + 1 + 8 + 1 = 39 bytes.
TEST_F(RotatingLogTest, RotatesAtTheLimitKeepingOnePreviousFile)
{
    const fs::path current = mDir / "KEFirmwareUpdate.log";
    const fs::path previous = mDir / "KEFirmwareUpdate.log.1";
    {
        RotatingLog log(At(mDir, 200));
        for (int i = 0; i < 12; ++i) std::cout << "line " << (100 + i) << "\n";
    }
    // 200 bytes hold five such lines; twelve lines rotate twice.
    EXPECT_LE(fs::file_size(current), 200u);
    EXPECT_LE(fs::file_size(previous), 200u);
    std::vector<std::string> kept = Texts(previous);
    for (const std::string& text : Texts(current)) kept.push_back(text);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.back(), "line 111");
    for (std::size_t i = 1; i < kept.size(); ++i) {  // the newest lines, in order, none missing
        EXPECT_EQ(std::stoi(kept[i].substr(5)), std::stoi(kept[i - 1].substr(5)) + 1);
    }
    EXPECT_GE(kept.size(), 5u);
    EXPECT_NE(kept.front(), "line 100");  // the oldest went with the second rotation
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()), 2);
}

TEST_F(RotatingLogTest, AFileAlreadyAtTheLimitIsMovedAsideAtStart)
{
    const fs::path current = mDir / "KEFirmwareUpdate.log";
    { std::ofstream(current) << std::string(199, 'o') << '\n'; }
    { RotatingLog log(At(mDir, 200)); std::cout << "fresh\n"; }
    EXPECT_EQ(fs::file_size(mDir / "KEFirmwareUpdate.log.1"), 200u);
    EXPECT_THAT(Texts(current), ElementsAre("fresh"));
}

// Another instance of the program shares the file: once it has moved the
// file aside, this one must not move that instance's new file over the old
// one, where the lines of both runs are.
TEST_F(RotatingLogTest, DoesNotMoveAnotherInstancesNewFileOverThePreviousOne)
{
    const fs::path current = mDir / "KEFirmwareUpdate.log";
    const fs::path previous = mDir / "KEFirmwareUpdate.log.1";
    RotatingLog log(At(mDir, 200));
    std::cout << "mine before\n";
    fs::rename(current, previous);
    { std::ofstream(current) << "other instance\n"; }
    // 42 + 171 bytes are past the limit; the other instance's 15 + 171 are not.
    std::cout << std::string(140, 'y') << "\n";
    EXPECT_THAT(Texts(previous), ElementsAre("mine before"));
    ASSERT_EQ(Lines(current).size(), 2u);
    EXPECT_EQ(Lines(current)[0], "other instance");
    EXPECT_THAT(Lines(current)[1], HasSubstr(" " + std::string(140, 'y')));
}

TEST_F(RotatingLogTest, WithoutAFileTheStreamsAreLeftAlone)
{
    const fs::path aFile = mDir / "plain";
    { std::ofstream(aFile) << "x"; }
    fs::create_symlink(mDir / "elsewhere.log", mDir / "KEFirmwareUpdate.log");
    ASSERT_EQ(mkfifo((mDir / "fifo.log").c_str(), 0600), 0);

    const std::vector<RotatingLog::Options> unusable = {
        At(aFile / "state"),                        // a folder under a file
        {"../escape", mDir.string(), 1024},         // a name that is a path
        {"", mDir.string(), 1024},                  // no name
        At(mDir),                                   // a symbolic link where the file goes
        {"fifo", mDir.string(), 1024},              // not a regular file: must not block
        {"KEFirmwareUpdate", std::string("relative/dir"), 1024},
    };
    for (const RotatingLog::Options& options : unusable) {
        RotatingLog log(options);
        EXPECT_FALSE(log.Active()) << options.name << " in " << options.directory.value_or("");
        EXPECT_EQ(log.Path(), "");
        EXPECT_EQ(std::cout.rdbuf(), &mOut);
        EXPECT_EQ(std::cerr.rdbuf(), &mErr);
        std::cout << "still here\n";
    }
    EXPECT_FALSE(fs::exists(mDir / "elsewhere.log"));
    EXPECT_FALSE(fs::exists(mDir.parent_path() / "escape.log"));
    EXPECT_THAT(mOut.str(), HasSubstr("still here\n"));
}

TEST(RotatingLogDirectory, FollowsTheStateHomeOrTheHomeFolder)
{
    using Env = std::map<std::string, std::string>;
    auto directory = [](Env env) {
        return kelog::DefaultLogDirectory([env](const char* name) -> std::optional<std::string> {
            const auto found = env.find(name);
            if (found == env.end()) return std::nullopt;
            return found->second;
        });
    };
    EXPECT_EQ(directory({{"XDG_STATE_HOME", "/s"}, {"HOME", "/h"}}), "/s/kefirmwareupdate");
    EXPECT_EQ(directory({{"XDG_STATE_HOME", "rel"}, {"HOME", "/h"}}), "/h/.local/state/kefirmwareupdate");
    EXPECT_EQ(directory({{"XDG_STATE_HOME", ""}, {"HOME", "/h"}}), "/h/.local/state/kefirmwareupdate");
    EXPECT_EQ(directory({{"HOME", "relative"}}), std::nullopt);
    const std::optional<std::string> fromDatabase = directory({});
    if (fromDatabase) {
        EXPECT_THAT(*fromDatabase, ::testing::EndsWith("/.local/state/kefirmwareupdate"));
    }
}

TEST(RotatingLogTimestamp, IsIso8601LocalTimeWithMilliseconds)
{
    using namespace std::chrono;
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    auto at = [](milliseconds ms) { return kelog::FormatTimestamp(system_clock::time_point(ms)); };

    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(at(1500ms), "1970-01-01T00:00:01.500+00:00");
    EXPECT_EQ(at(-1ms), "1969-12-31T23:59:59.999+00:00");
    setenv("TZ", "XST-5:30", 1);  // 5 h 30 min east of UTC
    tzset();
    EXPECT_EQ(at(milliseconds(1714566896007)), "2024-05-01T18:04:56.007+05:30");

    if (oldTz) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
    tzset();
}

}  // namespace
