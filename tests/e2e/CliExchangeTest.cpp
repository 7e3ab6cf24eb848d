// The command-line tool end to end in one process: its session (serial port, link, event loop)
// against a simulated unit on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "cli/SettingsCommands.h"
#include "image/ImageFiles.h"
#include "link/Commands.h"
#include "settings/SettingsMap.h"
#include "sim/DemoUnit.h"
#include "sim/UnitEngine.h"
#include "sim/UnitSim.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

using testing::TempDir;

using namespace std::chrono_literals;
using Frames = std::vector<std::vector<std::uint8_t>>;

struct Result {
    int code = -1;
    std::string out, err;
};

class CliExchangeTest : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override {
        // A few catalogue texts in the code page the file names.
        std::ofstream(dir.Path() / "skin.ini")
            << "[CONFIG]\ncodepage=WINDOWS-1252\n"
               "[MESSAGE]\nM2=Open failed\nM7=The password is too long.\n"
               "M9=The unit refused the password.\nM11=Not accepted.\nM12=Could not.\n"
               "M13=All written.\nM24=New password taken.\nM36=Factory settings back.\n"
               "M32=Off|On\nM33=Off|On|Auto\n";
    }

    // Starts a unit with the given faults; its memory is the demonstration unit's with a device
    // ID that has a character outside ASCII.
    std::unique_ptr<UnitSim> StartUnit(SimFaults faults = {}, std::uint32_t seed = 1) {
        std::vector<std::uint8_t> memory = BuildDemoMemory();
        const std::string id =
            "K\xFC"
            "che-07";  // "Küche-07" in WINDOWS-1252
        std::fill_n(memory.begin(), 10, 0x00);
        std::copy(id.begin(), id.end(), memory.begin());
        const auto image = dir.Path() / "unit.bin";
        EXPECT_TRUE(WriteFileAtomically(image, memory));

        SimOptions options;
        options.faults = faults;
        options.seed = seed;
        options.imageFile = image;
        auto unit = std::make_unique<UnitSim>(options);
        EXPECT_TRUE(unit->Start()) << unit->LastError();
        return unit;
    }

    // A short grouping pause of the reader keeps the block sequences quick.
    static CliSession::Options Options(const std::string& port, int resendMs,
                                       std::chrono::milliseconds timeout) {
        CliSession::Options options;
        options.port = port;
        options.resendMs = resendMs;
        options.timeout = timeout;
        options.readIntervalMs = 5;
        return options;
    }

    Result Run(const std::string& port, const std::function<int(CliSession&)>& command,
               int resendMs = 1000, std::chrono::milliseconds timeout = 3000ms) {
        std::ostringstream out, err;
        const CliSession::Options options = Options(port, resendMs, timeout);
        Result r;
        {
            CliSession session(options, TextCatalog(dir.Path() / "skin.ini"), out, err);
            r.code = session.Open();
            if (r.code == kExitOk) {
                r.code = command(session);
            }
        }
        r.out = out.str();
        r.err = err.str();
        return r;
    }

    // A whole command line run as carecfg-cli runs it (the session opens the port itself).
    Result RunLine(const CliCommandLine& line) {
        std::ostringstream out, err;
        Result r;
        {
            CliSession session(Options(line.port, 1000, 3000ms), TextCatalog(dir / "skin.ini"), out,
                               err);
            r.code = session.Run(line);
        }
        r.out = out.str();
        r.err = err.str();
        return r;
    }

    std::vector<std::uint8_t> Profile(std::uint8_t fill) {
        std::vector<std::uint8_t> profile(kSettingsRecordSize);
        for (std::size_t i = 0; i < profile.size(); ++i) {
            profile[i] = static_cast<std::uint8_t>(i * 7 + fill);
        }
        return profile;
    }
};

std::vector<std::vector<std::uint8_t>> BlockWrites(const std::vector<std::uint8_t>& region,
                                                   std::uint32_t last) {
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::uint32_t a = 0; a <= last; a += kBlockSize) {
        frames.push_back(BuildWriteBlock(a, region));
    }
    return frames;
}

