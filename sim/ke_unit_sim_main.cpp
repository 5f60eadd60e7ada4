// SPDX-License-Identifier: MIT
// ke-unit-sim: one simulated Ke unit, plugged in for as long as the program
// runs, served on a Unix domain socket where the utility finds it like a
// unit on the bus. sim/README.md describes the options and the protocol.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <linux/firewire-constants.h>

#include <CLI/CLI.hpp>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/KeUnitModel.h"
#include "sim/SimWireProtocol.h"
#include "sim/SocketServer.h"
#include "sim/StateFile.h"
#include "sim/TraceReplay.h"

namespace {

using kesim::FlashDevice;
using kesim::KeUnitConfig;

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

struct Options {
    KeUnitConfig config;
    std::string socketName = kesim::wire::kDefaultSocketName;
    std::string stateFile;
    std::string recordDir;
    std::string logFile;
    std::string replayFile;
    bool help = false;
    bool version = false;
    // Identity given on the command line; otherwise it comes from the state
    // file, so that a restart is the same unit.
    bool serialGiven = false;
    bool versionsGiven = false;
    bool productVersionGiven = false;
    bool guidGiven = false;
};

// Decimal, or hexadecimal after 0x; at most 16 digits, nothing beyond `max`.
bool ParseNumber(std::string_view text, std::uint64_t max, std::uint64_t& value)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) text.remove_prefix(2);
    if (text.empty() || text.size() > 16) return false;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, hex ? 16 : 10);
    return error == std::errc() && stop == end && value <= max;
}

constexpr const char* kUnitGroup = "The unit";
constexpr const char* kFilesGroup = "Files and names";
constexpr const char* kFaultGroup = "Faults";
constexpr const char* kOtherGroup = "Other";

struct OptionRow {
    const char* name;
    const char* argument;  // null: a flag
    const char* group;
    const char* help;
    // Applies the value; false when it is not acceptable.
    std::function<bool(const std::string&, Options&)> apply;
};

// An option taking a number in [min, max], stored by `store`.
OptionRow Number(const char* name, const char* argument, const char* group, const char* help, std::uint64_t min,
                 std::uint64_t max, std::function<void(std::uint64_t, Options&)> store)
{
    return {name, argument, group, help, [=](const std::string& text, Options& o) {
                std::uint64_t value = 0;
                if (!ParseNumber(text, max, value) || value < min) return false;
                store(value, o);
                return true;
            }};
}

OptionRow Flag(const char* name, const char* group, const char* help, std::function<void(Options&)> set)
{
    return {name, nullptr, group, help, [=](const std::string&, Options& o) {
                set(o);
                return true;
            }};
}

OptionRow Text(const char* name, const char* argument, const char* group, const char* help,
               std::function<bool(const std::string&, Options&)> set)
{
    return {name, argument, group, help, std::move(set)};
}

