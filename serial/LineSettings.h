#pragma once

#include <cstdint>

namespace carecfg {

// Line settings and time-outs of a serial port as the component publishes them, handed to the
// platform layer in one piece.

enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };
enum class TByteSize { _5, _6, _7, _8 };
enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

struct LineSettings {
    std::uint32_t baudRate = 9600;
    bool parityCheck = false;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    TDtrControl dtrControl = TDtrControl::DtrEnable;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = true;
    bool outxXonXoffFlow = true;
    bool inxXonXoffFlow = true;
    bool replaceWhenParityError = false;
    bool ignoreNullChar = false;
    TRtsControl rtsControl = TRtsControl::RtsEnable;
    std::uint16_t xonLimit = 500;
    std::uint16_t xoffLimit = 500;
    TByteSize byteSize = TByteSize::_8;
    TParity parity = TParity::None;
    TStopBits stopBits = TStopBits::_1;
    char xonChar = 0x11;
    char xoffChar = 0x13;
    char replacedChar = 0x00;
};

// Read and write time-outs in milliseconds. ReadIntervalTimeout: a read that has at least one
// byte returns when this long passes without a new byte (0: not used; kNoWaitInterval: return
// as soon as any byte is in). Total read time-out: multiplier * bytes asked for + constant, from
// the start of the read (both 0: not used).
struct CommTimeouts {
    std::uint32_t readIntervalTimeout = 100;
    std::uint32_t readTotalTimeoutMultiplier = 0;
    std::uint32_t readTotalTimeoutConstant = 0;
    std::uint32_t writeTotalTimeoutMultiplier = 0;
    std::uint32_t writeTotalTimeoutConstant = 0;
};

constexpr std::uint32_t kNoWaitInterval = 0xFFFFFFFFu;

// Flags of OnReceiveError (line errors seen since the last report).
constexpr std::uint32_t kLineErrorRxOver = 0x0001;   // receive buffer overflow (driver/tty buffer)
constexpr std::uint32_t kLineErrorOverrun = 0x0002;  // hardware overrun: a byte was lost
constexpr std::uint32_t kLineErrorParity = 0x0004;   // parity error
constexpr std::uint32_t kLineErrorFrame = 0x0008;    // framing error
constexpr std::uint32_t kLineErrorBreak = 0x0010;    // break condition

// Flags of OnModemStateChange.
constexpr std::uint32_t kModemRing = 4;            // a ring was signalled
constexpr std::uint32_t kModemCarrierChanged = 8;  // carrier detect changed

}  // namespace carecfg
