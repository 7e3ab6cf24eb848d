// The record commands of the command-line tool end to end in one process: reading the record
// regions and single regions into files, and erasing regions on the unit, against a simulated
// unit (and a scripted one for answers the simulated unit never gives).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "image/DeviceImage.h"
#include "link/Commands.h"
#include "link/LinkFrame.h"
#include "sim/DemoUnit.h"
#include "sim/UnitSim.h"
#include "tests/e2e/ScriptedUnit.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedUnit;
using testing::TempDir;
using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<Bytes>;

struct Result {
    int code = -1;
    std::string out, err;
};

// A unit the test talks to: kept alive for the test, reached at `port`.
struct Unit {
    std::shared_ptr<void> keep;
    std::string port;
    std::function<Frames()> received;
};

class RecordCommandsTest : public ::testing::Test {
protected:
    TempDir dir;
    Bytes memory;

    void SetUp() override {
        std::ofstream(dir / "skin.ini")
            << "[MESSAGE]\nM9=Wrong password.\nM10=All records cleared.\nM11=Not accepted.\n"
               "M12=Could not.\nM27=Region cleared.\n";
        // The demonstration unit with marks where a read must not look: every address outside
        // the ten regions, and the last byte of each region so that its last block counts.
        memory = BuildDemoMemory();
        for (std::uint32_t a = 0; a < kImageSize; ++a) {
            if (RegionContaining(a) == nullptr) {
                memory[a] = 0x5A;
            }
        }
        for (const ImageRegion& r : ImageRegions()) {
            memory[r.start + r.size - 1] = static_cast<std::uint8_t>(0x40 + r.eraseCommand);
        }
    }

    Unit SimUnit(SimFaults faults = {}) {
        const auto image = dir / "unit.bin";
        EXPECT_TRUE(WriteFileAtomically(image, memory));
        SimOptions options;
        options.faults = faults;
        options.imageFile = image;
        auto unit = std::make_shared<UnitSim>(options);
        EXPECT_TRUE(unit->Start()) << unit->LastError();
        return {unit, unit->TerminalPath(), [unit] { return unit->ReceivedFrames(); }};
    }

    static Unit Scripted(ScriptedUnit::Answer answer) {
        auto unit = std::make_shared<ScriptedUnit>(std::move(answer));
        EXPECT_TRUE(unit->Started());
        return {unit, unit->Path(), [unit] { return unit->Received(); }};
    }

    static CliCommandLine Line(const Unit& unit, CliCommand command,
                               RegionId region = RegionId::Settings, std::string out = {}) {
        CliCommandLine line;
        line.port = unit.port;
        line.command = command;
        line.region = region;
        line.out = std::move(out);
        return line;
    }

    // The command line run as carecfg-cli runs it; a short grouping pause keeps reads quick.
    Result Run(const CliCommandLine& line, int resendMs = 1000,
               std::chrono::milliseconds timeout = 3000ms, bool verbose = false) {
        CliSession::Options options;
        options.port = line.port;
        options.resendMs = resendMs;
        options.timeout = timeout;
        options.readIntervalMs = 5;
        options.verbose = verbose;
        std::ostringstream out, err;
        Result r;
        {
            CliSession session(options, TextCatalog(dir / "skin.ini"), out, err);
            r.code = session.Run(line);
        }
        r.out = out.str();
        r.err = err.str();
        return r;
    }

    Bytes RegionOf(const Bytes& bytes, RegionId id) const {
        const ImageRegion& r = Region(id);
        return {bytes.begin() + r.start, bytes.begin() + r.start + r.size};
    }
};

Bytes FileBytes(const std::filesystem::path& path) {
    const std::string bytes = testing::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

// The block read requests of one region, first block to last.
Frames BlockRequests(std::uint8_t command, RegionId id) {
    Frames frames;
    for (std::uint32_t a = Region(id).start; a <= Region(id).lastBlock; a += kBlockSize) {
        frames.push_back(BuildFrame(command, a));
    }
    return frames;
}

// A reply to a block read: 256 bytes of 0x11 at the given address.
Bytes BlockReply(std::uint8_t command, std::uint32_t address) {
    return BuildFrame(command, address, Bytes(kBlockSize, 0x11));
}

TEST_F(RecordCommandsTest, ReadRecordsWritesTheRecordRegionsAndErasedBytesElsewhere) {
    const Unit unit = SimUnit();
    const auto out = dir / "records.bin";
    const Result r = Run(Line(unit, CliCommand::ReadRecords, RegionId::Settings, out.string()));
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, "Records read into " + out.string() + "\n");
    EXPECT_EQ(r.err, "");

    Frames expected;
    Bytes image(kImageSize, kErased);
    for (const RegionId id : RecordChain()) {
        const Frames region = BlockRequests(CmdReadRecordBlock, id);
        expected.insert(expected.end(), region.begin(), region.end());
        const ImageRegion& reg = Region(id);
        std::copy_n(memory.begin() + reg.start, reg.size, image.begin() + reg.start);
    }
    EXPECT_EQ(unit.received(), expected);
    const Bytes file = FileBytes(out);
    ASSERT_EQ(file.size(), kImageSize);
    // The settings region and the gaps between the regions are erased, the rest is the unit's.
    EXPECT_TRUE(file == image);
    EXPECT_EQ(RegionOf(file, RegionId::Settings), Bytes(4096, kErased));
}

