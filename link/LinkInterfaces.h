#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace carecfg {

// The serial line as the link sees it: open or not, and a write whose result is not examined.
class LinkPort {
public:
    virtual ~LinkPort() = default;
    virtual bool IsOpen() const = 0;
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
};

// The resend timer. An interval of 0 (or less) means it never fires; Start on a running timer
// keeps its earlier start; a new timer has an interval of 3000 ms. On expiry the owner calls
// LinkSession::Timer1Timer() (or LinkSender::Timer1Timer()).
class LinkTimer {
public:
    virtual ~LinkTimer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsRunning() const = 0;
    virtual void SetInterval(int ms) = 0;
    virtual int Interval() const = 0;
};

// What the user is told, named by catalogue message key.
class UserNotices {
public:
    virtual ~UserNotices() = default;
    virtual void ShowMessage(std::string_view messageKey) = 0;  // modal box with the key's text
    virtual void ShowStatus(std::string_view messageKey) = 0;   // status bar panel 0 := key's text
};

constexpr int kInitialResendInterval = 3000;

}  // namespace carecfg
