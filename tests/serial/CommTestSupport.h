#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/EventQueue.h"
#include "serial/SerialComm.h"

namespace carecfg::testing {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// n bytes of a pattern that repeats only every 256 bytes.
inline Bytes Pattern(std::size_t n, std::uint8_t seed = 0) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

// The text of the ECommsError that opening throws, or "" when the port opened.
inline std::string OpenError(TComm& comm) {
    try {
        comm.OpenPort();
    } catch (const ECommsError& e) {
        return e.what();
    }
    return "";
}

// A TComm with CommR's settings on a port the test names, with its events recorded on the test's
// thread. The component is closed in TearDown, before the test's own members (the other end of
// the line) go.
class CommEventsTest : public ::testing::Test {
protected:
    void Attach(const std::string& port) {
        comm = std::make_unique<TComm>(events);
        comm->ApplyCommRSettings();
        comm->SetCommName(port);
        comm->OnReceiveData = [this](TComm& sender, const std::uint8_t* buf, std::uint16_t len) {
            EXPECT_EQ(&sender, comm.get());
            EXPECT_EQ(buf[len], 0) << "a received chunk carries one extra 0 byte";
            chunks.emplace_back(buf, buf + len);
        };
        comm->OnSendDataEmpty = [this](TComm&) { ++sendEmpty; };
        comm->OnRequestHangup = [this](TComm&) { ++hangups; };
    }
    void TearDown() override { comm.reset(); }

    // Runs notifications until the condition holds; generous limit, only against hanging.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto end = Clock::now() + limit;
        while (!done()) {
            if (Clock::now() >= end)
                return false;
            events.RunFor(std::chrono::milliseconds(20));
        }
        return true;
    }
    // Everything received so far, the chunks joined.
    Bytes Received() const {
        Bytes all;
        for (const Bytes& c : chunks)
            all.insert(all.end(), c.begin(), c.end());
        return all;
    }

    EventQueue events;
    std::unique_ptr<TComm> comm;
    std::vector<Bytes> chunks;
    int sendEmpty = 0;
    int hangups = 0;
};

}  // namespace carecfg::testing
