#include <gtest/gtest.h>

#include <dirent.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "serial/EventQueue.h"
#include "serial/SerialComm.h"
#include "tests/serial/CommTestSupport.h"
#include "tests/support/PtyPair.h"

namespace carecfg {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::Clock;
using testing::OpenError;
using testing::Pattern;
using testing::PtyPair;

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d) != nullptr)
            ++n;
        ::closedir(d);
    }
    return n;
}

// A TComm on a fresh pseudo-terminal, with the events recorded on the test's thread.
class SerialCommTest : public testing::CommEventsTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        Attach(pty.Path());
    }

    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        return CommEventsTest::RunUntil(done, limit);
    }
    void RunFor(std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end)
            events.RunFor(10ms);
    }
    termios TerminalSettings() const {
        termios t{};
        tcgetattr(pty.Keeper(), &t);
        return t;
    }

    PtyPair pty;
};

TEST(TCommDefaults, PublishedDefaultsAndTheValuesCommRGets) {
    EventQueue events;
    TComm comm(events);
    EXPECT_EQ(comm.CommName(), "COM2");
    EXPECT_EQ(comm.BaudRate(), 9600u);
    EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrEnable);
    EXPECT_TRUE(comm.TxContinueOnXoff());
    EXPECT_TRUE(comm.Outx_XonXoffFlow());
    EXPECT_TRUE(comm.Inx_XonXoffFlow());
    EXPECT_EQ(comm.XonLimit(), 500);
    EXPECT_EQ(comm.XoffLimit(), 500);
    EXPECT_EQ(comm.XonChar(), 0x11);
    EXPECT_EQ(comm.XoffChar(), 0x13);
    EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(comm.SendDataEmpty());

    comm.ApplyCommRSettings();
    EXPECT_EQ(comm.CommName(), "COM1");
    EXPECT_EQ(comm.BaudRate(), 115200u);
    EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrDisable);
    EXPECT_EQ(comm.RtsControl(), TRtsControl::RtsEnable);
    EXPECT_FALSE(comm.TxContinueOnXoff());
    EXPECT_FALSE(comm.Outx_XonXoffFlow());
    EXPECT_FALSE(comm.Inx_XonXoffFlow());
    EXPECT_FALSE(comm.Outx_CtsFlow());
    EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
    EXPECT_EQ(comm.Parity(), TParity::None);
    EXPECT_EQ(comm.StopBits(), TStopBits::_1);
    EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
}

TEST(TCommOpen, FailuresGiveTheirTextAndLeaveNothingOpen) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("serial-test-" + std::to_string(::getpid()));
    std::ofstream(file) << "not a port";
    struct Case {
        std::string name;
        const char* error;
    };
    const Case cases[] = {
        {"/dev/null", kErrNotCommHandle},
        {file.string(), kErrNotCommHandle},
        {"/dev/no-such-serial-device", kErrOpening},
        {"/", kErrOpening},
        {"", kErrOpening},
    };
    EventQueue events;
    TComm comm(events);
    const int before = OpenDescriptors();
    for (const Case& c : cases) {
        comm.SetCommName(c.name);
        EXPECT_EQ(OpenError(comm), c.error) << "name '" << c.name << "'";
        EXPECT_FALSE(comm.IsOpen()) << c.name;
        EXPECT_EQ(OpenDescriptors(), before) << c.name;
    }
    std::filesystem::remove(file);
}

TEST_F(SerialCommTest, OpeningAnOpenPortFailsAndKeepsItOpen) {
    comm->OpenPort();
    EXPECT_EQ(OpenError(*comm), kErrAlreadyOpened);
    ASSERT_TRUE(comm->IsOpen());
    const Bytes hello = Pattern(5);
    EXPECT_TRUE(comm->WritePortData(hello.data(), 5));
    EXPECT_EQ(pty.Receive(5), hello);
}

TEST_F(SerialCommTest, APortHeldByAnotherTCommCannotBeOpened) {
    comm->OpenPort();
    TComm second(events);
    second.SetCommName(pty.Path());
    EXPECT_EQ(OpenError(second), kErrOpening);
    EXPECT_FALSE(second.IsOpen());
    comm->ClosePort();
    EXPECT_EQ(OpenError(second), "") << "closing releases the port";
    EXPECT_TRUE(second.IsOpen());
}

TEST_F(SerialCommTest, AFailedSecondOpenLeavesTheHolderInTheMiddleOfItsWork) {
    comm->OpenPort();
    // More than the terminal holds, so the holder's writer is still at work during the attempt.
    const Bytes big = Pattern(65535, 9);
    ASSERT_TRUE(comm->WritePortData(big.data(), static_cast<std::uint16_t>(big.size())));
    for (int attempt = 0; attempt < 3; ++attempt) {
        TComm second(events);
        second.SetCommName(pty.Path());
        EXPECT_EQ(OpenError(second), kErrOpening) << attempt;
    }
    EXPECT_EQ(pty.Receive(big.size()), big);
    ASSERT_TRUE(pty.Send({4, 5, 6}));
    ASSERT_TRUE(RunUntil([&] { return Received().size() >= 3; }));
    EXPECT_EQ(Received(), (Bytes{4, 5, 6}));
    EXPECT_EQ(hangups, 0);
}

