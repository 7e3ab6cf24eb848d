#include "sim/UnitEngine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/Commands.h"
#include "link/FrameParser.h"
#include "link/LinkFrame.h"
#include "sim/DemoUnit.h"

namespace carecfg {
namespace {

// Runs a request frame (as the tool builds it) through the unit and parses the reply.
class UnitEngineTest : public ::testing::Test {
protected:
    UnitEngine engine{BuildDemoMemory(), "123456"};

    std::optional<ParsedFrame> Ask(const std::vector<std::uint8_t>& request, int writeStatus = 1) {
        FrameParser requests;
        auto frames = requests.Feed(request);
        EXPECT_EQ(frames.size(), 1u);
        auto reply =
            engine.Answer(frames[0].command, frames[0].address, frames[0].payload, writeStatus);
        if (!reply) {
            return std::nullopt;
        }
        FrameParser replies;
        auto parsed = replies.Feed(*reply);
        EXPECT_EQ(parsed.size(), 1u) << "reply checksum";
        EXPECT_EQ(parsed[0].command, frames[0].command);
        EXPECT_EQ(parsed[0].address, frames[0].address);
        return parsed[0];
    }
    int Status(const std::vector<std::uint8_t>& request, int writeStatus = 1) {
        auto reply = Ask(request, writeStatus);
        if (!reply || reply->payload.size() != 1) {
            return -1;
        }
        return reply->payload[0];
    }
    std::vector<std::uint8_t> Bytes(std::uint32_t at, std::uint32_t n) const {
        auto r = engine.Memory().Range(at, n);
        return {r.begin(), r.end()};
    }
};

TEST_F(UnitEngineTest, IdentityCarriesDeviceIdFirmwareAndImei) {
    auto reply = Ask(BuildReadIdentity());
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->payload.size(), 34u);
    ReceiveRecord record{};
    const auto frame = BuildFrame(reply->command, reply->address, reply->payload);
    std::copy(frame.begin(), frame.end() - 1, record.begin());
    const IdentityReply id = DecodeIdentityReply(record);
    EXPECT_EQ(id.deviceId, "300421785");
    EXPECT_EQ(id.firmwareVersion, UnitEngine::kFirmwareVersion);
    EXPECT_EQ(id.imei, UnitEngine::kImei);
}

TEST_F(UnitEngineTest, ReadsReturnTheBlockAtTheRequestedAddress) {
    for (std::uint32_t address : {0x0u, 0x0F00u, 0x5000u, 0x30000u, 0x3FF00u}) {
        for (auto build : {BuildReadBlock, BuildReadRecordBlock}) {
            auto reply = Ask(build(address));
            ASSERT_TRUE(reply);
            EXPECT_EQ(reply->payload, Bytes(address, 256)) << std::hex << address;
        }
    }
}

TEST_F(UnitEngineTest, ReadsBeyondTheMemoryAnswerErasedBytes) {
    for (std::uint32_t address : {0x40000u, 0xFFFFFF00u, 0x3FF80u}) {
        auto reply = Ask(BuildReadBlock(address));
        ASSERT_TRUE(reply);
        ASSERT_EQ(reply->payload.size(), 256u);
        const auto inside = Bytes(address, 256);
        EXPECT_TRUE(std::equal(inside.begin(), inside.end(), reply->payload.begin()));
        EXPECT_TRUE(std::all_of(reply->payload.begin() + static_cast<long>(inside.size()),
                                reply->payload.end(), [](auto b) { return b == 0xFF; }));
    }
}

TEST_F(UnitEngineTest, WriteStoresWholeBlocksOnly) {
    std::vector<std::uint8_t> image(kImageSize, 0x5A);
    EXPECT_EQ(Status(BuildWriteBlock(0x0100, image)), 1);
    EXPECT_EQ(Bytes(0x0100, 256), std::vector<std::uint8_t>(256, 0x5A));

    const auto before = engine.Memory().Bytes();
    const std::vector<std::uint8_t> snapshot(before.begin(), before.end());
    std::vector<std::uint8_t> block(256, 0x11);
    struct Case {
        std::uint32_t address;
        std::size_t length;
    };
    for (const Case& c :
         {Case{0x0180, 256}, Case{0x40000, 256}, Case{0x0200, 255}, Case{0x0200, 6}}) {
        block.resize(c.length, 0x11);
        EXPECT_EQ(Status(BuildFrame(CmdWriteBlock, c.address, block)), 0)
            << std::hex << c.address << " length " << std::dec << c.length;
    }
    EXPECT_TRUE(std::equal(snapshot.begin(), snapshot.end(), engine.Memory().Bytes().begin()));
}

TEST_F(UnitEngineTest, RefusedWritesAnswerTheirStatusAndStoreNothing) {
    std::vector<std::uint8_t> image(kImageSize, 0x00);
    const auto before = Bytes(0, 256);
    for (int status : {0, 2}) {
        EXPECT_EQ(Status(BuildWriteBlock(0, image), status), status);
        EXPECT_EQ(Bytes(0, 256), before);
    }
}

TEST_F(UnitEngineTest, LoginChecksThePasswordExactly) {
    const struct {
        const char* typed;
        int status;
    } cases[] = {{"123456", 1}, {"12345", 0}, {"1234567", 0}, {"654321", 0}, {"1", 0}};
    for (const auto& c : cases) {
        // The tool never sends more than six characters; the frame is built by hand for that.
        const std::string typed = c.typed;
        const std::vector<std::uint8_t> payload(typed.begin(), typed.end());
        EXPECT_EQ(Status(BuildFrame(CmdLogin, 0, payload)), c.status) << typed;
    }
}

TEST_F(UnitEngineTest, PasswordChangesAreStoredAndEmptyOnesRefused) {
    EXPECT_EQ(Status(BuildSetAdminPassword("abc")), 1);
    EXPECT_EQ(engine.AdminPassword(), "abc");
    EXPECT_EQ(Status(*BuildLogin("123456")), 0);
    EXPECT_EQ(Status(*BuildLogin("abc")), 1);

    EXPECT_EQ(Status(BuildSetUserPassword("9876")), 1);
    EXPECT_EQ(engine.UserPassword(), "9876");
    EXPECT_EQ(Status(BuildChangeSimPin("4321", "1234")), 1);
    EXPECT_EQ(engine.SimPin(), "4321");

    // All-filler fields would leave a password nobody can type.
    EXPECT_EQ(Status(BuildSetAdminPassword("")), 0);
    EXPECT_EQ(Status(BuildSetUserPassword("toolongpw")), 0);
    EXPECT_EQ(Status(BuildChangeSimPin("", "4321")), 0);
    EXPECT_EQ(engine.AdminPassword(), "abc");
    EXPECT_EQ(engine.UserPassword(), "9876");
    EXPECT_EQ(engine.SimPin(), "4321");
}

TEST_F(UnitEngineTest, ClearRegionErasesOnlyThatRegion) {
    for (int code = CmdClearRegionFirst; code <= CmdClearRegionLast; ++code) {
        UnitEngine unit(BuildDemoMemory(), "123456");
        const ImageRegion* target = RegionByEraseCommand(code);
        ASSERT_NE(target, nullptr);
        const auto reply = unit.Answer(static_cast<std::uint8_t>(code), 0, {});
        ASSERT_TRUE(reply);
        EXPECT_EQ((*reply)[8], 1);
        const auto demo = BuildDemoMemory();
        const auto after = unit.Memory().Bytes();
        for (std::uint32_t a = 0; a < kImageSize; a += 64) {
            const bool inside = a >= target->start && a < target->start + target->size;
            if (inside) {
                ASSERT_EQ(after[a], 0xFF) << std::hex << code << " at " << a;
            } else {
                ASSERT_EQ(after[a], demo[a]) << std::hex << code << " at " << a;
            }
        }
    }
}

TEST_F(UnitEngineTest, ClearAllErasesTheNineRecordRegionsAndKeepsSettings) {
    const auto settings = Bytes(0, 4096);
    EXPECT_EQ(Status(BuildClearAllRecords()), 1);
    for (RegionId id : RecordChain()) {
        const auto bytes = engine.Memory().RegionBytes(id);
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](auto b) { return b == 0xFF; }))
            << Region(id).name;
    }
    EXPECT_EQ(Bytes(0, 4096), settings);
}