const std::string kIdentityText = std::string(
                                      "Device ID: K\xC3\xBC"
                                      "che-07\nFirmware: ") +
                                  UnitEngine::kFirmwareVersion + "\nIMEI: " + UnitEngine::kImei +
                                  "\n";

TEST_F(CliExchangeTest, IdentityExchange) {
    auto unit = StartUnit();
    const Result r = Run(unit->TerminalPath(), [](CliSession& s) { return s.Identity(); });
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, kIdentityText);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(unit->ReceivedFrames(), Frames{BuildReadIdentity()});
}

TEST_F(CliExchangeTest, Login) {
    struct Case {
        std::string password;
        int code;
        std::string out, err;
        std::size_t frames;
    };
    const Case cases[] = {
        {"123456", kExitOk, "Login accepted\n", "", 1},
        {"654321", kExitLoginRefused, "Login refused\n", "The unit refused the password.\n", 1},
        {"1234567", kExitUsage, "", "The password is too long.\n", 0},
    };
    for (const Case& c : cases) {
        auto unit = StartUnit();
        const Result r =
            Run(unit->TerminalPath(), [&](CliSession& s) { return s.Login(c.password); });
        EXPECT_EQ(r.code, c.code) << c.password << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.password;
        EXPECT_EQ(r.err, c.err) << c.password;
        const auto frames = unit->ReceivedFrames();
        ASSERT_EQ(frames.size(), c.frames) << c.password;
        if (c.frames == 1) {
            EXPECT_EQ(frames[0], *BuildLogin(c.password));
        }
    }
}

TEST_F(CliExchangeTest, SetClockSendsTheLocalTimeAndWaitsForTheReply) {
    auto unit = StartUnit();
    const std::time_t when = 1'710'000'000;
    const Result r = Run(unit->TerminalPath(), [&](CliSession& s) { return s.SetClock(when); });
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, "Clock set\n");
    EXPECT_EQ(unit->ReceivedFrames(), Frames{BuildSetClock(ClockStampFromLocalTime(when))});
}

TEST_F(CliExchangeTest, CorruptedReplyIsAskedForAgain) {
    // With this seed the first reply has a flipped bit and the second is sound.
    SimFaults faults;
    faults.corruptOneIn = 2;
    auto unit = StartUnit(faults, 3);
    const Result r = Run(unit->TerminalPath(), [](CliSession& s) { return s.Identity(); });
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, kIdentityText);
    EXPECT_EQ(unit->ReceivedFrames(), (Frames{BuildReadIdentity(), BuildReadIdentity()}));
}

TEST_F(CliExchangeTest, UnitThatDropsEveryReply) {
    struct Case {
        const char* name;
        int resendMs;
        std::chrono::milliseconds timeout;
        std::function<int(CliSession&)> command;
        int code;
        std::string errPart;
        std::size_t requests;
    };
    const Case cases[] = {
        // Three transmissions, 200 ms apart, then the sender gives up.
        {"resends", 200, 3000ms, [](CliSession& s) { return s.Identity(); }, kExitGaveUp,
         "after 3 transmissions", 3},
        // No timed resend: one transmission, then the time-out.
        {"no resend", 0, 400ms, [](CliSession& s) { return s.Identity(); }, kExitNoAnswer,
         "within 0.4 s", 1},
        // The clock is sent without timed resend: no reply is an error after the time-out.
        {"set-clock", 200, 400ms, [](CliSession& s) { return s.SetClock(0); }, kExitNoAnswer,
         "within 0.4 s", 1},
    };
    for (const Case& c : cases) {
        SimFaults faults;
        faults.dropOneIn = 1;
        auto unit = StartUnit(faults);
        const Result r = Run(unit->TerminalPath(), c.command, c.resendMs, c.timeout);
        EXPECT_EQ(r.code, c.code) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_NE(r.err.find(c.errPart), std::string::npos) << c.name << ": " << r.err;
        const auto frames = unit->ReceivedFrames();
        EXPECT_EQ(frames.size(), c.requests) << c.name;
        for (const auto& frame : frames) {
            EXPECT_EQ(frame, frames.front()) << c.name;
        }
    }
}