TEST_F(RecordCommandsTest, ReadRegionWritesTheRegionFile) {
    struct Case {
        RegionId region;
        bool verbose;
        std::vector<std::string> errParts;  // verbose: the progress on stderr; else nothing
    };
    const Case cases[] = {
        {RegionId::AlarmRecord, false, {}},
        {RegionId::Settings,
         true,
         {"Progress: 1%\n", "Progress: 100%\n", "Region settings complete\n"}},
        {RegionId::DialOutRecord, true, {"Progress: 100%\n", "Region dialout complete\n"}},
    };
    for (const Case& c : cases) {
        const Unit unit = SimUnit();
        const auto out = dir / "region.bin";
        const Result r = Run(Line(unit, CliCommand::ReadRegion, c.region, out.string()), 1000,
                             3000ms, c.verbose);
        const std::string name = Region(c.region).name;
        ASSERT_EQ(r.code, kExitOk) << name << ": " << r.err;
        EXPECT_EQ(unit.received(), BlockRequests(CmdReadBlock, c.region)) << name;
        EXPECT_TRUE(FileBytes(out) == RegionOf(memory, c.region)) << name;
        EXPECT_NE(r.out.find(" read into " + out.string() + "\n"), std::string::npos) << r.out;
        if (c.errParts.empty()) {
            EXPECT_EQ(r.err, "") << name;
        }
        for (const std::string& part : c.errParts) {
            EXPECT_NE(r.err.find(part), std::string::npos) << name << ": " << r.err;
        }
    }
}

TEST_F(RecordCommandsTest, FailedReadWritesNoFile) {
    SimFaults silent;
    silent.dropOneIn = 1;
    SimFaults partWay;
    partWay.dropOneIn = 8;  // with the first seed the fourth reply goes missing
    const auto regionOf = [](const ParsedFrame& f) { return RegionContaining(f.address); };
    struct Case {
        const char* name;
        CliCommand command;
        std::function<Unit()> unit;
        int code;
        std::string errPart;
        std::size_t leastRequests;
        bool existing;  // a file of that name is there before
    };
    const Case cases[] = {
        {"silent unit", CliCommand::ReadRecords, [&] { return SimUnit(silent); }, kExitNoAnswer,
         "within 1 s", 1, true},
        {"silent part way", CliCommand::ReadRegion, [&] { return SimUnit(partWay); }, kExitNoAnswer,
         "within 1 s", 4, false},
        {"stray address", CliCommand::ReadRecords,
         [] {
             return Scripted([](const ParsedFrame& f) { return BlockReply(f.command, 0x1000); });
         },
         kExitFailure, "does not follow the sequence", 1, true},
        // Each reply carries the last block of its region: every region ends at once, holes
        // where the skipped blocks should be.
        {"skipped blocks", CliCommand::ReadRecords,
         [&] {
             return Scripted([&](const ParsedFrame& f) {
                 return BlockReply(f.command, regionOf(f)->lastBlock);
             });
         },
         kExitFailure, "left out blocks of region alarm, the first at 0x30000", 9, false},
        {"skipped blocks of one region", CliCommand::ReadRegion,
         [&] {
             return Scripted([&](const ParsedFrame& f) {
                 return BlockReply(f.command, regionOf(f)->lastBlock);
             });
         },
         kExitFailure, "left out blocks of region alarm", 1, true},
    };
    for (const Case& c : cases) {
        const Unit unit = c.unit();
        const auto out = dir / "read.bin";
        std::filesystem::remove(out);
        if (c.existing) {
            testing::WriteBytes(out, "the old file");
        }
        const Result r = Run(Line(unit, c.command, RegionId::AlarmRecord, out.string()), 0, 1000ms);
        EXPECT_EQ(r.code, c.code) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_NE(r.err.find(c.errPart), std::string::npos) << c.name << ": " << r.err;
        EXPECT_GE(unit.received().size(), c.leastRequests) << c.name;
        if (c.existing) {
            EXPECT_TRUE(testing::ReadBytes(out) == "the old file") << c.name;
        } else {
            EXPECT_FALSE(std::filesystem::exists(out)) << c.name;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                std::filesystem::directory_iterator()),
                  c.existing ? 3 : 2)
            << c.name << ": a file was left behind";
    }
}

