#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "link/LinkFrame.h"
#include "link/LinkInterfaces.h"
#include "link/LinkSession.h"
#include "link/ManualTimer.h"

namespace carecfg::testing {

using Bytes = std::vector<std::uint8_t>;

// A port that records every write with the time it happened.
class FakePort : public LinkPort {
public:
    explicit FakePort(const int& now) : m_now(now) {}
    bool IsOpen() const override { return open; }
    void Write(std::span<const std::uint8_t> bytes) override {
        if (failWrites) {
            throw std::runtime_error("write failed");
        }
        writes.emplace_back(bytes.begin(), bytes.end());
        writeTimes.push_back(m_now);
    }
    bool open = true;
    bool failWrites = false;
    std::vector<Bytes> writes;
    std::vector<int> writeTimes;

private:
    const int& m_now;
};

// Records what the user would see, in order, into a shared event log.
class RecordingNotices : public LinkListener {
public:
    explicit RecordingNotices(std::vector<std::string>& log) : m_log(log) {}
    void ShowMessage(std::string_view key) override { m_log.push_back("msg:" + std::string(key)); }
    void ShowStatus(std::string_view key) override {
        m_log.push_back("status:" + std::string(key));
    }

private:
    std::vector<std::string>& m_log;
};

// Block replies handed to plain functions.
struct FunctionBlockHandler : BlockReplyHandler {
    std::function<void(const ReceiveRecord&)> onWrite, onRead, onRecord;
    void WriteBlockReply(const ReceiveRecord& r) override {
        if (onWrite)
            onWrite(r);
    }
    void ReadBlockReply(const ReceiveRecord& r) override {
        if (onRead)
            onRead(r);
    }
    void RecordBlockReply(const ReceiveRecord& r) override {
        if (onRecord)
            onRecord(r);
    }
};

// Counts the exchanges the sender gave up.
struct GaveUpCounter : LinkListener {
    int count = 0;
    void RequestGaveUp() override { ++count; }
};

// A session over fakes, with time driven by Advance.
struct SessionRig {
    int now = 0;
    std::vector<std::string> log;
    FakePort port{now};
    ManualTimer timer;
    RecordingNotices notices{log};
    LinkSession session{port, timer, notices};
    FunctionBlockHandler blocks;

    SessionRig() {
        timer.onExpiry = [this] { session.Timer1Timer(); };
        session.SetBlockReplyHandler(&blocks);
    }
    void Advance(int ms, int step = 100) {
        for (int t = 0; t < ms; t += step) {
            now += step;
            timer.Advance(step);
        }
    }
    void Feed(const Bytes& bytes) {
        session.FeedChunk(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
    }
};

inline Bytes Reply(std::uint8_t command, Bytes payload, std::uint32_t address = 0) {
    return BuildFrame(command, address, payload);
}

inline Bytes WithBadChecksum(Bytes frame) {
    frame.back() ^= 0x5A;
    return frame;
}

}  // namespace carecfg::testing