TEST_F(SerialCommTest, OpenWritesTheLineSettingsAndSettersRewriteThem) {
    comm->OpenPort();
    termios t = TerminalSettings();
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INPCK), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);

    comm->SetOutx_XonXoffFlow(true);
    comm->SetStopBits(TStopBits::_2);
    t = TerminalSettings();
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON));
    EXPECT_EQ(t.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));

    comm->SetXonChar('A');
    comm->SetXoffChar('B');
    comm->SetBaudRate(9600);
    t = TerminalSettings();
    EXPECT_EQ(t.c_cc[VSTART], 'A');
    EXPECT_EQ(t.c_cc[VSTOP], 'B');
    EXPECT_EQ(cfgetospeed(&t), B9600);

    comm->SetBaudRate(12345);  // unknown to termios: the port keeps its settings
    EXPECT_EQ(comm->BaudRate(), 12345u);
    t = TerminalSettings();
    EXPECT_EQ(cfgetospeed(&t), B9600);
}

TEST_F(SerialCommTest, WritesOfNothingOrWhileClosedAreRefused) {
    const Bytes data = Pattern(4);
    EXPECT_FALSE(comm->WritePortData(data.data(), 4)) << "closed";
    comm->OpenPort();
    EXPECT_FALSE(comm->WritePortData(data.data(), 0));
    EXPECT_FALSE(comm->WritePortData(nullptr, 4));
    comm->ClosePort();
    EXPECT_FALSE(comm->WritePortData(data.data(), 4)) << "closed again";
    EXPECT_TRUE(pty.Receive(1, 200ms).empty());
}

TEST_F(SerialCommTest, QueuedBuffersArriveCompleteAndInOrder) {
    comm->OpenPort();
    const Bytes record = Pattern(265, 1);
    const Bytes next = Pattern(10, 99);
    ASSERT_TRUE(comm->WritePortData(record.data(), 265));
    ASSERT_TRUE(comm->WritePortData(next.data(), 10));
    Bytes expected = record;
    expected.insert(expected.end(), next.begin(), next.end());
    EXPECT_EQ(pty.Receive(expected.size()), expected);
}

TEST_F(SerialCommTest, WritesLargerThanTheTerminalBufferWaitForRoomAndComplete) {
    comm->OpenPort();
    // Two buffers of the largest length are more than the terminal layer holds: the writer has
    // to wait for room while nobody reads.
    const Bytes first = Pattern(65535, 3), second = Pattern(65535, 4), tail = Pattern(300, 5);
    for (const Bytes* b : {&first, &second, &tail})
        ASSERT_TRUE(comm->WritePortData(b->data(), static_cast<std::uint16_t>(b->size())));
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(comm->SendDataEmpty());
    Bytes expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(pty.Receive(expected.size()), expected);
    EXPECT_TRUE(RunUntil([&] { return comm->SendDataEmpty(); }));
}

TEST_F(SerialCommTest, SendDataEmptyFiresWhenTheWriterRunsOutOfWork) {
    comm->OpenPort();
    ASSERT_TRUE(RunUntil([&] { return sendEmpty == 1; })) << "the idle writer reports once";
    const Bytes data = Pattern(20);
    ASSERT_TRUE(comm->WritePortData(data.data(), 20));
    EXPECT_TRUE(RunUntil([&] { return sendEmpty == 2; }));
    EXPECT_EQ(pty.Receive(20), data);
    EXPECT_TRUE(comm->SendDataEmpty());
}

TEST_F(SerialCommTest, ABurstArrivesAsAFullChunkAndTheRestAfterThePause) {
    comm->OpenPort();
    const Bytes reply = Pattern(265, 11);
    ASSERT_TRUE(pty.Send(reply));
    ASSERT_TRUE(RunUntil([&] { return Received().size() >= reply.size(); }));
    RunFor(300ms);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].size(), 256u);
    EXPECT_EQ(chunks[1].size(), 9u);
    EXPECT_EQ(Received(), reply);
}

TEST_F(SerialCommTest, BytesCloseTogetherFormOneChunk) {
    comm->OpenPort();
    const Bytes first = Pattern(3, 1), second = Pattern(4, 2);
    ASSERT_TRUE(pty.Send(first));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(pty.Send(second));
    ASSERT_TRUE(RunUntil([&] { return !chunks.empty(); }));
    Bytes expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], expected);
}

TEST_F(SerialCommTest, NulBytesAreDroppedWhenAsked) {
    comm->SetIgnoreNullChar(true);
    comm->OpenPort();
    ASSERT_TRUE(pty.Send({'a', 0, 'b', 0, 0, 'c'}));
    ASSERT_TRUE(RunUntil([&] { return Received().size() >= 3; }));
    EXPECT_EQ(Received(), (Bytes{'a', 'b', 'c'}));
}

