// SPDX-License-Identifier: MIT
// The update history: one whole JSON line per attempt, a damaged line skipped
// with a warning, and only this user's regular file written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "macapps/KEFirmwareUpdate/PrintableBytes.h"
#include "macapps/KEFirmwareUpdate/UpdateHistory.h"
#include "tests/support/SocketSim.h"

namespace {

kehistory::Attempt FailedFpga()
{
    kehistory::Attempt attempt;
    attempt.program = "KEFirmwareUpdate";
    attempt.serialNumber = "KE000042";
    attempt.installedVersion = "20-25";
    attempt.carriedVersion = "21-26";
    attempt.result = {APW::PTA::UpdateOutcome::kDownloadFailed, fileXILINX, -536838123, "", FlashStep::kErase};
    return attempt;
}

}  // namespace

TEST(UpdateHistory, RecordsEveryFieldAndNullWhereItDoesNotApply)
{
    auto failed = kehistory::ToJson(FailedFpga());
    failed["start"] = failed["end"] = "t";  // local stamps, made and checked as the log's
    EXPECT_EQ(failed.dump(),
              R"({"start":"t","end":"t","program":"KEFirmwareUpdate","guid":null,"serial_number":"KE000042",)"
              R"("installed_version":"20-25","carried_version":"21-26","result":"update-failed",)"
              R"("failed_image":"fpga","failed_step":"erase","status_code":-536838123,"unit_left_as_found":null})");

    kehistory::Attempt noUnit;
    noUnit.result = {APW::PTA::UpdateOutcome::kUnitNotFound, fileXILINX, -536870160, ""};
    auto missing = kehistory::ToJson(noUnit);
    missing["start"] = missing["end"] = "t";
    EXPECT_EQ(missing.dump(), R"({"start":"t","end":"t","program":"","guid":null,"serial_number":null,)"
                              R"("installed_version":null,"carried_version":"","result":"no-unit","failed_image":null,)"
                              R"("failed_step":null,"status_code":-536870160,"unit_left_as_found":true})");
}

TEST(UpdateHistory, AppendsWholeLinesAndSkipsADamagedOne)
{
    const socksim::TempDir dir;
    const std::string path = dir / "state/kefirmwareupdate/history.jsonl";
    ASSERT_TRUE(kehistory::Append(path, kehistory::ToJson(FailedFpga())));
    std::ofstream(path, std::ios::app) << "{\"start\": \"cut short";  // by a crash
    ASSERT_TRUE(kehistory::Append(path, kehistory::ToJson(kehistory::Attempt{})));
    std::ofstream(path, std::ios::app)
        << R"({"serial_number":42,"status_code":-1,"start":"2099-01-01T00:00:00.000+00:00","added":1})" << '\n';
    ASSERT_EQ(::mkfifo((dir / "fifo.jsonl").c_str(), 0600), 0);

    std::vector<std::string> warnings;
    const auto warn = [&](const std::string& w) { warnings.push_back(w); };
    const auto records = kehistory::Read(path, warn);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["serial_number"], "KE000042");
    EXPECT_EQ(records[1]["result"], "unknown");
    EXPECT_EQ(records[2].size(), records[1].size()) << "the keys of a record, no others";
    EXPECT_TRUE(records[2]["serial_number"].is_null());
    EXPECT_EQ(records[2]["status_code"], -1);
    EXPECT_TRUE(kehistory::Read(dir / "fifo.jsonl", warn).empty()) << "and it does not wait for a writer";
    EXPECT_THAT(warnings,
                testing::ElementsAre("line 2 is damaged, skipped", "line 4: serial_number is not text, dropped",
                                     "not read: it is not a regular file"));
    EXPECT_TRUE(kehistory::Read(dir / "none.jsonl", [](const std::string&) { FAIL(); }).empty());

    // Another file planted in its place is left alone.
    const std::string planted = dir / "planted.jsonl";
    std::filesystem::create_symlink(dir / "victim", planted);
    EXPECT_FALSE(kehistory::Append(planted, kehistory::ToJson(FailedFpga())));
    EXPECT_FALSE(std::filesystem::exists(dir / "victim"));
}

TEST(UpdateHistory, ListsRecordsByTheirStart)
{
    const socksim::TempDir dir;
    const std::string path = dir / "history.jsonl";
    // Appended as the updates ended: the second started first, in a zone an hour east of the first's.
    for (const char* start : {"2024-03-31T01:45:00.000+01:00", "2024-03-31T02:30:00.000+02:00", "x"})
        std::ofstream(path, std::ios::app) << R"({"start":")" << start << "\"}\n";
    std::vector<std::string> starts;
    for (const auto& record : kehistory::Read(path, [](const std::string&) {})) starts.push_back(record["start"]);
    EXPECT_THAT(starts, testing::ElementsAre("x", "2024-03-31T02:30:00.000+02:00", "2024-03-31T01:45:00.000+01:00"));
}

// Every byte a unit sends has one printable form, and different bytes never look alike.
TEST(PrintableBytes, OneFormPerByteString)
{
    for (const auto& [bytes, printable] : {std::pair<std::string, std::string>{"KE000042", "KE000042"},
                                           {"KE\xff"
                                            "0001",
                                            "KE\\xFF0001"},
                                           {"KE\\xFF0001", "KE\\\\xFF0001"},
                                           {std::string("\0\x1b\x7f\x80 ~", 6), "\\x00\\x1B\\x7F\\x80 ~"}})
        EXPECT_EQ(PrintableBytes(bytes), printable);
    APW::PTA::KeInfo info;
    info.MCOREver = 21;
    info.serialNum =
        "KE\xfe"
        "0001";
    EXPECT_EQ(APW::PTA::SerialNumberText(info), "KE\\xFE0001") << "what the window and the command line show";
}