// Every option of the program, in the order --help, sim/README.md and the
// manual page list them.
const std::vector<OptionRow>& OptionRows()
{
    using std::chrono::microseconds;
    using std::chrono::milliseconds;
    constexpr std::uint64_t k32 = 0xFFFFFFFFu;
    constexpr std::uint64_t k16 = 0xFFFFu;
    static const std::vector<OptionRow> rows = {
        Text("--serial", "TEXT", kUnitGroup, "serial number (the unit shows the first 8 bytes)",
             [](const std::string& v, Options& o) {
                 o.config.serialNumber = v;
                 o.serialGiven = true;
                 return true;
             }),
        Text("--versions", "M-X", kUnitGroup, "M·CORE and Xilinx versions it runs, in decimal (e.g. 20-20)",
             [](const std::string& v, Options& o) {
                 const auto dash = v.find('-');
                 std::uint64_t mcore = 0;
                 std::uint64_t xilinx = 0;
                 if (dash == std::string::npos || !ParseNumber(std::string_view(v).substr(0, dash), k16, mcore) ||
                     !ParseNumber(std::string_view(v).substr(dash + 1), k16, xilinx) ||
                     v.find_first_of("xX") != std::string::npos)
                     return false;
                 o.config.softwareVersion = static_cast<std::uint32_t>((mcore << 16) | xilinx);
                 o.versionsGiven = true;
                 return true;
             }),
        Number("--product-version", "WORD", kUnitGroup, "product version word (revision in bits 31-16)", 0, k32,
               [](std::uint64_t v, Options& o) {
                   o.config.productVersion = static_cast<std::uint32_t>(v);
                   o.productVersionGiven = true;
               }),
        Text("--guid", "HEX", kUnitGroup, "the node's 64-bit GUID (0x000a27 and 40 bits from the socket name)",
             [](const std::string& v, Options& o) {
                 const bool prefixed = v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X');
                 std::uint64_t guid = 0;
                 if (!ParseNumber(prefixed ? v : "0x" + v, ~std::uint64_t{0}, guid)) return false;
                 o.config.guid = guid;
                 o.guidGiven = true;
                 return true;
             }),
        Number("--specifier-id", "WORD", kUnitGroup, "unit directory specifier ID (0xA27)", 0, 0xFFFFFF,
               [](std::uint64_t v, Options& o) { o.config.specifierId = static_cast<std::uint32_t>(v); }),
        Number("--unit-sw-version", "WORD", kUnitGroup, "unit directory software version (0x11)", 0, 0xFFFFFF,
               [](std::uint64_t v, Options& o) { o.config.unitSwVersion = static_cast<std::uint32_t>(v); }),
        Number("--mcore-version-after", "N", kUnitGroup, "M·CORE version once its image is accepted (21)", 0, k16,
               [](std::uint64_t v, Options& o) { o.config.mcoreVersionAfterUpdate = static_cast<std::uint16_t>(v); }),
        Number("--xilinx-version-after", "N", kUnitGroup, "Xilinx version once its image is accepted (26)", 0, k16,
               [](std::uint64_t v, Options& o) { o.config.xilinxVersionAfterUpdate = static_cast<std::uint16_t>(v); }),
        Number("--erase-ms", "N", kUnitGroup, "an erase lasts at least N ms (0)", 0, 3600000,
               [](std::uint64_t v, Options& o) { o.config.eraseTime = milliseconds(v); }),
        Number("--erase-busy-reads", "N", kUnitGroup, "status reads that answer busy during an erase (2)", 0, k32,
               [](std::uint64_t v, Options& o) { o.config.eraseBusyReads = static_cast<std::uint32_t>(v); }),
        Number("--latency-us", "N", kUnitGroup, "every transaction takes N us (0)", 0, 10000000,
               [](std::uint64_t v, Options& o) { o.config.latency = microseconds(v); }),
        Text("--state", "FILE", kFilesGroup, "keep the unit (identity, flash, versions) in FILE across restarts",
             [](const std::string& v, Options& o) {
                 o.stateFile = v;
                 return !v.empty();
             }),
        Text("--record", "DIR", kFilesGroup, "write each stream received to DIR/xilinx.bin and DIR/mcore.bin",
             [](const std::string& v, Options& o) {
                 o.recordDir = v;
                 return !v.empty();
             }),
        Text("--log", "FILE", kFilesGroup, "append one line per client request to FILE",
             [](const std::string& v, Options& o) {
                 o.logFile = v;
                 return !v.empty();
             }),
        Text("--replay", "FILE", kFilesGroup,
             "serve the unit recorded in a trace (kefirmwareupdate-cli --trace): each request that matches "
             "the next one recorded gets its answer",
             [](const std::string& v, Options& o) {
                 o.replayFile = v;
                 return !v.empty();
             }),
        Text("--socket", "NAME", kFilesGroup, "serve on <runtime dir>/NAME.sock (ke-unit)",
             [](const std::string& v, Options& o) {
                 o.socketName = v;
                 return kesim::wire::ValidSocketName(v);
             }),
        Number("--ready-status", "V", kFaultGroup, "status in update mode before the erase (1)", 0, k32,
               [](std::uint64_t v, Options& o) { o.config.readyStatus = static_cast<std::uint32_t>(v); }),
        Number("--erase-status", "V", kFaultGroup, "status when the erase ends (1)", 0, k32,
               [](std::uint64_t v, Options& o) { o.config.eraseResult = static_cast<std::uint32_t>(v); }),
        Flag("--erase-never-finishes", kFaultGroup, "the status stays busy after the erase command",
             [](Options& o) { o.config.eraseNeverFinishes = true; }),
        Number("--fail-block", "N", kFaultGroup, "data block N is refused", 1, k32,
               [](std::uint64_t v, Options& o) { o.config.failBlock = static_cast<std::uint32_t>(v); }),
        Flag("--refuse-crc", kFaultGroup, "every CRC is refused", [](Options& o) { o.config.refuseCrc = true; }),
        Number("--vanish-after-block", "N", kFaultGroup, "the unit leaves the bus after block N and the program ends",
               1, k32, [](std::uint64_t v, Options& o) { o.config.vanishAfterBlock = static_cast<std::uint32_t>(v); }),
        Number("--bus-reset-after-block", "N", kFaultGroup, "a bus reset follows block N", 1, k32,
               [](std::uint64_t v, Options& o) { o.config.busResetAfterBlock = static_cast<std::uint32_t>(v); }),
        Number("--reset-settle-ms", "N", kFaultGroup,
               "after a bus reset, requests fail (RCODE_GENERATION) for N ms, the old generation still shown (0)", 0,
               60000, [](std::uint64_t v, Options& o) { o.config.resetSettle = milliseconds(v); }),
        Text("--fail-read", "OFFSET[:RCODE]", kFaultGroup,
             "reads of that register (address, or offset from 0xfffff0430000) get RCODE (5, data error)",
             [](const std::string& v, Options& o) {
                 const std::string_view text = v;
                 const auto colon = text.find(':');
                 std::uint64_t offset = 0;
                 std::uint64_t rcode = RCODE_DATA_ERROR;
                 if (!ParseNumber(text.substr(0, colon), 0xFFFFFFFFFFFF, offset) ||
                     (colon != std::string::npos &&
                      (!ParseNumber(text.substr(colon + 1), RCODE_NO_ACK, rcode) || rcode == RCODE_COMPLETE)))
                     return false;
                 o.config.failReadOffset = offset < 0x1000 ? kesim::kRegisterBase + offset : offset;
                 o.config.failReadRcode = static_cast<int>(rcode);
                 return true;
             }),
        Text("--fault-flash", "xilinx|mcore", kFaultGroup, "the transfer faults hit only this flash (both)",
             [](const std::string& v, Options& o) {
                 if (v != "xilinx" && v != "mcore") return false;
                 o.config.faultFlash = v == "xilinx" ? FlashDevice::Xilinx : FlashDevice::Mcore;
                 return true;
             }),
        Number("--cancel-busy-reads", "N", kFaultGroup, "update control keeps bit 0 for N reads after a cancel", 0, k32,
               [](std::uint64_t v, Options& o) { o.config.cancelBusyReads = static_cast<std::uint32_t>(v); }),
        Flag("--cancel-never-finishes", kFaultGroup, "update control keeps bit 0 after a cancel",
             [](Options& o) { o.config.cancelNeverFinishes = true; }),
        Number("--serial-read-limit", "N", kFaultGroup, "a serial number read returns at most N bytes (8)", 0,
               kesim::kSerialNumberSize,
               [](std::uint64_t v, Options& o) { o.config.serialReadLimit = static_cast<std::uint32_t>(v); }),
        Flag("--version", kOtherGroup, "print the version and exit", [](Options& o) { o.version = true; }),
        Flag("--help", kOtherGroup, "show this text and exit", [](Options& o) { o.help = true; }),
    };
    return rows;
}

