#include "sim/UnitSim.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "image/DeviceImage.h"
#include "image/ImageFiles.h"
#include "link/Commands.h"
#include "link/FrameParser.h"
#include "link/LinkFrame.h"
#include "sim/DemoUnit.h"

#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

namespace fs = std::filesystem;

// The tool's end of the line: the unit's terminal opened raw, as a serial port would be.
class Terminal {
public:
    explicit Terminal(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio{};
            tcgetattr(m_fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Terminal() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    bool IsOpen() const { return m_fd >= 0; }
    void Send(const std::vector<std::uint8_t>& frame) {
        ASSERT_EQ(::write(m_fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    }
    // Bytes that arrive until `count` are in or nothing came for `quietMs`.
    std::vector<std::uint8_t> Receive(std::size_t count, int quietMs = 2000) {
        std::vector<std::uint8_t> got;
        while (got.size() < count) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0) {
                break;
            }
            std::uint8_t buf[512];
            const ssize_t n = ::read(m_fd, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0) {
                break;
            }
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }
    // One reply frame with a good checksum, or nullopt when none came.
    std::optional<ParsedFrame> ReceiveFrame(std::size_t payloadLength, int quietMs = 2000) {
        FrameParser parser;
        auto frames = parser.Feed(Receive(payloadLength + kFrameOverhead, quietMs));
        if (frames.size() != 1) {
            return std::nullopt;
        }
        return frames[0];
    }

    // The unit's side went away: the line reads end of file or fails, waiting at most waitMs.
    // Bytes the unit sent before it went (the rest of a reply on a paced line) are read past.
    bool HungUp(int waitMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            pollfd p{m_fd, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
                return false;
            }
            if ((p.revents & POLLHUP) != 0) {
                return true;
            }
            std::uint8_t buf[512];
            if (::read(m_fd, buf, sizeof buf) <= 0) {
                return true;
            }
        }
    }

private:
    int m_fd = -1;
};

// Waits for a condition the unit's thread brings about; false after the limit (a hang guard).
bool WaitFor(const std::function<bool()>& done,
             std::chrono::seconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class UnitSimTest : public ::testing::Test {
protected:
    carecfg::testing::TempDir temp{"unitsim-test"};
    fs::path dir = temp.Path();
    fs::path link = dir / "ttyCARE0";
};

TEST_F(UnitSimTest, AnswersIdentityReadAndWriteOverTheLink) {
    UnitSim unit;
    ASSERT_TRUE(unit.Start(link)) << unit.LastError();
    EXPECT_EQ(unit.TerminalPath(), link.string());
    EXPECT_EQ(fs::read_symlink(link).string(), unit.PtsName());
    Terminal line(unit.TerminalPath());
    ASSERT_TRUE(line.IsOpen());

    line.Send(BuildReadIdentity());
    auto identity = line.ReceiveFrame(34);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->command, CmdReadIdentity);
    EXPECT_EQ(std::string(identity->payload.begin(), identity->payload.begin() + 9), "300421785");

    const auto demo = BuildDemoMemory();
    line.Send(BuildReadRecordBlock(0x30100));
    auto block = line.ReceiveFrame(256);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->command, CmdReadRecordBlock);
    EXPECT_EQ(block->address, 0x30100u);
    EXPECT_TRUE(std::equal(block->payload.begin(), block->payload.end(), demo.begin() + 0x30100));

    std::vector<std::uint8_t> image(kImageSize, 0x42);
    line.Send(BuildWriteBlock(0x0200, image));
    auto status = line.ReceiveFrame(1);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->address, 0x0200u);
    EXPECT_EQ(status->payload, std::vector<std::uint8_t>{1});
    const auto memory = unit.MemorySnapshot();
    EXPECT_TRUE(std::all_of(memory.begin() + 0x200, memory.begin() + 0x300,
                            [](auto b) { return b == 0x42; }));

    line.Send(*BuildLogin("123456"));
    EXPECT_EQ(line.ReceiveFrame(1)->payload[0], 1);
    line.Send(*BuildLogin("000000"));
    EXPECT_EQ(line.ReceiveFrame(1)->payload[0], 0);

    const auto frames = unit.ReceivedFrames();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0], BuildReadIdentity());
    EXPECT_EQ(frames[1], BuildReadRecordBlock(0x30100));

    unit.Stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(UnitSimTest, WriteStatusAtRefusesTheWriteAtOneAddressOnly) {
    SimOptions options;
    options.faults.writeStatusAt = SimFaults::WriteStatusAt{0x0700, 2};
    UnitSim unit(options);
    ASSERT_TRUE(unit.Start(link)) << unit.LastError();
    Terminal line(unit.TerminalPath());
    ASSERT_TRUE(line.IsOpen());
    const std::vector<std::uint8_t> image(kImageSize, 0x42);
    const std::pair<std::uint32_t, std::uint8_t> cases[] = {
        {0x0600, 1}, {0x0700, 2}, {0x0800, 1}, {0x0700, 2}};
    for (const auto& [address, status] : cases) {
        line.Send(BuildWriteBlock(address, image));
        const auto reply = line.ReceiveFrame(1);
        ASSERT_TRUE(reply) << address;
        EXPECT_EQ(reply->address, address);
        EXPECT_EQ(reply->payload, std::vector<std::uint8_t>{status}) << address;
    }
    // The refused block is not stored; its neighbours are.
    const auto memory = unit.MemorySnapshot();
    const auto demo = BuildDemoMemory();
    EXPECT_EQ(memory[0x0600], 0x42);
    EXPECT_TRUE(
        std::equal(memory.begin() + 0x0700, memory.begin() + 0x0800, demo.begin() + 0x0700));
    EXPECT_EQ(memory[0x0800], 0x42);
}