TEST_F(CliExchangeTest, ReplyThatStopsHalfwayEndsInTheTimeOut) {
    // The bytes that did arrive stop the resend timer, so only the time-out ends the wait. (A
    // resend interval must outlast the reader's 100 ms grouping pause, or it runs out before
    // the received bytes are delivered.)
    SimFaults faults;
    faults.stopHalfwayOneIn = 1;
    auto unit = StartUnit(faults);
    const Result r = Run(
        unit->TerminalPath(), [](CliSession& s) { return s.Identity(); }, 1000, 500ms);
    EXPECT_EQ(r.code, kExitNoAnswer) << r.err;
    EXPECT_EQ(unit->ReceivedFrames().size(), 1u);
}

TEST_F(CliExchangeTest, ReadSettingsAsksForTheSixteenBlocksAndWritesTheProfile) {
    auto unit = StartUnit();
    const auto out = dir.Path() / "read.bin";
    const Result r = Run(unit->TerminalPath(), [&](CliSession& s) { return s.ReadSettings(out); });
    EXPECT_EQ(r.code, kExitOk) << r.err;
    Frames expected;
    for (std::uint32_t a = 0; a <= 0x0F00; a += kBlockSize) {
        expected.push_back(BuildReadBlock(a));
    }
    EXPECT_EQ(unit->ReceivedFrames(), expected);
    const auto memory = unit->MemorySnapshot();
    EXPECT_EQ(testing::ReadBytes(out),
              std::string(memory.begin(), memory.begin() + kSettingsRecordSize));
}

TEST_F(CliExchangeTest, ReadSettingsFromASilentUnitLeavesAnExistingFileAlone) {
    SimFaults faults;
    faults.dropOneIn = 1;
    auto unit = StartUnit(faults);
    const auto out = dir.Path() / "read.bin";
    testing::WriteBytes(out, "the old profile");
    const Result r = Run(
        unit->TerminalPath(), [&](CliSession& s) { return s.ReadSettings(out); }, 0, 300ms);
    EXPECT_EQ(r.code, kExitNoAnswer);
    EXPECT_EQ(testing::ReadBytes(out), "the old profile");
}