const OptionRow* FindRow(std::string_view name)
{
    for (const OptionRow& row : OptionRows()) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

// CLI11 would take --flag=VALUE as a value for the flag; a flag is given by
// its name alone. Like CLI11, takes the word after an option as its value,
// whatever it looks like.
std::optional<std::string> FlagWithValue(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        const auto eq = arg.find('=');
        const OptionRow* row = FindRow(arg.substr(0, eq));
        if (row == nullptr) continue;
        if (row->argument == nullptr && eq != std::string_view::npos) return std::string(row->name) + " takes no value";
        if (row->argument != nullptr && eq == std::string_view::npos) ++i;
    }
    return std::nullopt;
}

// The parser, built from the table above, and the text of --help.
class OptionParser {
public:
    explicit OptionParser(Options& options)
    {
        // --help is an option like the others: a bad one next to it is
        // still refused.
        mApp.set_help_flag();
        mApp.footer(
            "The socket is $XDG_RUNTIME_DIR/kefirmwareupdate/NAME.sock, or\n"
            "/tmp/kefirmwareupdate-<uid>/NAME.sock without XDG_RUNTIME_DIR.\n"
            "Numbers are decimal or 0x hexadecimal; a later option overrides an earlier one.");
        mApp.get_formatter()->column_width(32);
        // Every value given is checked; the last one applies.
        mApp.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        for (const OptionRow& row : OptionRows()) {
            if (row.argument == nullptr) {
                mApp.add_flag_callback(
                        row.name, [&row, &options] { row.apply({}, options); }, row.help)
                    ->group(row.group);
                continue;
            }
            const CLI::Validator check(
                [&row](std::string& value) {
                    Options scratch;
                    if (row.apply(value, scratch)) return std::string();
                    return "invalid value '" + value + "' (" + row.argument + ")";
                },
                "");
            mApp.add_option_function<std::string>(
                    row.name, [&row, &options](const std::string& value) { row.apply(value, options); }, row.help)
                ->option_text(row.argument)
                ->group(row.group)
                ->check(check);
        }
    }