TEST_F(SerialCommTest, ATotalTimeoutWithoutBytesKeepsTheReaderGoing) {
    comm->SetReadTotalTimeoutConstant(30);
    comm->OpenPort();
    RunFor(200ms);
    EXPECT_TRUE(chunks.empty());
    EXPECT_EQ(hangups, 0);
    const Bytes later = Pattern(6);
    ASSERT_TRUE(pty.Send(later));
    ASSERT_TRUE(RunUntil([&] { return Received().size() >= 6; }));
    EXPECT_EQ(Received(), later);
}

TEST_F(SerialCommTest, ClosingWhileAReadIsPendingEndsPromptlyAndTwiceIsHarmless) {
    comm->OpenPort();
    ASSERT_TRUE(pty.Send({1, 2, 3}));  // a chunk in progress, waiting for its pause
    const auto start = Clock::now();
    comm->ClosePort();
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_FALSE(comm->IsOpen());
    comm->ClosePort();
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_EQ(hangups, 0);

    comm->OpenPort();  // closing and opening again gives a working port
    ASSERT_TRUE(pty.Send({7, 8}));
    ASSERT_TRUE(RunUntil([&] { return Received().size() >= 2; }));
    EXPECT_EQ(Received().back(), 8);
}

TEST_F(SerialCommTest, TheOtherEndGoingAwayIsOneHangupAndTheReaderStops) {
    comm->OpenPort();
    pty.CloseMaster();
    ASSERT_TRUE(RunUntil([&] { return hangups >= 1; }));
    RunFor(300ms);
    EXPECT_EQ(hangups, 1);
    EXPECT_TRUE(comm->IsOpen()) << "a worker ending on its own leaves the port open";
    const auto start = Clock::now();
    comm->ClosePort();
    EXPECT_LT(Clock::now() - start, 5s);
}

TEST_F(SerialCommTest, WritesFailOnceTheWriterHasEnded) {
    comm->OpenPort();
    pty.CloseMaster();
    const Bytes data = Pattern(8);
    EXPECT_TRUE(comm->WritePortData(data.data(), 8));  // queued; the write itself fails
    ASSERT_TRUE(RunUntil([&] { return !comm->WritePortData(data.data(), 8) && hangups >= 1; }));
    EXPECT_TRUE(comm->IsOpen());
}

TEST_F(SerialCommTest, AWriteWaitingForRoomEndsWhenTheOtherSideGoesAway) {
    comm->OpenPort();
    // Nobody reads: the writer waits for room in the middle of the first buffer.
    const Bytes big = Pattern(65535, 1);
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(comm->WritePortData(big.data(), static_cast<std::uint16_t>(big.size())));
    pty.CloseMaster();
    ASSERT_TRUE(RunUntil([&] { return !comm->WritePortData(big.data(), 1) && hangups >= 1; }))
        << "the writer ends instead of waiting for ever, and the owner hears of it";
    EXPECT_TRUE(comm->SendDataEmpty()) << "nothing is left queued for a line that is gone";
    const auto start = Clock::now();
    comm->ClosePort();
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_FALSE(comm->IsOpen());
}

TEST_F(SerialCommTest, NotificationsLeftAfterDestructionDoNothing) {
    bool fired = false;
    comm->OnReceiveData = [&](TComm&, const std::uint8_t*, std::uint16_t) { fired = true; };
    comm->OpenPort();
    ASSERT_TRUE(pty.Send({1, 2, 3}));
    // Wait until the chunk is posted, without running it.
    const auto end = Clock::now() + 10s;
    while (events.Pending() < 2 && Clock::now() < end)  // send-data-empty notice and the chunk
        std::this_thread::sleep_for(10ms);
    ASSERT_GE(events.Pending(), 2u);
    comm.reset();
    events.RunReady();
    EXPECT_FALSE(fired);
    EXPECT_EQ(sendEmpty, 0);
}

TEST_F(SerialCommTest, DestroyingAnOpenTCommClosesThePort) {
    comm->OpenPort();
    comm.reset();
    TComm again(events);
    again.SetCommName(pty.Path());
    EXPECT_EQ(OpenError(again), "");
}

// The link closes the port from its receive handler (the user presses the port button while a
// reply is being fed): that must not wait for the reader forever, and must release everything.
TEST_F(SerialCommTest, ClosingFromInsideTheReceiveHandlerStopsCleanly) {
    const int before = OpenDescriptors();
    int calls = 0;
    comm->OnReceiveData = [&](TComm& sender, const std::uint8_t*, std::uint16_t) {
        ++calls;
        sender.ClosePort();
        EXPECT_FALSE(sender.IsOpen());
    };
    comm->OpenPort();
    ASSERT_TRUE(pty.Send(Pattern(600)));  // more than one chunk, some still on their way
    ASSERT_TRUE(RunUntil([&] { return calls >= 1; }));
    RunFor(300ms);
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(hangups, 0);

    comm->OnReceiveData = [this](TComm&, const std::uint8_t* buf, std::uint16_t len) {
        chunks.emplace_back(buf, buf + len);
    };
    chunks.clear();
    comm->OpenPort();
    ASSERT_TRUE(pty.Send({9, 8, 7}));
    ASSERT_TRUE(RunUntil([&] { return !Received().empty() && Received().back() == 7; }));
}

}  // namespace
}  // namespace carecfg