TEST_F(CliExchangeTest, WriteSettings) {
    struct Case {
        const char* name;
        std::optional<SimFaults::WriteStatusAt> refuse;
        std::optional<std::string> password;
        std::size_t profileSize;
        int code;
        std::string out, errPart;
        std::size_t logins;                      // login frames before the writes
        std::optional<std::uint32_t> lastWrite;  // the last block sent; nullopt: none
        bool stored;                             // the unit holds the profile and 0xFF behind it
    };
    const Case cases[] = {
        {"written", {}, {}, kSettingsRecordSize, kExitOk, "All written.\n", "", 0, 0x0F00, true},
        {"logged in first", {}, "123456", 4096, kExitOk, "All written.\n", "", 1, 0x0F00, true},
        {"busy at 0x0700",
         SimFaults::WriteStatusAt{0x0700, 2},
         {},
         kSettingsRecordSize,
         kExitUnitRefused,
         "",
         "Could not.",
         0,
         0x0700,
         false},
        {"refused at 0x0000",
         SimFaults::WriteStatusAt{0x0000, 0},
         {},
         kSettingsRecordSize,
         kExitUnitRefused,
         "",
         "Not accepted.",
         0,
         0x0000,
         false},
        {"odd status",
         SimFaults::WriteStatusAt{0x0300, 5},
         {},
         kSettingsRecordSize,
         kExitFailure,
         "",
         "status 5",
         0,
         0x0300,
         false},
        {"login refused",
         {},
         "654321",
         kSettingsRecordSize,
         kExitLoginRefused,
         "",
         "The unit refused the password.",
         1,
         std::nullopt,
         false},
        {"short file",
         {},
         {},
         kSettingsRecordSize - 1,
         kExitFileError,
         "",
         "3637",
         0,
         std::nullopt,
         false},
    };
    for (const Case& c : cases) {
        SimFaults faults;
        faults.writeStatusAt = c.refuse;
        auto unit = StartUnit(faults);
        const auto before = unit->MemorySnapshot();
        auto profile = Profile(1);
        profile.resize(c.profileSize, 0x5A);
        const auto file = dir.Path() / "profile.bin";
        testing::WriteBytes(file, std::string(profile.begin(), profile.end()));

        CliCommandLine line;
        line.port = unit->TerminalPath();
        line.command = CliCommand::WriteSettings;
        line.file = file.string();
        line.loginPassword = c.password;
        const Result r = RunLine(line);
        EXPECT_EQ(r.code, c.code) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_NE(r.err.find(c.errPart), std::string::npos) << c.name << ": " << r.err;

        // The region as written: the record, then 0xFF.
        std::vector<std::uint8_t> region(kImageSize, kErased);
        std::copy_n(profile.begin(), std::min<std::size_t>(profile.size(), kSettingsRecordSize),
                    region.begin());
        Frames frames = unit->ReceivedFrames();
        ASSERT_GE(frames.size(), c.logins) << c.name;
        for (std::size_t i = 0; i < c.logins; ++i) {
            EXPECT_EQ(frames[i], *BuildLogin(*c.password)) << c.name;
        }
        frames.erase(frames.begin(), frames.begin() + static_cast<long>(c.logins));
        EXPECT_EQ(frames, c.lastWrite ? BlockWrites(region, *c.lastWrite) : Frames{}) << c.name;

        const auto memory = unit->MemorySnapshot();
        if (c.stored) {
            EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 4096, region.begin()))
                << c.name;
        } else if (!c.lastWrite) {
            EXPECT_EQ(memory, before) << c.name;
        } else {
            // Nothing from the refused block on.
            EXPECT_TRUE(std::equal(memory.begin() + *c.lastWrite, memory.end(),
                                   before.begin() + *c.lastWrite))
                << c.name;
        }
    }
}