TEST_F(UnitSimTest, KeepsAnsweringAfterTheToolClosesAndReopens) {
    UnitSim unit;
    ASSERT_TRUE(unit.Start(link));
    for (int round = 0; round < 3; ++round) {
        Terminal line(link.string());
        line.Send(BuildClearRegion(0x92));
        auto status = line.ReceiveFrame(1);
        ASSERT_TRUE(status) << "round " << round;
        EXPECT_EQ(status->command, 0x92);
        EXPECT_EQ(status->payload[0], 1);
    }
    const auto memory = unit.MemorySnapshot();
    EXPECT_EQ(memory[0x5000], 0xFF);
    EXPECT_NE(memory[0x6020], 0xFF);  // the glucose readings stay
}

TEST_F(UnitSimTest, AnAbandonedRequestDoesNotSwallowTheNextOne) {
    UnitSim unit;
    ASSERT_TRUE(unit.Start(link));
    {
        Terminal line(link.string());
        const auto write = BuildWriteBlock(0, std::vector<std::uint8_t>(kImageSize, 0));
        line.Send({write.begin(), write.begin() + 100});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    Terminal line(link.string());
    line.Send(BuildReadIdentity());
    EXPECT_TRUE(line.ReceiveFrame(34));
    EXPECT_EQ(unit.MemorySnapshot(), BuildDemoMemory());
}

TEST_F(UnitSimTest, DropAndCorruptFaultsShowOnTheLine) {
    {
        SimOptions options;
        options.faults.dropOneIn = 1;
        UnitSim unit(options);
        ASSERT_TRUE(unit.Start(link));
        Terminal line(link.string());
        line.Send(BuildReadIdentity());
        EXPECT_TRUE(line.Receive(1, 300).empty());
        EXPECT_EQ(unit.ReceivedFrames().size(), 1u);
    }
    {
        SimOptions options;
        options.faults.corruptOneIn = 1;
        UnitSim unit(options);
        ASSERT_TRUE(unit.Start(link));
        Terminal line(link.string());
        line.Send(BuildReadBlock(0));
        const auto bytes = line.Receive(265);
        ASSERT_EQ(bytes.size(), 265u);
        EXPECT_NE(FrameChecksum(std::span(bytes).first(264)), bytes[264]);
    }
}

// Which of a run of identity requests got a good answer, with one reply in two dropped.
std::string AnswerTrace(const fs::path& link, std::uint32_t seed) {
    SimOptions options;
    options.seed = seed;
    options.faults.dropOneIn = 2;
    UnitSim unit(options);
    if (!unit.Start(link)) {
        return "not started";
    }
    Terminal line(link.string());
    std::string trace;
    for (int i = 0; i < 12; ++i) {
        line.Send(BuildReadIdentity());
        trace += line.ReceiveFrame(34, 250) ? 'a' : '-';
    }
    return trace;
}

TEST_F(UnitSimTest, SameSeedGivesTheSameFaults) {
    const std::string first = AnswerTrace(link, 1234);
    EXPECT_EQ(first, AnswerTrace(link, 1234));
    EXPECT_NE(first.find('a'), std::string::npos);
    EXPECT_NE(first.find('-'), std::string::npos);
}

TEST_F(UnitSimTest, PacedSplitNoisyRepliesStillArriveWhole) {
    SimOptions options;
    options.faults.pace = true;
    options.faults.splitReplies = true;
    options.faults.noiseBytes = 5;
    options.faults.replyDelayMs = 20;
    UnitSim unit(options);
    ASSERT_TRUE(unit.Start(link));
    Terminal line(link.string());
    line.Send(BuildReadBlock(0x0F00));
    auto block = line.ReceiveFrame(256 + 5);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->address, 0x0F00u);
}

