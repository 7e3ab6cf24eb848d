#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "serial/LineSettings.h"
#include "serial/PosixSignals.h"
#include "serial/ReceiveFilter.h"

struct termios;

namespace carecfg {

// Writes the line settings into a terminal's settings; other fields keep their values. False
// (nothing changed) for a speed termios does not know.
bool ToTermios(const LineSettings& settings, ::termios& t);

// The operating-system side of a serial port on POSIX (termios on a terminal device).
//
// The owner's thread opens, configures, purges and closes; the reader thread calls ReadChunk and
// TakeLineEvents, the writer thread WriteAll. What the reader needs from the settings (time-outs
// and the receive filter) is held in atomics, so the owner may change settings while it reads.
class PosixPort {
public:
    enum class OpenResult { Opened, OpenFailed, NotATerminal };
    enum PurgeSide : int { PurgeInput = 1, PurgeOutput = 2, PurgeBoth = 3 };

    PosixPort() = default;
    ~PosixPort();
    PosixPort(const PosixPort&) = delete;
    PosixPort& operator=(const PosixPort&) = delete;

    // Opens for reading and writing, without becoming the controlling terminal, non-blocking,
    // closed on exec, and exclusively: a device another holder has (exclusive mode or an
    // advisory lock, which also holds against root) fails with OpenFailed. A descriptor that
    // is not a terminal is closed again (NotATerminal).
    OpenResult Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    // Driver queue sizes cannot be chosen on POSIX: the terminal layer has its own buffers.
    bool SetupQueues(std::size_t /*input*/, std::size_t /*output*/) { return IsOpen(); }
    void Purge(int sides);
    bool ApplyLineSettings(const LineSettings& settings);
    bool ApplyTimeouts(const CommTimeouts& timeouts);

    // Reader thread ----------------------------------------------------------------------
    enum class ReadStatus {
        Data,      // `count` bytes (1 to buffer size) are in the buffer
        Nothing,   // the total time-out passed without a byte
        Stopped,   // the stop event was set
        Hangup,    // the other end is gone (hangup, end of file, I/O error)
        Invalid,   // the descriptor is not valid (closed under us)
        Failed,    // any other failure
        Abandoned  // lineCheck asked to stop
    };
    struct ReadResult {
        ReadStatus status;
        std::size_t count;
    };
    // Collects bytes until the buffer is full, or ReadIntervalTimeout passes without a new byte
    // once at least one is in, or the total read time-out passes. Waits in poll on the port and
    // the stop event together. Where the device counts line events, lineCheck is called about
    // every kLineCheckMs; it returns false to stop reading.
    ReadResult ReadChunk(std::span<std::uint8_t> buffer, const PosixEvent& stop,
                         const std::function<bool()>& lineCheck);

    static constexpr int kLineCheckMs = 200;
    // The device counts carrier, ring and line-error events (a pseudo-terminal does not).
    bool HasLineCounters() const { return m_hasCounters; }
    struct LineEvents {
        bool ok = true;            // false: the counters could not be read
        bool invalid = false;      // ... because the descriptor is not valid
        std::uint32_t errors = 0;  // kLineError... flags
        std::uint32_t modem = 0;   // kModemCarrierChanged, kModemRing
    };
    // What happened since the previous call (or since Open).
    LineEvents TakeLineEvents();

    // Writer thread ----------------------------------------------------------------------
    enum class WriteStatus { Written, Stopped, Hangup, Invalid, Failed };
    // Writes every byte, waiting in poll for room together with the stop event.
    WriteStatus WriteAll(std::span<const std::uint8_t> bytes, const PosixEvent& stop);

private:
    struct Counters {
        int dcd = 0, rng = 0, frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    };
    bool ReadCounters(Counters& out) const;
    bool DsrLow() const;

    int m_fd = -1;
    bool m_hasCounters = false;
    Counters m_counters;     // reader thread after Open
    ReceiveFilter m_filter;  // reader thread
    // Settings the reader uses, written by the owner's thread.
    std::atomic<std::uint32_t> m_readInterval{100};
    std::atomic<std::uint64_t> m_readTotalMs{0};  // 0: no total time-out
    std::atomic<std::uint32_t> m_filterWord{0};
};

}  // namespace carecfg
