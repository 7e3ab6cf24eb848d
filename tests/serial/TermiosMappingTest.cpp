#include <gtest/gtest.h>

#include <termios.h>

#include <functional>

#include "serial/PosixPort.h"

namespace carecfg {
namespace {

// Settings of a terminal in cooked mode, as a device may be left by another program.
termios CookedTerminal() {
    termios t{};
    t.c_iflag = ICRNL | IXON | IXANY | IMAXBEL | BRKINT | ISTRIP;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | HUPCL;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    return t;
}

TEST(TermiosMapping, CommRSettingsGiveARaw115200EightNoneOneLine) {
    LineSettings s;  // the values CommR is given
    s.baudRate = 115200;
    s.dtrControl = TDtrControl::DtrDisable;
    s.txContinueOnXoff = s.outxXonXoffFlow = s.inxXonXoffFlow = false;
    termios t = CookedTerminal();
    ASSERT_TRUE(ToTermios(s, t));
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_EQ(cfgetispeed(&t), B115200);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS | CMSPAR), 0u);
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(t.c_cflag & HUPCL, static_cast<tcflag_t>(HUPCL)) << "other fields keep their values";
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INPCK | PARMRK | ISTRIP | BRKINT), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
}

TEST(TermiosMapping, EachSettingReachesItsFlags) {
    struct Case {
        const char* what;
        std::function<void(LineSettings&)> set;
        tcflag_t cflagMask, cflag, iflagMask, iflag;
    };
    const tcflag_t parity = PARENB | PARODD | CMSPAR;
    const Case cases[] = {
        {"no parity", [](LineSettings& s) { s.parity = TParity::None; }, parity, 0, 0, 0},
        {"odd", [](LineSettings& s) { s.parity = TParity::Odd; }, parity, PARENB | PARODD, 0, 0},
        {"even", [](LineSettings& s) { s.parity = TParity::Even; }, parity, PARENB, 0, 0},
        {"mark", [](LineSettings& s) { s.parity = TParity::Mark; }, parity,
         PARENB | PARODD | CMSPAR, 0, 0},
        {"space", [](LineSettings& s) { s.parity = TParity::Space; }, parity, PARENB | CMSPAR, 0,
         0},
        {"5 bits", [](LineSettings& s) { s.byteSize = TByteSize::_5; }, CSIZE, CS5, 0, 0},
        {"6 bits", [](LineSettings& s) { s.byteSize = TByteSize::_6; }, CSIZE, CS6, 0, 0},
        {"7 bits", [](LineSettings& s) { s.byteSize = TByteSize::_7; }, CSIZE, CS7, 0, 0},
        {"1 stop", [](LineSettings& s) { s.stopBits = TStopBits::_1; }, CSTOPB, 0, 0, 0},
        {"1.5 stop", [](LineSettings& s) { s.stopBits = TStopBits::_1_5; }, CSTOPB, CSTOPB, 0, 0},
        {"2 stop", [](LineSettings& s) { s.stopBits = TStopBits::_2; }, CSTOPB, CSTOPB, 0, 0},
        {"CTS output flow", [](LineSettings& s) { s.outxCtsFlow = true; }, CRTSCTS, CRTSCTS, 0, 0},
        {"RTS handshake", [](LineSettings& s) { s.rtsControl = TRtsControl::RtsHandshake; },
         CRTSCTS, CRTSCTS, 0, 0},
        {"RTS on is no flow control",
         [](LineSettings& s) { s.rtsControl = TRtsControl::RtsEnable; }, CRTSCTS, 0, 0, 0},
        {"XON/XOFF both", [](LineSettings&) {}, 0, 0, IXON | IXOFF, IXON | IXOFF},
        {"XON/XOFF output only", [](LineSettings& s) { s.inxXonXoffFlow = false; }, 0, 0,
         IXON | IXOFF, IXON},
        {"XON/XOFF input only", [](LineSettings& s) { s.outxXonXoffFlow = false; }, 0, 0,
         IXON | IXOFF, IXOFF},
        {"parity check marks errors", [](LineSettings& s) { s.parityCheck = true; }, 0, 0,
         INPCK | PARMRK | IGNPAR, INPCK | PARMRK},
        {"breaks are not data", [](LineSettings&) {}, 0, 0, IGNBRK | BRKINT, IGNBRK},
    };
    for (const Case& c : cases) {
        LineSettings s;
        c.set(s);
        termios t = CookedTerminal();
        ASSERT_TRUE(ToTermios(s, t)) << c.what;
        EXPECT_EQ(t.c_cflag & c.cflagMask, c.cflag) << c.what;
        EXPECT_EQ(t.c_iflag & c.iflagMask, c.iflag) << c.what;
    }
}

TEST(TermiosMapping, SpeedsAndAnUnknownSpeed) {
    const std::pair<std::uint32_t, speed_t> speeds[] = {
        {300, B300},       {9600, B9600},     {19200, B19200},  {57600, B57600},
        {115200, B115200}, {230400, B230400}, {921600, B921600}};
    for (auto [rate, code] : speeds) {
        LineSettings s;
        s.baudRate = rate;
        termios t = CookedTerminal();
        ASSERT_TRUE(ToTermios(s, t)) << rate;
        EXPECT_EQ(cfgetospeed(&t), code) << rate;
    }
    LineSettings odd;
    odd.baudRate = 12345;
    termios t = CookedTerminal();
    EXPECT_FALSE(ToTermios(odd, t));
    EXPECT_EQ(cfgetospeed(&t), B9600) << "nothing changed";
    EXPECT_EQ(t.c_lflag & ICANON, static_cast<tcflag_t>(ICANON));
}

}  // namespace
}  // namespace carecfg
