// SPDX-License-Identifier: MIT
// The worker thread and the window both write trace lines: lines written piece by piece from two threads at once must
// stay whole, in the file and on the stream, and none may be lost.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <latch>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "platform/log/RotatingLog.h"
#include "tests/support/SocketSim.h"

namespace {

constexpr int kLinesPerThread = 2000;

// Writes "<who> line <i> of <n> end" in several pieces per line, giving the
// other writers a chance to come in between the pieces.
void WriteLines(std::ostream& stream, const std::string& who, std::latch& start)
{
    start.arrive_and_wait();
    for (int i = 0; i < kLinesPerThread; ++i) {
        stream << who << " line " << i;
        std::this_thread::yield();
        stream << " of " << kLinesPerThread << " end";
        if (i % 7 == 0) stream << std::flush;
        stream << '\n';
    }
}

// Every line must be whole and each writer's lines complete and in order;
// `stamped` lines start with a timestamp and a space.
void ExpectWholeLines(std::istream&& lines, bool stamped)
{
    std::map<std::string, int> next;
    for (std::string line; std::getline(lines, line);) {
        if (stamped) line.erase(0, line.find(' ') + 1);
        const std::string who = line.substr(0, line.find(' '));
        ASSERT_EQ(line, who + " line " + std::to_string(next[who]++) + " of 2000 end");
    }
    for (const char* who : {"out", "err", "main"}) EXPECT_EQ(next[who], kLinesPerThread) << who;
}

TEST(RotatingLogThreaded, ConcurrentWritersProduceWholeLines)
{
    const socksim::TempDir dir;

    std::stringbuf out, err;
    std::streambuf* oldOut = std::cout.rdbuf(&out);
    std::streambuf* oldErr = std::cerr.rdbuf(&err);
    std::string path;
    {
        kelog::RotatingLog log({"threads", dir.path(), 64 * 1024 * 1024});
        ASSERT_TRUE(log.Active());
        path = log.Path();
        std::latch start(3);
        std::jthread worker([&start] { WriteLines(std::cout, "out", start); });
        std::jthread failures([&start] { WriteLines(std::cerr, "err", start); });
        WriteLines(std::cout, "main", start);
    }
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);

    ExpectWholeLines(std::istringstream(out.str() + err.str()), false);
    ExpectWholeLines(std::ifstream(path), true);
}

}  // namespace
