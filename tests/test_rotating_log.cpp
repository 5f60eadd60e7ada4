// SPDX-License-Identifier: MIT
// The log that keeps the trace and failure lines: both streams still get every byte, the file gets whole stamped lines,
// it rotates at its limit, and a file that cannot be had leaves the streams alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/log/RotatingLog.h"
#include "tests/support/SocketSim.h"

namespace {

namespace fs = std::filesystem;
using kelog::RotatingLog;
using ::testing::ElementsAre;

std::vector<std::string> Lines(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The text after each line's "YYYY-MM-DDTHH:MM:SS.mmm+hh:mm " stamp; a line without one fails the test.
std::vector<std::string> Texts(const fs::path& path)
{
    const std::regex stamp(R"([0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}[+-][0-9]{2}:[0-9]{2} )");
    std::vector<std::string> texts;
    for (const std::string& line : Lines(path)) {
        std::smatch m;
        EXPECT_TRUE(std::regex_search(line, m, stamp, std::regex_constants::match_continuous)) << line;
        texts.push_back(m.empty() ? line : m.suffix().str());
    }
    return texts;
}

// A fresh folder, and std::cout and std::cerr caught in strings while the test runs.
class RotatingLogTest : public ::testing::Test {
protected:
    ~RotatingLogTest() override
    {
        std::cout.rdbuf(mOldOut);
        std::cerr.rdbuf(mOldErr);
    }
    RotatingLog::Options At(const fs::path& dir, uintmax_t limit = 1 << 20) { return {"KEFirmwareUpdate", dir, limit}; }

    const socksim::TempDir mTemp;
    const fs::path mDir = mTemp.path();
    std::stringbuf mOut, mErr;
    std::streambuf* mOldOut = std::cout.rdbuf(&mOut);
    std::streambuf* mOldErr = std::cerr.rdbuf(&mErr);
};

TEST_F(RotatingLogTest, LinesReachTheStreamsUnchangedAndTheFileStampedAndALaterRunAppends)
{
    const fs::path dir = mDir / "state" / "kefirmwareupdate";
    {
        RotatingLog log(At(dir));
        EXPECT_EQ(log.Path(), (dir / "KEFirmwareUpdate.log").string());
        std::cout << "Ctor KeFirmwareUpdate\n";
        std::cerr << "Device not ready - Could not prepare device for update.\n\r";
        std::cout << "Open " << 'K' << "e" << '\n';
        std::cout << "\n";
    }
    EXPECT_EQ(mOut.str(), "Ctor KeFirmwareUpdate\nOpen Ke\n\n");
    EXPECT_EQ(mErr.str(), "Device not ready - Could not prepare device for update.\n\r");
    std::vector<std::string> texts = {"Ctor KeFirmwareUpdate",
                                      "Device not ready - Could not prepare device for update.", "Open Ke", ""};
    EXPECT_EQ(Texts(dir / "KEFirmwareUpdate.log"), texts);
    for (const fs::path& path : {mDir / "state", dir, dir / "KEFirmwareUpdate.log"})
        EXPECT_EQ(static_cast<int>(fs::status(path).permissions()), fs::is_directory(path) ? 0700 : 0600) << path;

    // A later run appends, and keeps an unfinished last line when the streams get their buffers back.
    {
        RotatingLog log(At(dir));
        std::cout << "last words";
    }
    EXPECT_TRUE(std::cout.rdbuf() == &mOut && std::cerr.rdbuf() == &mErr) << "the streams have their buffers back";
    EXPECT_EQ(mOut.str(), "Ctor KeFirmwareUpdate\nOpen Ke\n\nlast words");
    std::cout << "after\n";
    texts.push_back("last words");
    EXPECT_EQ(Texts(dir / "KEFirmwareUpdate.log"), texts);
}

// The command line keeps the lines off the terminal, or puts them all on standard error when standard output carries
// JSON; with no file they are dropped, never shown.
TEST_F(RotatingLogTest, EchoSendsTheLinesOnlyWhereAsked)
{
    using Echo = RotatingLog::Echo;
    std::ofstream(mDir / "plain") << "x";
    for (const bool withFile : {true, false}) {
        for (const Echo echo : {Echo::kNone, Echo::kStandardError}) {
            mOut.str("");
            mErr.str("");
            const fs::path dir = withFile ? mDir / "cli" : mDir / "plain" / "under-a-file";
            {
                RotatingLog log({"cli", dir.string(), 1024 * 1024, echo});
                EXPECT_EQ(log.Active(), withFile);
                std::cout << "Open Ke\n";
                std::cerr << "Test CERR\n";
            }
            EXPECT_EQ(mOut.str(), "");
            EXPECT_EQ(mErr.str(), echo == Echo::kNone ? "" : "Open Ke\nTest CERR\n");
        }
    }
    EXPECT_THAT(Texts(mDir / "cli" / "cli.log"), ElementsAre("Open Ke", "Test CERR", "Open Ke", "Test CERR"));
}

// std::cerr flushes after every piece; the worker thread's pieces must not come between the window's.
TEST_F(RotatingLogTest, AnUnfinishedLineWaitsForItsEndEvenWhenFlushed)
{
    RotatingLog log(At(mDir));
    std::cerr << "Download failed: " << std::flush;
    std::cout << "Erasing..." << std::flush;
    EXPECT_TRUE(mErr.str().empty() && mOut.str().empty() && Lines(log.Path()).empty());
    std::cout << " done" << std::endl;
    std::cerr << "status 3\n";
    EXPECT_EQ(mOut.str(), "Erasing... done\n");
    EXPECT_EQ(mErr.str(), "Download failed: status 3\n");
    // One longer than the file takes goes there in pieces.
    const std::string longLine(kelog::TeeBuffer::kMaxLine + 10, 'x');
    std::cout << longLine << '\n';
    EXPECT_EQ(mOut.str(), "Erasing... done\n" + longLine + "\n");
    EXPECT_THAT(Texts(log.Path()), ElementsAre("Erasing... done", "Download failed: status 3",
                                               std::string(kelog::TeeBuffer::kMaxLine, 'x'), std::string(10, 'x')));
}

TEST_F(RotatingLogTest, RotatesAtTheLimitKeepingOnePreviousFile)
{
    // Each stamped line is 29 + 1 + 8 + 1 = 39 bytes: 200 bytes hold five.
    {
        RotatingLog log(At(mDir, 200));
        for (int i = 0; i < 12; ++i) std::cout << "line " << (100 + i) << "\n";
    }
    EXPECT_THAT(Texts(mDir / "KEFirmwareUpdate.log.1"),
                ElementsAre("line 105", "line 106", "line 107", "line 108", "line 109"));
    EXPECT_THAT(Texts(mDir / "KEFirmwareUpdate.log"), ElementsAre("line 110", "line 111"));
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()), 2);