    // False, with the reason, for a command line the program cannot take.
    bool Parse(int argc, char** argv, std::string& error)
    {
        if (const std::optional<std::string> refused = FlagWithValue(argc, argv)) {
            error = *refused;
            return false;
        }
        try {
            mApp.parse(argc, argv);
        } catch (const CLI::ParseError& e) {
            error = e.what();
            return false;
        }
        return true;
    }

    std::string Help() const { return mApp.help(); }

private:
    CLI::App mApp{"Plugs in one simulated Ke unit for as long as it runs; SIGINT, SIGTERM or SIGHUP unplugs it.",
                  "ke-unit-sim"};
};

// Keeps the state file, the recorded streams and the request log in step
// with what the unit does. Observe runs on the server thread; Finish on the
// main thread once the server has stopped.
class UnitKeeper {
public:
    // `model` is null while a trace is replayed: then only the log is kept.
    UnitKeeper(kesim::KeUnitModel* model, const Options& options, kesim::UnitState state)
        : mModel(model), mOptions(options), mState(std::move(state))
    {
    }

    ~UnitKeeper()
    {
        if (mLog) std::fclose(mLog);
    }

    bool OpenLog(std::string& error)
    {
        if (mOptions.logFile.empty()) return true;
        mLog = std::fopen(mOptions.logFile.c_str(), "ae");
        if (!mLog) error = mOptions.logFile + ": " + std::strerror(errno);
        return mLog != nullptr;
    }

    // Only once the socket name is ours: another instance refused on it must
    // not write over the state of the one that runs.
    bool SaveState(std::string& error)
    {
        std::lock_guard lock(mMutex);
        return Write(error);
    }

    void Observe(const kesim::ClientEvent& event)
    {
        std::lock_guard lock(mMutex);
        Log(event);
        if (!mModel || event.kind != kesim::ClientEvent::Kind::Transaction) return;
        const kesim::TransactionRecord& t = event.transaction;
        if (t.tcode != TCODE_WRITE_QUADLET_REQUEST || t.data.size() != 4) return;
        const std::uint32_t value = kesim::wire::Get32(t.data.data());
        if (t.offset == kesim::kUpdateCommandReg && t.rcode == RCODE_COMPLETE) {
            // The erase starts: the old image is gone even if nothing follows.
            mDevice = static_cast<FlashDevice>(value);
            mState[*mDevice] = {kesim::FlashCondition::Erased, 0, {}};
            mInTransfer = true;
            Save();
        } else if (t.offset == kesim::kCrcReg && mDevice &&
                   (t.rcode == RCODE_COMPLETE || t.rcode == RCODE_DATA_ERROR)) {
            const kesim::FlashState flash = mModel->Flash(*mDevice);
            mInTransfer = false;
            Record(*mDevice, flash.stream);
            if (flash.accepted) {
                const std::uint32_t word = mModel->Config().softwareVersion;
                const auto version = static_cast<std::uint16_t>(*mDevice == FlashDevice::Mcore ? word >> 16 : word);
                mState[*mDevice] = {kesim::FlashCondition::Accepted, version, flash.contents};
                Save();
            }
        }
    }

