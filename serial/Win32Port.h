#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "serial/LineSettings.h"
#include "serial/Win32Signals.h"

namespace carecfg {

// Writes the line settings into a port's state block; the fields it does not name keep their
// values.
void ToDcb(const LineSettings& settings, DCB& dcb);

// The operating-system side of a serial port on Windows: a comm handle opened for overlapped I/O.
//
// The owner's thread opens, configures, purges and closes; the reader thread calls ReadChunk and
// TakeLineEvents, the writer thread WriteAll. Each worker has its own overlapped block and event,
// made on first use and released by Close (after the workers have ended).
class Win32Port {
public:
    enum class OpenResult { Opened, OpenFailed, NotATerminal };
    enum PurgeSide : int { PurgeInput = 1, PurgeOutput = 2, PurgeBoth = 3 };

    Win32Port() = default;
    ~Win32Port();
    Win32Port(const Win32Port&) = delete;
    Win32Port& operator=(const Win32Port&) = delete;

    // Opens the device ("\\.\COM1") for reading and writing, unshared and overlapped. A handle
    // that is not a character device is closed again (NotATerminal).
    OpenResult Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }

    bool SetupQueues(std::size_t input, std::size_t output);
    void Purge(int sides);
    bool ApplyLineSettings(const LineSettings& settings);
    bool ApplyTimeouts(const CommTimeouts& timeouts);

    // Reader thread ----------------------------------------------------------------------
    enum class ReadStatus {
        Data,      // `count` bytes (1 to buffer size) are in the buffer
        Nothing,   // the total time-out passed without a byte
        Stopped,   // the stop event was set, or reads were aborted
        Hangup,    // the other end is gone (not told apart from Failed on Windows)
        Invalid,   // the handle is not valid (closed under us)
        Failed,    // any other failure
        Abandoned  // lineCheck asked to stop
    };
    struct ReadResult {
        ReadStatus status;
        std::size_t count;
    };
    // One overlapped read of up to the buffer size (256 at most), which the driver completes
    // under the port's time-outs: the buffer is full, or ReadIntervalTimeout passed without a
    // new byte once one is in, or the total time-out passed. While it is pending a line-event
    // wait is kept armed beside it; each line event calls lineCheck, which returns false to
    // stop reading. Never returns with a read still pending.
    ReadResult ReadChunk(std::span<std::uint8_t> buffer, const Win32Event& stop,
                         const std::function<bool()>& lineCheck);

    // The driver reports line events (not so for a pseudo-terminal under Wine).
    bool HasLineCounters() const { return m_lineEvents; }
    struct LineEvents {
        bool ok = true;            // false: the error flags could not be fetched
        bool invalid = false;      // ... because the handle is not valid
        std::uint32_t errors = 0;  // the driver's line error flags (kLineError... and others)
        std::uint32_t modem = 0;   // kModemCarrierChanged, kModemRing
    };
    // The line events reported since the previous call, with the error flags fetched and
    // cleared from the port when a line error was among them.
    LineEvents TakeLineEvents();

    // Writer thread ----------------------------------------------------------------------
    enum class WriteStatus { Written, Stopped, Hangup, Invalid, Failed };
    // Writes every byte, in as many overlapped writes as the driver needs, each waited for
    // together with the stop event.
    WriteStatus WriteAll(std::span<const std::uint8_t> bytes, const Win32Event& stop);

private:
    enum class Arm { Pending, Completed, Unsupported, Invalid, Failed };
    bool PrepareReader();
    Arm ArmLineWait();
    // Arms the line-event wait again and again while it completes at once; false (with the
    // status to return) when reading has to end.
    bool KeepLineWaitArmed(const std::function<bool()>& lineCheck, ReadStatus& status);
    void CancelAndWait(OVERLAPPED& ov);
    ReadResult Finished(DWORD got) const;

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    // Reader thread after Open.
    bool m_readerReady = false;
    bool m_lineEvents = false;
    bool m_waitPending = false;
    DWORD m_eventMask = 0;    // filled by the driver when the line-event wait completes
    DWORD m_pendingMask = 0;  // line events not yet taken
    OVERLAPPED m_readOv{};
    OVERLAPPED m_waitOv{};
    // Writer thread after Open.
    OVERLAPPED m_writeOv{};
    // Written by the owner's thread, read by the reader.
    std::atomic<bool> m_totalReadTimeout{false};
};

}  // namespace carecfg