TEST_F(UnitEngineTest, FactoryDefaultRestoresSettingsAndPasswordsKeepsRecords) {
    std::vector<std::uint8_t> image(kImageSize, 0x00);
    for (std::uint32_t a = 0; a < 0x1000; a += 0x100) {
        ASSERT_EQ(Status(BuildWriteBlock(a, image)), 1);
    }
    ASSERT_EQ(Status(BuildSetAdminPassword("x")), 1);
    ASSERT_EQ(Status(BuildFrame(0x90, 0, {})), 1);  // alarm history cleared

    EXPECT_EQ(Status(BuildFactoryDefault()), 1);
    const auto demo = BuildDemoMemory();
    EXPECT_EQ(Bytes(0, 4096), std::vector<std::uint8_t>(demo.begin(), demo.begin() + 4096));
    EXPECT_EQ(engine.AdminPassword(), "123456");
    EXPECT_EQ(Bytes(0x30000, 16), std::vector<std::uint8_t>(16, 0xFF));
}

TEST_F(UnitEngineTest, ClockIsSetAndUnknownCommandsGetNoAnswer) {
    EXPECT_EQ(Status(BuildSetClock({2024, 3, 9, 17, 5, 42})), 1);
    ASSERT_TRUE(engine.Clock());
    EXPECT_EQ(*engine.Clock(), (std::array<std::uint8_t, 6>{24, 3, 9, 17, 5, 42}));
    for (std::uint8_t code : {0x00, 0x01, 0x05, 0x0B, 0x81, 0x86, 0x8F, 0x99, 0xFF}) {
        EXPECT_FALSE(engine.Answer(code, 0, {})) << int(code);
    }
}

}  // namespace
}  // namespace carecfg