TEST_F(RecordCommandsTest, ClearErasesOnTheUnitAndPrintsItsAnswer) {
    struct Case {
        const char* name;
        CliCommand command;
        RegionId region;
        std::optional<std::string> password;
        Frames frames;
        std::string out;
        std::vector<RegionId> erased;
    };
    const std::vector<RegionId> all(RecordChain().begin(), RecordChain().end());
    const Case cases[] = {
        {"armed",
         CliCommand::ClearRegion,
         RegionId::ArmedRecord,
         {},
         {BuildClearRegion(0x91)},
         "Region cleared.\n",
         {RegionId::ArmedRecord}},
        {"outbox after a login",
         CliCommand::ClearRegion,
         RegionId::Outbox,
         "123456",
         {*BuildLogin("123456"), BuildClearRegion(0x98)},
         "Region cleared.\n",
         {RegionId::Outbox}},
        {"all records",
         CliCommand::ClearRecords,
         RegionId::Settings,
         {},
         {BuildClearAllRecords()},
         "All records cleared.\n",
         all},
    };
    for (const Case& c : cases) {
        const Unit unit = SimUnit();
        CliCommandLine line = Line(unit, c.command, c.region);
        line.loginPassword = c.password;
        const Result r = Run(line);
        EXPECT_EQ(r.code, kExitOk) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
        EXPECT_EQ(unit.received(), c.frames) << c.name;

        const auto after = std::static_pointer_cast<UnitSim>(unit.keep)->MemorySnapshot();
        for (const ImageRegion& region : ImageRegions()) {
            const bool erased =
                std::find(c.erased.begin(), c.erased.end(), region.id) != c.erased.end();
            EXPECT_TRUE(RegionOf(after, region.id) ==
                        (erased ? Bytes(region.size, kErased) : RegionOf(memory, region.id)))
                << c.name << ": " << region.name;
        }
    }
}

TEST_F(RecordCommandsTest, RefusedClear) {
    struct Case {
        const char* name;
        CliCommand command;
        std::uint8_t status;
        int code;
        std::string err;
    };
    const Case cases[] = {
        {"region, 0", CliCommand::ClearRegion, 0, kExitUnitRefused, "Not accepted.\n"},
        {"region, 2", CliCommand::ClearRegion, 2, kExitUnitRefused, "Could not.\n"},
        {"all, 0", CliCommand::ClearRecords, 0, kExitUnitRefused, "Not accepted.\n"},
        {"all, 2", CliCommand::ClearRecords, 2, kExitUnitRefused, "Could not.\n"},
        {"region, 5", CliCommand::ClearRegion, 5, kExitFailure,
         "carecfg-cli: the unit answered with status 5\n"},
    };
    for (const Case& c : cases) {
        const Unit unit = Scripted([&](const ParsedFrame& f) {
            const std::uint8_t status[] = {c.status};
            return BuildFrame(f.command, 0, status);
        });
        const Result r = Run(Line(unit, c.command, RegionId::Inbox));
        const std::string name = c.name;
        EXPECT_EQ(r.code, c.code) << name << ": " << r.err;
        EXPECT_EQ(r.out, "") << name;
        EXPECT_EQ(r.err, c.err) << name;
        EXPECT_EQ(unit.received(),
                  (Frames{c.command == CliCommand::ClearRegion ? BuildClearRegion(0x97)
                                                               : BuildClearAllRecords()}))
            << name;
    }
}

TEST_F(RecordCommandsTest, ClearIsSentASingleTime) {
    // Neither silence nor a garbled answer brings a second erase command; the wait ends with the
    // time-out.
    SimFaults dropped;
    dropped.dropOneIn = 1;
    SimFaults garbled;
    garbled.corruptOneIn = 1;
    for (const auto& [name, faults] :
         {std::pair{"dropped", dropped}, std::pair{"garbled", garbled}}) {
        for (const CliCommand command : {CliCommand::ClearRegion, CliCommand::ClearRecords}) {
            const Unit unit = SimUnit(faults);
            const Result r = Run(Line(unit, command, RegionId::AlarmRecord), 100, 500ms);
            EXPECT_EQ(r.code, kExitNoAnswer) << name << ": " << r.err;
            EXPECT_EQ(r.out, "") << name;
            EXPECT_EQ(unit.received().size(), 1u) << name;
        }
    }
}

}  // namespace
}  // namespace carecfg
