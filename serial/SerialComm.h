#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "serial/LineSettings.h"

namespace carecfg {

// Failure of OpenPort; what() is one of the kErr... texts below.
class ECommsError : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

inline constexpr const char* kErrAlreadyOpened = "This serial port already opened";
inline constexpr const char* kErrOpening = "Error opening serial port";
inline constexpr const char* kErrNotCommHandle = "File handle is not a comm handle ";
inline constexpr const char* kErrCommBuffer = "Cannot setup comm buffer";  // never raised on POSIX
inline constexpr const char* kErrCreateEvent = "Unable to create event";
inline constexpr const char* kErrReadThread = "Unable to create read thread";
inline constexpr const char* kErrWriteThread = "Unable to create write thread";

// Where the worker threads hand their notifications: Post is called from a worker thread and
// must run the notification later on the owner's thread.
class CommEventSink {
public:
    virtual ~CommEventSink() = default;
    virtual void Post(std::function<void()> notification) = 0;
};

struct CommSession;

// Serial port with a reader and a writer thread; everything that happens on the line reaches the
// owner as notifications run on the owner's thread (through the sink), where the events fire.
//
// All members are for the owner's thread only. The worker threads share nothing with it but the
// close signal, the writer's queue and the SendDataEmpty flag.
class TComm {
public:
    explicit TComm(CommEventSink& sink);
    // Closes the port if it is open: running worker threads must be stopped and joined before
    // their objects go. Notifications still queued in the sink do nothing once the TComm is gone.
    ~TComm();
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Published properties. A setter stores the value; when it differs and the port is open, the
    // line settings (or, for the five time-outs, the time-outs) are written to the port again.
    const std::string& CommName() const { return m_commName; }
    void SetCommName(std::string name) { m_commName = std::move(name); }
    std::uint32_t BaudRate() const { return m_line.baudRate; }
    void SetBaudRate(std::uint32_t v) { SetLine(m_line.baudRate, v); }
    bool ParityCheck() const { return m_line.parityCheck; }
    void SetParityCheck(bool v) { SetLine(m_line.parityCheck, v); }
    bool Outx_CtsFlow() const { return m_line.outxCtsFlow; }
    void SetOutx_CtsFlow(bool v) { SetLine(m_line.outxCtsFlow, v); }
    bool Outx_DsrFlow() const { return m_line.outxDsrFlow; }
    void SetOutx_DsrFlow(bool v) { SetLine(m_line.outxDsrFlow, v); }
    TDtrControl DtrControl() const { return m_line.dtrControl; }
    void SetDtrControl(TDtrControl v) { SetLine(m_line.dtrControl, v); }
    bool DsrSensitivity() const { return m_line.dsrSensitivity; }
    void SetDsrSensitivity(bool v) { SetLine(m_line.dsrSensitivity, v); }
    bool TxContinueOnXoff() const { return m_line.txContinueOnXoff; }
    void SetTxContinueOnXoff(bool v) { SetLine(m_line.txContinueOnXoff, v); }
    bool Outx_XonXoffFlow() const { return m_line.outxXonXoffFlow; }
    void SetOutx_XonXoffFlow(bool v) { SetLine(m_line.outxXonXoffFlow, v); }
    bool Inx_XonXoffFlow() const { return m_line.inxXonXoffFlow; }
    void SetInx_XonXoffFlow(bool v) { SetLine(m_line.inxXonXoffFlow, v); }
    bool ReplaceWhenParityError() const { return m_line.replaceWhenParityError; }
    void SetReplaceWhenParityError(bool v) { SetLine(m_line.replaceWhenParityError, v); }
    bool IgnoreNullChar() const { return m_line.ignoreNullChar; }
    void SetIgnoreNullChar(bool v) { SetLine(m_line.ignoreNullChar, v); }
    TRtsControl RtsControl() const { return m_line.rtsControl; }
    void SetRtsControl(TRtsControl v) { SetLine(m_line.rtsControl, v); }
    std::uint16_t XonLimit() const { return m_line.xonLimit; }
    void SetXonLimit(std::uint16_t v) { SetLine(m_line.xonLimit, v); }
    std::uint16_t XoffLimit() const { return m_line.xoffLimit; }
    void SetXoffLimit(std::uint16_t v) { SetLine(m_line.xoffLimit, v); }
    TByteSize ByteSize() const { return m_line.byteSize; }
    void SetByteSize(TByteSize v) { SetLine(m_line.byteSize, v); }
    TParity Parity() const { return m_line.parity; }
    void SetParity(TParity v) { SetLine(m_line.parity, v); }
    TStopBits StopBits() const { return m_line.stopBits; }
    void SetStopBits(TStopBits v) { SetLine(m_line.stopBits, v); }
    char XonChar() const { return m_line.xonChar; }
    void SetXonChar(char v) { SetLine(m_line.xonChar, v); }
    char XoffChar() const { return m_line.xoffChar; }
    void SetXoffChar(char v) { SetLine(m_line.xoffChar, v); }
    char ReplacedChar() const { return m_line.replacedChar; }
    void SetReplacedChar(char v) { SetLine(m_line.replacedChar, v); }
    std::uint32_t ReadIntervalTimeout() const { return m_timeouts.readIntervalTimeout; }
    void SetReadIntervalTimeout(std::uint32_t v) { SetTimeout(m_timeouts.readIntervalTimeout, v); }
    std::uint32_t ReadTotalTimeoutMultiplier() const {
        return m_timeouts.readTotalTimeoutMultiplier;
    }
    void SetReadTotalTimeoutMultiplier(std::uint32_t v) {
        SetTimeout(m_timeouts.readTotalTimeoutMultiplier, v);
    }
    std::uint32_t ReadTotalTimeoutConstant() const { return m_timeouts.readTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(std::uint32_t v) {
        SetTimeout(m_timeouts.readTotalTimeoutConstant, v);
    }
    std::uint32_t WriteTotalTimeoutMultiplier() const {
        return m_timeouts.writeTotalTimeoutMultiplier;
    }
    void SetWriteTotalTimeoutMultiplier(std::uint32_t v) {
        SetTimeout(m_timeouts.writeTotalTimeoutMultiplier, v);
    }
    std::uint32_t WriteTotalTimeoutConstant() const { return m_timeouts.writeTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(std::uint32_t v) {
        SetTimeout(m_timeouts.writeTotalTimeoutConstant, v);
    }

    const LineSettings& Line() const { return m_line; }
    const CommTimeouts& Timeouts() const { return m_timeouts; }

    // The values the main window gives CommR: 115200 8N1, no flow control, DTR off, RTS on,
    // XON/XOFF off, 100 ms inter-byte time-out, CommName "COM1".
    void ApplyCommRSettings();

    // Opens the device CommName resolves to (serial/PortNames.h) and starts both workers, or
    // throws ECommsError. On every failure except kErrAlreadyOpened the port is closed.
    void OpenPort();
    // Stops both workers and closes the port; nothing when closed.
    void ClosePort();
    // A handle is present (the port is open), even when a worker has ended on its own.
    bool IsOpen() const { return m_session != nullptr; }
    // Queues a copy of the bytes for the writer; never blocks on the line. False without doing
    // anything when closed, when the writer has ended, or for length 0.
    bool WritePortData(const std::uint8_t* buffer, std::uint16_t length);
    // True when nothing is queued for writing.
    bool SendDataEmpty() const { return m_sendDataEmpty.load(); }

    // Events, all fired on the owner's thread from the notifications.
    std::function<void(TComm& sender, const std::uint8_t* buffer, std::uint16_t length)>
        OnReceiveData;
    std::function<void(TComm& sender, std::uint32_t eventMask)> OnReceiveError;
    std::function<void(TComm& sender, std::uint32_t modemEvent)> OnModemStateChange;
    std::function<void(TComm& sender)> OnRequestHangup;
    std::function<void(TComm& sender)> OnSendDataEmpty;

private:
    template <typename T>
    void SetLine(T& field, T value) {
        if (field == value)
            return;
        field = value;
        ApplyLineSettings();
    }
    void SetTimeout(std::uint32_t& field, std::uint32_t value) {
        if (field == value)
            return;
        field = value;
        ApplyTimeouts();
    }
    bool ApplyLineSettings();
    bool ApplyTimeouts();

    CommEventSink& m_sink;
    std::string m_commName = "COM2";
    LineSettings m_line;
    CommTimeouts m_timeouts;
    // Written by the owner and the writer thread.
    std::atomic<bool> m_sendDataEmpty{true};
    // Points back at this TComm while it lives; posted notifications hold it weakly.
    std::shared_ptr<TComm*> m_alive;
    std::unique_ptr<CommSession> m_session;
};

}  // namespace carecfg