    // A transfer cut short is recorded as far as it came.
    void Finish()
    {
        std::lock_guard lock(mMutex);
        if (!mModel) return;
        if (mInTransfer && mDevice) {
            const kesim::FlashState flash = mModel->Flash(*mDevice);
            if (!flash.stream.empty()) Record(*mDevice, flash.stream);
        }
        Save();
    }

private:
    bool Write(std::string& error)
    {
        return mOptions.stateFile.empty() || kesim::SaveUnitState(mOptions.stateFile, mState, error);
    }

    void Save()
    {
        std::string error;
        if (!Write(error)) std::fprintf(stderr, "ke-unit-sim: cannot save the state: %s\n", error.c_str());
    }

    void Record(FlashDevice device, const std::vector<std::uint8_t>& stream)
    {
        if (mOptions.recordDir.empty()) return;
        const std::string path = mOptions.recordDir + (device == FlashDevice::Xilinx ? "/xilinx.bin" : "/mcore.bin");
        std::string error;
        if (!kesim::WriteFileAtomically(path, stream, error))
            std::fprintf(stderr, "ke-unit-sim: cannot record the stream: %s\n", error.c_str());
    }

    void Log(const kesim::ClientEvent& event)
    {
        if (!mLog) return;
        using Kind = kesim::ClientEvent::Kind;
        std::fprintf(mLog, "client %" PRIu64 " pid %d ", event.client, static_cast<int>(event.pid));
        switch (event.kind) {
        case Kind::Connected:
            std::fputs("connected\n", mLog);
            break;
        case Kind::Disconnected:
            std::fputs("disconnected\n", mLog);
            break;
        case Kind::Acquired:
            std::fputs("acquired\n", mLog);
            break;
        case Kind::AcquireRefused:
            std::fputs("acquire refused\n", mLog);
            break;
        case Kind::Relinquished:
            std::fputs("relinquished\n", mLog);
            break;
        case Kind::Malformed:
            std::fputs("malformed request\n", mLog);
            break;
        case Kind::Transaction: {
            const kesim::TransactionRecord& t = event.transaction;
            std::fprintf(mLog, "tcode %d offset 0x%012" PRIx64 " length %u generation %u rcode %d\n", t.tcode, t.offset,
                         t.length, t.generation, t.rcode);
            break;
        }
        }
        std::fflush(mLog);
    }

    std::mutex mMutex;
    kesim::KeUnitModel* mModel;
    const Options& mOptions;
    kesim::UnitState mState;
    std::optional<FlashDevice> mDevice;  // of the last erase command
    bool mInTransfer = false;
    std::FILE* mLog = nullptr;
};

bool PrepareRecordDir(const std::string& dir, std::string& error)
{
    if (dir.empty()) return true;
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        error = dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(dir.c_str(), W_OK) != 0) {
        error = dir + ": not a writable directory";
        return false;
    }
    return true;
}

// Stable for a socket name, and different between names, so that units run
// side by side can be told apart.
std::uint64_t DefaultGuid(const std::string& socketName)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
    for (const char c : socketName) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return (std::uint64_t{0x000A27} << 40) | (hash & 0xFFFFFFFFFFULL);
}

// Takes the identity the state file keeps where the command line gives none,
// and keeps the resulting one in the state.
void Adopt(kesim::UnitState& state, Options& options)
{
    KeUnitConfig& config = options.config;
    if (state.identity) {
        const kesim::UnitIdentity& kept = *state.identity;
        if (!options.serialGiven) config.serialNumber = kept.serialNumber;
        if (!options.productVersionGiven) config.productVersion = kept.productVersion;
        if (!options.guidGiven) config.guid = kept.guid;
        if (!options.versionsGiven) config.softwareVersion = kept.softwareVersion;
    }
    state.identity = kesim::UnitIdentity{config.serialNumber.substr(0, kesim::kMaxStoredSerial), config.productVersion,
                                         config.guid, config.softwareVersion};
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "ke-unit-sim: %s\n", message.c_str());
    return kExitFailure;
}

