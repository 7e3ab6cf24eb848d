// The command-line tool end to end in one process: its session (serial port, link, event loop)
// against a simulated unit on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "image/ImageFiles.h"
#include "link/Commands.h"
#include "sim/DemoUnit.h"
#include "sim/UnitEngine.h"
#include "sim/UnitSim.h"
#include "tests/e2e/TempDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

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
               "M9=The unit refused the password.\n";
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

    Result Run(const std::string& port, const std::function<int(CliSession&)>& command,
               int resendMs = 1000, std::chrono::milliseconds timeout = 3000ms) {
        std::ostringstream out, err;
        CliSession::Options options;
        options.port = port;
        options.resendMs = resendMs;
        options.timeout = timeout;
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
};

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