TEST_F(UnitSimTest, HangsUpAfterItsBlocksAndComesBackOnANewTerminal) {
    SimOptions options;
    options.faults.hangUpAfterBlocks = 3;
    UnitSim unit(options);
    ASSERT_TRUE(unit.Start(link)) << unit.LastError();
    {
        Terminal line(link.string());
        ASSERT_TRUE(line.IsOpen());
        for (std::uint32_t a = 0; a < 3 * kBlockSize; a += kBlockSize) {
            line.Send(BuildReadBlock(a));
            ASSERT_TRUE(line.ReceiveFrame(256)) << a;
        }
        line.Send(BuildReadIdentity());  // not a block: answered, and not counted
        ASSERT_TRUE(line.ReceiveFrame(34));
        line.Send(BuildReadBlock(3 * kBlockSize));
        EXPECT_TRUE(line.HungUp()) << "the fourth block request finds the line gone";
        ASSERT_TRUE(WaitFor([&] { return !unit.LineUp(); }));
        EXPECT_EQ(unit.HangUps(), 1);
        EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the device name vanishes";
        EXPECT_EQ(unit.ReceivedFrames().size(), 5u) << "the unanswered request was received";
        unit.PullAdapter();  // already away: nothing
        EXPECT_EQ(unit.HangUps(), 1);
    }
    unit.ComeBack();
    ASSERT_TRUE(WaitFor([&] { return unit.LineUp(); })) << unit.LastError();
    EXPECT_EQ(unit.Returns(), 1);
    EXPECT_EQ(fs::read_symlink(link).string(), unit.PtsName());
    Terminal line(link.string());
    ASSERT_TRUE(line.IsOpen());
    for (std::uint32_t a = 0; a < 6 * kBlockSize; a += kBlockSize) {
        line.Send(BuildReadBlock(a));
        ASSERT_TRUE(line.ReceiveFrame(256)) << "a unit that came back stays: " << a;
    }
    unit.ComeBack();  // on the line: nothing
    EXPECT_EQ(unit.Returns(), 1);
    unit.Stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(UnitSimTest, APulledAdapterComesBackByItselfAfterItsTime) {
    SimOptions options;
    options.faults.comeBackAfterMs = 50;
    options.faults.pace = true;  // a block reply takes about 23 ms on the line
    UnitSim unit(options);
    ASSERT_TRUE(unit.Start());  // no link: the terminal path follows the new terminal
    const std::string first = unit.TerminalPath();
    {
        Terminal line(first);
        line.Send(BuildReadBlock(0));
        ASSERT_FALSE(line.Receive(1).empty()) << "the reply has begun";
        unit.PullAdapter();
        EXPECT_TRUE(line.HungUp());
    }
    ASSERT_TRUE(WaitFor([&] { return unit.Returns() == 1; }));
    EXPECT_TRUE(unit.LineUp());
    EXPECT_EQ(unit.TerminalPath(), unit.PtsName());
    Terminal line(unit.TerminalPath());
    line.Send(BuildReadIdentity());
    EXPECT_TRUE(line.ReceiveFrame(34));
}

TEST_F(UnitSimTest, TakenFramesAreForgotten) {
    UnitSim unit;
    ASSERT_TRUE(unit.Start(link));
    Terminal line(link.string());
    line.Send(BuildReadIdentity());
    ASSERT_TRUE(line.ReceiveFrame(34));
    EXPECT_EQ(unit.TakeReceivedFrames(),
              (std::vector<std::vector<std::uint8_t>>{BuildReadIdentity()}));
    EXPECT_TRUE(unit.TakeReceivedFrames().empty());
    EXPECT_TRUE(unit.ReceivedFrames().empty());
}

TEST_F(UnitSimTest, StartsFromAnImageAndSavesOnStop) {
    std::vector<std::uint8_t> start(kImageSize, 0x00);
    start[0x30000] = 0x18;
    const fs::path in = dir / "in.bin";
    const fs::path out = dir / "out.bin";
    ASSERT_TRUE(WriteFileAtomically(in, start));

    SimOptions options;
    options.imageFile = in;
    options.saveFile = out;
    UnitSim unit(options);
    ASSERT_TRUE(unit.Start());  // no link: the terminal is the pts itself
    EXPECT_EQ(unit.TerminalPath(), unit.PtsName());
    EXPECT_EQ(unit.MemorySnapshot(), start);
    {
        Terminal line(unit.TerminalPath());
        line.Send(BuildClearAllRecords());
        ASSERT_TRUE(line.ReceiveFrame(1));
    }
    unit.Stop();
    EXPECT_TRUE(unit.LastError().empty()) << unit.LastError();
    const auto saved = ReadFileExactly(out, kImageSize);
    ASSERT_TRUE(saved);
    EXPECT_EQ((*saved)[0x30000], 0xFF);
    EXPECT_EQ((*saved)[0], 0x00);
}

TEST_F(UnitSimTest, RefusesBadStartConditions) {
    {
        std::ofstream(link) << "a regular file";
        UnitSim unit;
        EXPECT_FALSE(unit.Start(link));
        EXPECT_FALSE(unit.LastError().empty());
        EXPECT_TRUE(fs::is_regular_file(link)) << "never replaced";
    }
    {
        SimOptions options;
        options.imageFile = dir / "missing.bin";
        UnitSim unit(options);
        EXPECT_FALSE(unit.Start());
    }
    {
        // A stale link from an earlier run is replaced.
        fs::remove(link);
        fs::create_symlink("/dev/pts/nonexistent", link);
        UnitSim unit;
        ASSERT_TRUE(unit.Start(link)) << unit.LastError();
        EXPECT_EQ(fs::read_symlink(link).string(), unit.PtsName());
    }
}

}  // namespace
}  // namespace carecfg