    // A file already at the limit is moved aside at the start.
    std::ofstream(mDir / "KEFirmwareUpdate.log", std::ios::trunc) << std::string(199, 'o') << '\n';
    {
        RotatingLog log(At(mDir, 200));
        std::cout << "fresh\n";
    }
    EXPECT_EQ(fs::file_size(mDir / "KEFirmwareUpdate.log.1"), 200u);
    EXPECT_THAT(Texts(mDir / "KEFirmwareUpdate.log"), ElementsAre("fresh"));
}

// Another instance of the program shares the file: once it has moved the file aside, this one must not move that
// instance's new file over the old one, where the lines of both runs are.
TEST_F(RotatingLogTest, DoesNotMoveAnotherInstancesNewFileOverThePreviousOne)
{
    const fs::path current = mDir / "KEFirmwareUpdate.log";
    const fs::path previous = mDir / "KEFirmwareUpdate.log.1";
    RotatingLog log(At(mDir, 200));
    std::cout << "mine before\n";
    fs::rename(current, previous);
    std::ofstream(current) << "other instance\n";
    // 42 + 171 bytes are past the limit; the other instance's 15 + 171 are not.
    std::cout << std::string(140, 'y') << "\n";
    EXPECT_THAT(Texts(previous), ElementsAre("mine before"));
    EXPECT_THAT(Lines(current), ElementsAre("other instance", ::testing::HasSubstr(" " + std::string(140, 'y'))));
}

