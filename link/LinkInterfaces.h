#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "base/UserNotices.h"

namespace carecfg {

// The serial line as the link sees it: open or not, and a write whose result is not examined.
class LinkPort {
public:
    virtual ~LinkPort() = default;
    virtual bool IsOpen() const = 0;
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
};

// The resend timer, periodic: after an expiry the next period counts from that expiry, and it
// runs on until stopped. A new timer is stopped and has an interval of 3000 ms.
// - Start on a stopped timer starts it now; Start on a running timer keeps its earlier start.
// - SetInterval on a running timer keeps its start as well: it fires once the new interval has
//   passed since that start, or on the next chance when that moment is already past (a late
//   expiry fires once, never once per missed period).
// - An interval of 0 or less never fires, but the timer stays running: a later positive interval
//   makes it fire counted from its start.
// - Stop, then Start, starts afresh.
// On expiry the owner calls LinkSession::Timer1Timer() (or LinkSender::Timer1Timer()).
class LinkTimer {
public:
    virtual ~LinkTimer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsRunning() const = 0;
    virtual void SetInterval(int ms) = 0;
    virtual int Interval() const = 0;
};

constexpr int kInitialResendInterval = 3000;

}  // namespace carecfg