TEST_F(CliExchangeTest, PasswordPinAndFactoryDefault) {
    struct Case {
        const char* name;
        CliCommand command;
        PasswordRole role;
        std::string newSecret, oldSecret;
        int code;
        std::string out, errPart;
        Frames frames;
    };
    const auto U = PasswordRole::User;
    const Case cases[] = {
        {"user password",
         CliCommand::SetPassword,
         U,
         "9999",
         "",
         kExitOk,
         "New password taken.\n",
         "",
         {BuildSetUserPassword("9999")}},
        {"admin password",
         CliCommand::SetPassword,
         PasswordRole::Admin,
         "654321",
         "",
         kExitOk,
         "New password taken.\n",
         "",
         {BuildSetAdminPassword("654321")}},
        {"pin",
         CliCommand::SetPin,
         U,
         "4321",
         "1234",
         kExitOk,
         "New password taken.\n",
         "",
         {BuildChangeSimPin("4321", "1234")}},
        {"factory default",
         CliCommand::FactoryDefault,
         U,
         "",
         "",
         kExitOk,
         "Factory settings back.\n",
         "",
         {BuildFactoryDefault()}},
        // Texts that would not fit the unit's fields are refused before anything is sent.
        {"user password too long",
         CliCommand::SetPassword,
         U,
         "12345",
         "",
         kExitUsage,
         "",
         "1 to 4 characters",
         {}},
        {"pin too long",
         CliCommand::SetPin,
         U,
         "1234567",
         "1234",
         kExitUsage,
         "",
         "1 to 6 characters",
         {}},
    };
    for (const Case& c : cases) {
        auto unit = StartUnit();
        CliCommandLine line;
        line.port = unit->TerminalPath();
        line.command = c.command;
        line.role = c.role;
        line.newSecret = c.newSecret;
        line.oldSecret = c.oldSecret;
        const Result r = RunLine(line);
        EXPECT_EQ(r.code, c.code) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_NE(r.err.find(c.errPart), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(unit->ReceivedFrames(), c.frames) << c.name;
    }
}

TEST_F(CliExchangeTest, NewUserScenarioAgainstTheDemoUnit) {
    // Read, print as JSON, change three controls, encode, write with a login, read back: all
    // on the built-in unit, which lives as long as the session.
    std::ostringstream out, err;
    CliSession session(Options("DEMO", 1000, 3000ms), TextCatalog(dir / "skin.ini"), out, err);
    ASSERT_EQ(session.Open(), kExitOk) << err.str();
    const auto read = dir.Path() / "unit.bin";
    ASSERT_EQ(session.ReadSettings(read), kExitOk) << err.str();

    std::ostringstream json;
    ASSERT_EQ(ShowSettingsFile(read, true, TextCatalog(dir.Path() / "skin.ini"), json, err),
              kExitOk);
    auto values = nlohmann::ordered_json::parse(json.str());
    values["Edit5"] = "+4915550001";
    values["Edit41"] = "Garden gate";
    values["ComboBox650"] = "120";
    std::istringstream edited(values.dump());
    const auto changed = dir.Path() / "changed.bin";
    ASSERT_EQ(EncodeSettingsFile("-", changed, read, TextCatalog(dir.Path() / "skin.ini"), edited,
                                 out, err),
              kExitOk)
        << err.str();

    const std::string bytes = testing::ReadBytes(changed);
    ASSERT_EQ(session.Login("123456"), kExitOk) << err.str();
    ASSERT_EQ(session.WriteSettings(std::vector<std::uint8_t>(bytes.begin(), bytes.end())), kExitOk)
        << err.str();
    const auto back = dir.Path() / "back.bin";
    ASSERT_EQ(session.ReadSettings(back), kExitOk) << err.str();
    EXPECT_EQ(testing::ReadBytes(back), bytes);

    std::ostringstream shown;
    ASSERT_EQ(ShowSettingsFile(back, true, TextCatalog(dir.Path() / "skin.ini"), shown, err),
              kExitOk);
    const auto after = nlohmann::ordered_json::parse(shown.str());
    EXPECT_EQ(after["Edit5"], "+4915550001");
    EXPECT_EQ(after["Edit41"], "Garden gate");
    EXPECT_EQ(after["ComboBox650"], "120");
    EXPECT_EQ(after, values);
}

TEST_F(CliExchangeTest, PortThatDoesNotExist) {
    const Result r = Run((dir.Path() / "ttyMissing").string(), [](CliSession&) { return 0; });
    EXPECT_EQ(r.code, kExitOpenFailed);
    EXPECT_EQ(r.err.rfind("Open failed: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
}

TEST_F(CliExchangeTest, PortThatIsNoTerminal) {
    const auto file = dir.Path() / "plain.txt";
    std::ofstream(file) << "x";
    const Result r = Run(file.string(), [](CliSession&) { return 0; });
    EXPECT_EQ(r.code, kExitOpenFailed);
    EXPECT_NE(r.err.find("not a terminal device"), std::string::npos) << r.err;
}

TEST_F(CliExchangeTest, DemoPortTalksToTheBuiltInUnit) {
    std::ostringstream out, err;
    CliSession::Options options;
    options.port = "demo";
    CliSession session(options, TextCatalog(dir.Path() / "skin.ini"), out, err);
    ASSERT_EQ(session.Open(), kExitOk) << err.str();
    EXPECT_EQ(session.Identity(), kExitOk) << err.str();
    EXPECT_NE(out.str().find(std::string("IMEI: ") + UnitEngine::kImei), std::string::npos);
    ASSERT_NE(session.DemoUnit(), nullptr);
    EXPECT_EQ(session.DemoUnit()->ReceivedFrames().size(), 1u);
}

}  // namespace
}  // namespace carecfg