TEST_F(RotatingLogTest, WithoutAFileTheStreamsAreLeftAlone)
{
    const fs::path aFile = mDir / "plain";
    std::ofstream(aFile) << "x";
    fs::create_symlink(mDir / "elsewhere.log", mDir / "KEFirmwareUpdate.log");
    ASSERT_EQ(mkfifo((mDir / "fifo.log").c_str(), 0600), 0);
    // Another user's file, and another user's folder (only root can make them).
    std::ofstream(mDir / "theirs.log") << "x";
    fs::create_directory(mDir / "their-folder");
    fs::create_directory_symlink(mDir / "their-folder", mDir / "link-to-folder");
    const bool asRoot = chown((mDir / "theirs.log").c_str(), 4242, 4242) == 0 &&
                        chown((mDir / "their-folder").c_str(), 4242, 4242) == 0;

    std::vector<RotatingLog::Options> unusable = {
        At(aFile / "state"),                 // a folder under a file
        {"../escape", mDir.string(), 1024},  // a name that is a path
        {"", mDir.string(), 1024},           // no name
        At(mDir),                            // a symbolic link where the file goes
        {"fifo", mDir.string(), 1024},       // not a regular file: must not block
        {"KEFirmwareUpdate", std::string("relative/dir"), 1024},
        At(mDir / "link-to-folder"),  // a folder reached through a link
    };
    if (asRoot) {
        unusable.push_back({"theirs", mDir.string(), 1024});
        unusable.push_back(At(mDir / "their-folder"));
    }
    for (const RotatingLog::Options& options : unusable) {
        RotatingLog log(options);
        EXPECT_FALSE(log.Active()) << options.name << " in " << options.directory.value_or("");
        EXPECT_EQ(log.Path(), "");
        EXPECT_TRUE(std::cout.rdbuf() == &mOut && std::cerr.rdbuf() == &mErr);
    }
    EXPECT_FALSE(fs::exists(mDir / "elsewhere.log") || fs::exists(mDir.parent_path() / "escape.log"));
    EXPECT_EQ(fs::file_size(mDir / "theirs.log"), 1u);
}

TEST(RotatingLogDirectory, FollowsTheStateHomeOrTheHomeFolder)
{
    auto directory = [](std::map<std::string, std::string> env) {
        return kelog::DefaultLogDirectory([env](const char* name) -> std::optional<std::string> {
            const auto found = env.find(name);
            return found == env.end() ? std::nullopt : std::optional<std::string>(found->second);
        });
    };
    EXPECT_EQ(directory({{"XDG_STATE_HOME", "/s"}, {"HOME", "/h"}}), "/s/kefirmwareupdate");
    EXPECT_EQ(directory({{"XDG_STATE_HOME", "rel"}, {"HOME", "/h"}}), "/h/.local/state/kefirmwareupdate");
    EXPECT_EQ(directory({{"XDG_STATE_HOME", ""}, {"HOME", "/h"}}), "/h/.local/state/kefirmwareupdate");
    EXPECT_EQ(directory({{"HOME", "relative"}}), std::nullopt);
    // Without HOME, the password database's home folder.
    const std::string tail = "/.local/state/kefirmwareupdate";
    EXPECT_THAT(directory({}).value_or(tail), ::testing::EndsWith(tail));
}

TEST(RotatingLogTimestamp, IsIso8601LocalTimeWithMilliseconds)
{
    using namespace std::chrono;
    const char* oldTz = std::getenv("TZ");
    const std::optional<std::string> saved = oldTz ? std::optional<std::string>(oldTz) : std::nullopt;
    auto at = [](const char* tz, milliseconds ms) {
        setenv("TZ", tz, 1);
        tzset();
        return kelog::FormatTimestamp(system_clock::time_point(ms));
    };
    EXPECT_EQ(at("UTC0", 1500ms), "1970-01-01T00:00:01.500+00:00");
    EXPECT_EQ(at("UTC0", -1ms), "1969-12-31T23:59:59.999+00:00");
    // 5 h 30 min east of UTC
    EXPECT_EQ(at("XST-5:30", milliseconds(1714566896007)), "2024-05-01T18:04:56.007+05:30");
    saved ? setenv("TZ", saved->c_str(), 1) : unsetenv("TZ");
    tzset();
}

}  // namespace
