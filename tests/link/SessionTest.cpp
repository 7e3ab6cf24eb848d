#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <numeric>
#include <stdexcept>

#include "tests/link/LinkFakes.h"

namespace carecfg {
namespace {

using testing::Bytes;
using testing::Reply;
using testing::SessionRig;
using testing::WithBadChecksum;

using Log = std::vector<std::string>;

Bytes Cat2(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", v);
    return text;
}

// Logs the replies the link hands on, beside the messages the rig's notices log.
struct ReplyLog : LinkListener {
    explicit ReplyLog(Log& log) : log(log) {}
    void LoginAccepted() override { log.push_back("login"); }
    void LoginRefused(std::uint8_t s) override { log.push_back("refused:" + std::to_string(s)); }
    void IdentityReceived(const IdentityReply& id) override {
        log.push_back("identity:" + id.deviceId + "|" + id.firmwareVersion + "|" + id.imei);
    }
    Log& log;
};

void RecordHandlers(SessionRig& rig, ReplyLog& replies) {
    rig.session.AddListener(replies);
    rig.blocks.onWrite = [&rig](const ReceiveRecord& r) {
        rig.log.push_back("write:" + Hex(RecordAddress(r)) + "/" + std::to_string(r[8]));
    };
    rig.blocks.onRead = [&rig](const ReceiveRecord& r) {
        rig.log.push_back("read:" + Hex(RecordAddress(r)));
    };
    rig.blocks.onRecord = [&rig](const ReceiveRecord& r) {
        rig.log.push_back("records:" + Hex(RecordAddress(r)));
    };
}

struct DispatchCase {
    const char* name;
    std::function<void(LinkSession&)> send;
    Bytes reply;
    Log log;
};

Bytes IdentityPayload() {
    Bytes p;
    const std::string id = "CARE012345";  // fills all ten bytes
    p.insert(p.end(), id.begin(), id.end());
    const Bytes fw{'V', '2', '.', '1', 0x00, 'x', 'y', 'z'};
    p.insert(p.end(), fw.begin(), fw.end());
    const std::string imei = "356938035643809";
    p.insert(p.end(), imei.begin(), imei.end());
    p.push_back(0xFF);
    return p;
}

TEST(LinkSessionTest, RoutesRepliesByTheCommandSentLast) {
    auto clear = [](std::uint8_t code) {
        return [code](LinkSession& s) { s.SendClearRegion(code); };
    };
    const DispatchCase cases[] = {
        {"user password status 1",
         [](LinkSession& s) { s.SendSetUserPassword("1234"); },
         Reply(0x09, {1}),
         {"msg:M24"}},
        {"admin password status 0",
         [](LinkSession& s) { s.SendSetAdminPassword("123456"); },
         Reply(0x08, {0}),
         {"msg:M11"}},
        {"SIM PIN status 2",
         [](LinkSession& s) { s.SendChangeSimPin("1", "2"); },
         Reply(0x0A, {2}),
         {"msg:M12"}},
        {"SIM PIN status 3 shows nothing",
         [](LinkSession& s) { s.SendChangeSimPin("1", "2"); },
         Reply(0x0A, {3}),
         {}},
        {"clear all records status 1",
         [](LinkSession& s) { s.SendClearAllRecords(); },
         Reply(0x84, {1}),
         {"msg:M10"}},
        {"clear all records status 0",
         [](LinkSession& s) { s.SendClearAllRecords(); },
         Reply(0x84, {0}),
         {"msg:M11"}},
        {"clear alarm records status 1", clear(0x90), Reply(0x90, {1}), {"msg:M27"}},
        {"clear dial-out records status 2", clear(0x95), Reply(0x95, {2}), {"msg:M12"}},
        {"clear outbox status 3 shows nothing", clear(0x98), Reply(0x98, {3}), {}},
        {"status reply without payload reads 0", clear(0x92), Reply(0x92, {}), {"msg:M11"}},
        {"factory default on status 0",
         [](LinkSession& s) { s.SendFactoryDefault(); },
         Reply(0x06, {0}),
         {"msg:M36"}},
        {"factory default on status 1",
         [](LinkSession& s) { s.SendFactoryDefault(); },
         Reply(0x06, {1}),
         {"msg:M36"}},
        {"set clock reply shows nothing",
         [](LinkSession& s) {
             s.SendSetClock({2024, 3, 9, 17, 5, 42});
         },
         Reply(0x03, {1}),
         {}},
        {"login accepted",
         [](LinkSession& s) { s.SendLogin("123456"); },
         Reply(0x04, {1}),
         {"login"}},
        {"login refused",
         [](LinkSession& s) { s.SendLogin("1"); },
         Reply(0x04, {0}),
         {"msg:M9", "refused:0"}},
        {"login other status shows nothing",
         [](LinkSession& s) { s.SendLogin("1"); },
         Reply(0x04, {5}),
         {"refused:5"}},
        {"identity",
         [](LinkSession& s) { s.SendReadIdentity(); },
         Reply(0x07, IdentityPayload()),
         {"identity:CARE012345|V2.1|356938035643809", "status:M23"}},
        {"identity without payload",
         [](LinkSession& s) { s.SendReadIdentity(); },
         Reply(0x07, {}),
         {"identity:||", "status:M23"}},
        {"write block",
         [](LinkSession& s) { s.SendWriteBlock(0x200, Bytes(0x40000, 0xFF)); },
         Reply(0x82, {1}, 0x200),
         {"write:200/1"}},
        {"read block",
         [](LinkSession& s) { s.SendReadBlock(0x30000); },
         Reply(0x83, Bytes(256, 0), 0x30000),
         {"read:30000"}},
        {"record block",
         [](LinkSession& s) { s.SendReadRecordBlock(0x1F00); },
         Reply(0x85, Bytes(256, 0), 0x1F00),
         {"records:1F00"}},
        {"routed by the command sent, not the reply's own",
         [](LinkSession& s) { s.SendClearAllRecords(); },
         Reply(0x07, {1}),
         {"msg:M10"}},
    };
    for (const DispatchCase& c : cases) {
        SessionRig rig;
        ReplyLog replies(rig.log);
        RecordHandlers(rig, replies);
        c.send(rig.session);
        ASSERT_EQ(rig.port.writes.size(), 1u) << c.name;
        rig.Feed(c.reply);
        EXPECT_EQ(rig.log, c.log) << c.name;
        EXPECT_FALSE(rig.timer.IsRunning()) << c.name;
        EXPECT_EQ(rig.session.Receiver().Count(), 0) << c.name;
    }
}

TEST(LinkSessionTest, TimerRunsAfterSendingOnlyForTimedCommands) {
    const Bytes image(0x40000, 0xFF);
    const std::pair<const char*, std::function<void(LinkSession&)>> timed[] = {
        {"identity", [](LinkSession& s) { s.SendReadIdentity(); }},
        {"write block", [&](LinkSession& s) { s.SendWriteBlock(0, image); }},
        {"read block", [](LinkSession& s) { s.SendReadBlock(0); }},
        {"record block", [](LinkSession& s) { s.SendReadRecordBlock(0); }},
    };
    const std::pair<const char*, std::function<void(LinkSession&)>> untimed[] = {
        {"clock",
         [](LinkSession& s) {
             s.SendSetClock({2024, 1, 1, 0, 0, 0});
         }},
        {"login", [](LinkSession& s) { s.SendLogin("1234"); }},
        {"factory default", [](LinkSession& s) { s.SendFactoryDefault(); }},
        {"admin password", [](LinkSession& s) { s.SendSetAdminPassword("1"); }},
        {"user password", [](LinkSession& s) { s.SendSetUserPassword("1"); }},
        {"SIM PIN", [](LinkSession& s) { s.SendChangeSimPin("1", "2"); }},
        {"clear all", [](LinkSession& s) { s.SendClearAllRecords(); }},
        {"clear 0x90", [](LinkSession& s) { s.SendClearRegion(0x90); }},
        {"clear 0x98", [](LinkSession& s) { s.SendClearRegion(0x98); }},
    };
    for (const auto& [name, send] : timed) {
        SessionRig rig;
        send(rig.session);
        EXPECT_TRUE(rig.timer.IsRunning()) << name;
    }
    for (const auto& [name, send] : untimed) {
        SessionRig rig;
        send(rig.session);
        EXPECT_EQ(rig.port.writes.size(), 1u) << name;
        EXPECT_FALSE(rig.timer.IsRunning()) << name;
    }
}

// A clear goes on the line once: a garbled answer, which makes other requests go again, and
// the timer leave it alone; the answer that follows is still understood.
TEST(LinkSessionTest, ClearsAreNeverRepeated) {
    const std::pair<std::uint8_t, std::function<void(LinkSession&)>> clears[] = {
        {0x84, [](LinkSession& s) { s.SendClearAllRecords(); }},
        {0x93, [](LinkSession& s) { s.SendClearRegion(0x93); }},
    };
    for (const auto& [code, send] : clears) {
        SessionRig rig;
        send(rig.session);
        rig.Feed(WithBadChecksum(testing::Reply(code, {1})));
        rig.Advance(10000);
        EXPECT_EQ(rig.port.writes.size(), 1u) << int{code};
        rig.Feed(testing::Reply(code, {1}));
        EXPECT_EQ(rig.port.writes.size(), 1u) << int{code};
        EXPECT_FALSE(rig.log.empty()) << int{code};
    }
}

TEST(LinkSessionTest, DispatchStopsTheResendTimer) {
    SessionRig rig;
    rig.session.SendReadBlock(0);
    ASSERT_TRUE(rig.timer.IsRunning());
    rig.session.DispatchReply(ReceiveRecord{});
    EXPECT_FALSE(rig.timer.IsRunning());
}

TEST(LinkSessionTest, LoginThatCannotBeSentReportsIt) {
    SessionRig rig;
    EXPECT_FALSE(rig.session.SendLogin(""));
    EXPECT_FALSE(rig.session.SendLogin("1234567"));
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_TRUE(rig.session.SendLogin("123456"));
    EXPECT_EQ(rig.port.writes.size(), 1u);
}

TEST(LinkSessionTest, HandlerMaySendTheNextRequestWhileItReadsTheReply) {
    SessionRig rig;
    Bytes seen;
    rig.blocks.onRead = [&](const ReceiveRecord& r) {
        rig.session.SendReadBlock(RecordAddress(r) + 0x100);  // clears the receiver
        seen.assign(r.begin() + 8, r.begin() + 12);
    };
    rig.session.SendReadBlock(0);
    Bytes block(256);
    std::iota(block.begin(), block.end(), std::uint8_t{1});
    rig.Feed(Reply(0x83, block, 0));
    EXPECT_EQ(seen, (Bytes{1, 2, 3, 4}));
    ASSERT_EQ(rig.port.writes.size(), 2u);
    EXPECT_EQ(rig.port.writes[1], BuildReadBlock(0x100));
    EXPECT_TRUE(rig.timer.IsRunning());
}

TEST(LinkSessionTest, FailingHandlerIsContained) {
    SessionRig rig;
    int calls = 0;
    rig.blocks.onRead = [&](const ReceiveRecord&) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    rig.session.SendReadBlock(0);
    const Bytes reply = Reply(0x83, {}, 0);
    EXPECT_NO_THROW(rig.Feed(reply));
    EXPECT_NO_THROW(rig.Feed(reply));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(rig.log.empty());  // no "M16": the handler's failure stays in the dispatch
    EXPECT_EQ(rig.session.Receiver().Count(), 0);
}

// Chunks that arrive while another is being fed must wait their turn, whether they come from
// the event processing between bytes or from inside a reply handler (a modal box).
TEST(ChunkFeederTest, ChunksNeverNest) {
    SessionRig rig;
    const Bytes a = Reply(0x83, Bytes(16, 0x23), 0x000);
    const Bytes b = Reply(0x83, {}, 0x100);
    const Bytes c = Reply(0x83, {}, 0x200);
    const Bytes d = Reply(0x83, {}, 0x300);
    int pumps = 0;
    LinkSession* session = nullptr;
    LinkSession nested(rig.port, rig.timer, rig.notices, [&] {
        if (++pumps == 3) {  // in the middle of chunk one's header
            session->FeedChunk(c.data(), static_cast<std::uint16_t>(c.size()));
        }
    });
    session = &nested;
    testing::FunctionBlockHandler blocks;
    nested.SetBlockReplyHandler(&blocks);
    blocks.onRead = [&](const ReceiveRecord& r) {
        rig.log.push_back("read:" + Hex(RecordAddress(r)));
        if (RecordAddress(r) == 0) {  // while "a modal box" is open
            nested.FeedChunk(d.data(), static_cast<std::uint16_t>(d.size()));
        }
    };
    nested.SendReadBlock(0);
    Bytes first = a;
    first.insert(first.end(), b.begin(), b.end());
    nested.FeedChunk(first.data(), static_cast<std::uint16_t>(first.size()));
    EXPECT_EQ(rig.log, (Log{"read:0", "read:100", "read:200", "read:300"}));
    EXPECT_EQ(rig.port.writes.size(), 1u);  // every checksum was good: nothing resent
}

TEST(ChunkFeederTest, FailureDropsTheRestOfItsChunkOnly) {
    int now = 0;
    Log log;
    testing::FakePort port(now);
    ManualTimer timer;
    testing::RecordingNotices notices(log);
    const Bytes first = Cat2(Reply(0x84, {1}), Reply(0x84, {1}));
    const Bytes second = Reply(0x84, {0});
    int pumps = 0;
    LinkSession* self = nullptr;
    LinkSession session(port, timer, notices, [&] {
        ++pumps;
        if (pumps == 1) {
            self->FeedChunk(second.data(), static_cast<std::uint16_t>(second.size()));
        }
        if (pumps == 11) {  // just before the second frame of the first chunk
            throw std::runtime_error("event processing failed");
        }
    });
    self = &session;
    session.SendClearAllRecords();
    session.FeedChunk(first.data(), static_cast<std::uint16_t>(first.size()));
    EXPECT_EQ(log, (Log{"msg:M10", "msg:M16", "msg:M11"}));
    EXPECT_NO_THROW(session.FeedChunk(nullptr, 10));
}

// A timer expiry handled among the pending events must find the timer already stopped by the
// byte that is about to be fed, or a reply that has started to arrive would be resent.
TEST(ChunkFeederTest, EachByteStopsTheTimerBeforeEventsRun) {
    int now = 0;
    Log log;
    testing::FakePort port(now);
    ManualTimer timer;
    testing::RecordingNotices notices(log);
    std::vector<bool> runningAtPump;
    LinkSession session(port, timer, notices, [&] {
        runningAtPump.push_back(timer.IsRunning());
        timer.Advance(timer.Interval());  // the interval runs out while events are processed
    });
    timer.onExpiry = [&] { session.Timer1Timer(); };
    session.SendReadIdentity();
    ASSERT_TRUE(timer.IsRunning());
    const Bytes reply = Reply(0x07, Bytes(34, 'A'));
    session.FeedChunk(reply.data(), static_cast<std::uint16_t>(reply.size()));
    EXPECT_EQ(runningAtPump, std::vector<bool>(reply.size(), false));
    EXPECT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(log, (Log{"status:M23"}));
}

}  // namespace
}  // namespace carecfg
