#include <gtest/gtest.h>

#include <functional>

#include "link/ManualTimer.h"
#include "tests/link/LinkFakes.h"

namespace carecfg {
namespace {

using testing::Bytes;
using testing::Reply;
using testing::SessionRig;
using testing::WithBadChecksum;

constexpr int kDefaultInterval = -1;

struct SenderCase {
    const char* name;
    int interval;  // kDefaultInterval: as the timer comes, before any resend time is applied
    bool portOpen;
    std::function<void(SessionRig&)> script;
    std::vector<int> writeTimes;
    std::vector<std::string> log;
};

TEST(LinkSenderTest, TransmitsAndRepeatsByTheResendRules) {
    const Bytes identity(34, '7');
    const SenderCase cases[] = {
        {"port closed: M3 once, nothing sent",
         3000,
         false,
         [](SessionRig& r) {
             r.session.SendReadIdentity();
             r.Advance(10000);
         },
         {},
         {"msg:M3"}},
        {"interval 0, silent unit: one transmission",
         0,
         true,
         [](SessionRig& r) {
             r.session.SendReadIdentity();
             r.Advance(20000);
         },
         {0},
         {}},
        {"interval 0, bad checksum still resends",
         0,
         true,
         [](SessionRig& r) {
             r.session.SendReadIdentity();
             r.Advance(500);
             r.Feed(WithBadChecksum(Reply(0x07, {})));
             r.Advance(20000);
         },
         {0, 500},
         {}},
        {"silent unit: three transmissions spaced by the interval",
         kDefaultInterval,
         true,
         [](SessionRig& r) {
             r.session.SendReadIdentity();
             r.Advance(30000);
         },
         {0, 3000, 6000},
         {}},
        {"bad reply then good reply: two transmissions",
         3000,
         true,
         [&](SessionRig& r) {
             r.session.SendReadIdentity();
             r.Advance(1000);
             r.Feed(WithBadChecksum(Reply(0x07, identity)));
             r.Advance(1000);
             r.Feed(Reply(0x07, identity));
             r.Advance(20000);
         },
         {0, 1000},
         {"status:M23"}},
        {"a single byte then silence: never resent",
         3000,
         true,
         [](SessionRig& r) {
             r.session.SendReadIdentity();
             r.Advance(500);
             r.Feed({0x23});
             r.Advance(20000);
         },
         {0},
         {}},
        {"no timed resend until a bad checksum, then the timer runs",
         3000,
         true,
         [](SessionRig& r) {
             r.session.SendFactoryDefault();
             r.Advance(10000);
             r.Feed(WithBadChecksum(Reply(0x06, {0x01})));
             r.Advance(20000);
         },
         {0, 10000, 13000},
         {}},
        {"port closed while waiting: M3 once, no further sends",
         3000,
         true,
         [](SessionRig& r) {
             r.session.SendReadIdentity();
             r.Advance(1000);
             r.port.open = false;
             r.Advance(20000);
         },
         {0},
         {"msg:M3"}},
        {"a new request on a running timer keeps the earlier start",
         3000,
         true,
         [](SessionRig& r) {
             r.session.SendReadIdentity();
             r.Advance(2000);
             r.session.SendReadBlock(0x100);
             r.Advance(20000);
         },
         {0, 2000, 3000, 6000},
         {}},
    };
    for (const SenderCase& c : cases) {
        SessionRig rig;
        if (c.interval != kDefaultInterval) {
            rig.timer.SetInterval(c.interval);
        }
        rig.port.open = c.portOpen;
        c.script(rig);
        EXPECT_EQ(rig.port.writeTimes, c.writeTimes) << c.name;
        EXPECT_EQ(rig.log, c.log) << c.name;
        if (c.interval != 0) {  // with interval 0 the timer may run, it just never fires
            EXPECT_FALSE(rig.timer.IsRunning()) << c.name;
        }
    }
}

TEST(LinkSenderTest, GivesUpSilentlyAfterThreeIdenticalTransmissions) {
    SessionRig rig;
    testing::GaveUpCounter gaveUp;
    rig.session.AddListener(gaveUp);
    rig.session.SendReadBlock(0x30000);
    rig.Advance(30000);
    ASSERT_EQ(rig.port.writes.size(), 3u);
    for (const Bytes& w : rig.port.writes) {
        EXPECT_EQ(w, BuildReadBlock(0x30000));
    }
    EXPECT_EQ(gaveUp.count, 1);
    EXPECT_EQ(rig.session.Sender().SendCount(), 3);
    EXPECT_EQ(rig.session.Sender().LastCommand(), CmdReadBlock);

    // A late bad frame changes nothing after the exchange was given up.
    rig.Feed(WithBadChecksum(Reply(0x83, {})));
    EXPECT_EQ(rig.port.writes.size(), 3u);
    EXPECT_EQ(gaveUp.count, 1);
}

TEST(LinkSenderTest, ClosedPortLeavesTheEarlierExchangeAlone) {
    SessionRig rig;
    rig.session.SendReadBlock(0x100);
    rig.port.open = false;
    rig.session.Sender().SetPendingRequest(BuildReadIdentity());
    rig.session.Sender().SendRequest();
    EXPECT_EQ(rig.session.Sender().LastCommand(), CmdReadBlock);
    EXPECT_TRUE(rig.timer.IsRunning());
    EXPECT_EQ(rig.log, (std::vector<std::string>{"msg:M3"}));
}

TEST(LinkSenderTest, NothingToSendOrAFailingWriteNeverEscapes) {
    SessionRig rig;
    LinkSender& sender = rig.session.Sender();
    for (const Bytes& pending : {Bytes{}, Bytes{0x23}}) {
        sender.SetPendingRequest(pending);
        sender.SendRequest();
        sender.ResendRequest();
    }
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_TRUE(rig.log.empty());

    rig.port.failWrites = true;
    sender.SetPendingRequest(BuildReadIdentity());
    EXPECT_NO_THROW(sender.SendRequest());
    EXPECT_NO_THROW(sender.ResendRequest());
}

// A write that fails is silence on the line: the timer still runs and the request is tried
// again, three times in all, like for a unit that does not answer.
TEST(LinkSenderTest, AFailingWriteIsAnsweredByTimedResends) {
    SessionRig rig;
    testing::GaveUpCounter gaveUp;
    rig.session.AddListener(gaveUp);
    rig.port.failWrites = true;
    rig.session.SendReadIdentity();
    EXPECT_TRUE(rig.timer.IsRunning());
    rig.Advance(3000);
    EXPECT_EQ(rig.session.Sender().SendCount(), 1);
    rig.port.failWrites = false;
    rig.Advance(3000);
    EXPECT_EQ(rig.port.writes, std::vector<Bytes>{BuildReadIdentity()});
    rig.Advance(30000);
    EXPECT_EQ(gaveUp.count, 1);
    EXPECT_FALSE(rig.timer.IsRunning());
}

struct TimerCase {
    const char* name;
    int interval;
    std::function<void(ManualTimer&)> script;
    int expiries;
};

TEST(ManualTimerTest, FollowsTheResendTimerRules) {
    const TimerCase cases[] = {
        {"interval 0 never fires", 0,
         [](ManualTimer& t) {
             t.Start();
             t.Advance(1000000);
         },
         0},
        {"starting a running timer keeps its start", 3000,
         [](ManualTimer& t) {
             t.Start();
             t.Advance(2000);
             t.Start();
             t.Advance(1000);
         },
         1},
        {"stop then start restarts the interval", 3000,
         [](ManualTimer& t) {
             t.Start();
             t.Advance(2000);
             t.Stop();
             t.Start();
             t.Advance(2999);
         },
         0},
        {"periodic while nobody stops it", 1000,
         [](ManualTimer& t) {
             t.Start();
             t.Advance(3500);
         },
         3},
        {"stopped time does not count", 1000,
         [](ManualTimer& t) {
             t.Advance(5000);
             t.Start();
             t.Advance(999);
         },
         0},
    };
    for (const TimerCase& c : cases) {
        ManualTimer timer;
        EXPECT_EQ(timer.Interval(), 3000) << c.name;
        timer.SetInterval(c.interval);
        int fired = 0;
        timer.onExpiry = [&] { ++fired; };
        c.script(timer);
        EXPECT_EQ(fired, c.expiries) << c.name;
    }
}

}  // namespace
}  // namespace carecfg
