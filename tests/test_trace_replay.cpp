// SPDX-License-Identifier: MIT
// Traces of the transactions with a unit, and a unit served from one.
#include <gtest/gtest.h>
#include <linux/firewire-constants.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/firewire/TraceUnitLink.h"
#include "sim/KeUnitModel.h"
#include "sim/TraceReplay.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/SimUnitTransport.h"
#include "tests/support/SocketSim.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

using Outcome = std::pair<IOReturn, Bytes>;

// The same few requests, whatever the unit: identity reads, update mode, a
// block, a read of a register that is not there.
std::vector<Outcome> Converse(fwplat::UnitLink& link, const std::function<void()>& between = {})
{
    std::vector<Outcome> outcomes;
    auto transact = [&](int tcode, UInt64 offset, Bytes data) {
        UInt32 length = static_cast<UInt32>(data.size());
        const IOReturn status = link.Transact(tcode, offset, data.data(), length, false, 0);
        data.resize(length);
        outcomes.push_back({status, data});
    };
    transact(TCODE_READ_QUADLET_REQUEST, kesim::kSoftwareVersionReg, Bytes(4));
    transact(TCODE_READ_BLOCK_REQUEST, kesim::kSerialNumberReg, Bytes(8));
    if (between) between();
    transact(TCODE_WRITE_QUADLET_REQUEST, kesim::kUpdateControlReg, {0, 0, 0, 1});
    transact(TCODE_WRITE_BLOCK_REQUEST, kesim::kUpdateDataReg, Bytes(8, 0xAB));
    transact(TCODE_READ_QUADLET_REQUEST, kesim::kRegisterBase + 0x40, Bytes(4));
    return outcomes;
}

TEST(Trace, RecordsWhatWentOverTheBusAndReplaysIt)
{
    const socksim::TempDir dir;
    const std::string path = dir / "trace.jsonl";
    auto model = std::make_shared<kesim::KeUnitModel>(kesim::KeUnitConfig{.serialNumber = "KETRACE1"});
    std::string error;
    auto writer = fwplat::TraceWriter::Create(path, "a \"test\"", "9.9", "21-26", error);
    ASSERT_TRUE(writer) << error;
    auto transports = fwplat::TracedTransports({std::make_shared<fwplat::SimUnitTransport>(model)}, writer);
    auto units = transports[0]->Scan();
    ASSERT_EQ(units.size(), 1u);
    auto link = units[0].connect();
    ASSERT_EQ(link->Open(), kIOReturnSuccess);
    UInt32 word = 0, length = 4;
    link->Close();
    EXPECT_EQ(link->Transact(TCODE_READ_QUADLET_REQUEST, kesim::kStatusReg, &word, length, false, 0),
              kIOReturnNotOpen);  // never on the bus: not in the trace
    ASSERT_EQ(link->Open(), kIOReturnSuccess);
    const auto recorded = Converse(*link, [&] { model->BusReset(); });
    link.reset();
    writer.reset();

    const std::string text = childproc::Slurp(path);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              R"({"trace":"kefirmwareupdate","format":1,"program":"a \"test\"","version":"9.9","firmware":"21-26"})");
    for (const char* part :
         {R"("op":"read-block","address":"0xfffff0430220","length":8,"sent":"","status":"0x00000000","rcode":0,)"
          R"("received":"4b45545241434531","generation":1})",
          R"("event":"bus-reset","generation":2})",
          R"("sent":"abababababababab","status":"0xe0008014","rcode":4,"received":"","generation":2})"})
        EXPECT_NE(text.find(part), std::string::npos) << part << '\n' << text;

    kesim::Trace trace;
    ASSERT_TRUE(kesim::LoadTrace(path, trace, error)) << error;
    std::vector<std::string> said;
    const auto replay = [&] {
        said.clear();
        auto link = fwplat::SimUnitTransport::Connect(
            std::make_shared<kesim::ReplayPort>(trace, 1, [&](const std::string& line) { said.push_back(line); }));
        EXPECT_EQ(link->Open(), kIOReturnSuccess);
        return link;
    };
    auto again = replay();
    EXPECT_EQ(Converse(*again), recorded);
    EXPECT_EQ(said, std::vector<std::string>{"all 5 requests of the trace answered"});

    // A departure is named by its first difference, and everything after it fails.
    again = replay();
    length = 4;
    EXPECT_EQ(again->Transact(TCODE_READ_QUADLET_REQUEST, kesim::kProductVersionReg, &word, length, false, 0),
              kIOFireWireAddressError);
    EXPECT_EQ(said, std::vector<std::string>{"request 1 differs from the trace (line 2): the address is "
                                             "0xfffff0430008, the trace has 0xfffff0430004"});
    EXPECT_EQ(Converse(*again)[0].first, kIOFireWireAddressError);

    // Not a transaction as the trace writes one: lower-case hex, "0x" numbers within their width, whole bytes.
    const auto line = nlohmann::json::parse(
        R"({"op":"read-quadlet","address":"0xfffff0430004","length":4,"sent":"","status":"0x0","received":"0014"})");
    for (const char* edit : {R"({})", R"({"op":"read"})", R"({"address":"0xFFFFF0430004"})",
                             R"({"address":"0x1fffff0430004"})", R"({"address":"fffff0430004"})",
                             R"({"status":"0x100000000"})", R"({"status":"0x"})", R"({"status":"0x00000000000000000"})",
                             R"({"received":"0A14"})", R"({"received":"014"})", R"({"received":"0x14"})"}) {
        nlohmann::json changed = line;
        changed.merge_patch(nlohmann::json::parse(edit));
        std::ofstream(dir / "bad") << "{\"trace\":\"kefirmwareupdate\",\"format\":1}\n" << changed << "\n";
        EXPECT_EQ(kesim::LoadTrace(dir / "bad", trace, error), changed == line) << edit;
        EXPECT_TRUE(changed == line || error.find("bad:2: not a transaction") != std::string::npos) << error;
    }
    EXPECT_FALSE(kesim::LoadTrace(dir.path(), trace, error));
}

}  // namespace