// Plugs the unit in and serves it until a signal comes or it leaves the bus.
int Serve(const std::shared_ptr<kesim::UnitPort>& port, UnitKeeper& keeper, const Options& options,
          const std::string& what)
{
    std::string error;
    const std::string dir = kesim::wire::DefaultRuntimeDirectory();
    if (!kesim::wire::CheckRuntimeDirectory(dir, true, &error)) return Fail(error);
    // Signals are taken by the main thread alone, synchronously; the server
    // thread inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    kesim::SocketServer server(port, kesim::wire::SocketPath(dir, options.socketName),
                               [&keeper](const kesim::ClientEvent& e) { keeper.Observe(e); });
    if (!server.Start(error)) return Fail(error);
    if (!keeper.SaveState(error)) {
        server.Stop();
        return Fail(error);
    }
    std::printf("ke-unit-sim: %s plugged in on %s\n", what.c_str(), server.Path().c_str());
    std::fflush(stdout);

    const timespec tick{0, 50 * 1000 * 1000};
    int received = -1;
    while (server.Serving() && received < 0) received = sigtimedwait(&signals, nullptr, &tick);
    server.Stop();
    keeper.Finish();
    if (received >= 0)
        std::printf("ke-unit-sim: %s: unit unplugged\n", strsignal(received));
    else
        std::printf("ke-unit-sim: the unit left the bus: unplugged\n");
    return 0;
}

// Serves the unit a trace recorded; it keeps nothing but the log.
int Replay(const Options& options)
{
    if (!options.stateFile.empty() || !options.recordDir.empty()) {
        std::fprintf(stderr,
                     "ke-unit-sim: --replay serves the recorded unit alone; --state and --record do not go "
                     "with it\nTry 'ke-unit-sim --help'.\n");
        return kExitUsage;
    }
    kesim::Trace trace;
    std::string error;
    if (!kesim::LoadTrace(options.replayFile, trace, error)) return Fail(error);
    const std::string what = "trace " + options.replayFile + " (" + std::to_string(trace.Requests()) + " requests)";
    auto port = std::make_shared<kesim::ReplayPort>(
        std::move(trace), options.guidGiven ? options.config.guid : DefaultGuid(options.socketName),
        [](const std::string& line) {
            std::printf("ke-unit-sim: replay: %s\n", line.c_str());
            std::fflush(stdout);
        });
    UnitKeeper keeper(nullptr, options, {});
    if (!keeper.OpenLog(error)) return Fail(error);
    return Serve(port, keeper, options, what);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    options.config.mcoreVersionAfterUpdate = 21;
    options.config.xilinxVersionAfterUpdate = 26;
    std::string error;
    OptionParser parser(options);
    if (!parser.Parse(argc, argv, error)) {
        std::fprintf(stderr, "ke-unit-sim: %s\nTry 'ke-unit-sim --help'.\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(parser.Help().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("ke-unit-sim %s\n", KE_UNIT_SIM_VERSION);
        return 0;
    }

    if (!options.replayFile.empty()) return Replay(options);

    // A restart is a power cycle of the same unit: the flash decides what it
    // runs, and it keeps who it is unless the command line says otherwise.
    kesim::UnitState state;
    if (!options.stateFile.empty() &&
        kesim::LoadUnitState(options.stateFile, state, error) == kesim::LoadResult::Invalid)
        return Fail(error);
    if (!options.guidGiven) options.config.guid = DefaultGuid(options.socketName);
    Adopt(state, options);
    options.config.softwareVersion = kesim::PowerOnVersion(state, options.config.softwareVersion);

    const std::string dir = kesim::wire::DefaultRuntimeDirectory();
    if (!kesim::wire::CheckRuntimeDirectory(dir, true, &error) || !PrepareRecordDir(options.recordDir, error))
        return Fail(error);

    auto model = std::make_shared<kesim::KeUnitModel>(options.config);
    UnitKeeper keeper(model.get(), options, std::move(state));
    if (!keeper.OpenLog(error)) return Fail(error);
    const std::uint32_t word = model->Config().softwareVersion;
    char plugged[160];
    std::snprintf(plugged, sizeof plugged, "unit %s at %u-%u", options.config.serialNumber.c_str(), word >> 16,
                  word & 0xFFFF);
    return Serve(model, keeper, options, plugged);
}
