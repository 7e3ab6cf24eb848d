#include "serial/Win32Port.h"

#include <algorithm>
#include <utility>

namespace carecfg {
namespace {

// The line error flags the driver reports are the ones OnReceiveError publishes.
static_assert(kLineErrorRxOver == CE_RXOVER && kLineErrorOverrun == CE_OVERRUN &&
              kLineErrorParity == CE_RXPARITY && kLineErrorFrame == CE_FRAME &&
              kLineErrorBreak == CE_BREAK);

constexpr DWORD kLineEventMask = EV_RLSD | EV_ERR | EV_RING;
constexpr DWORD kMaxRead = 256;

Win32Port::ReadStatus ReadFailure(DWORD error) {
    switch (error) {
        case ERROR_INVALID_HANDLE:
            return Win32Port::ReadStatus::Invalid;
        case ERROR_OPERATION_ABORTED:
            return Win32Port::ReadStatus::Stopped;  // reads were aborted (purge or cancel)
        default:
            return Win32Port::ReadStatus::Failed;
    }
}

Win32Port::WriteStatus WriteFailure(DWORD error) {
    switch (error) {
        case ERROR_INVALID_HANDLE:
            return Win32Port::WriteStatus::Invalid;
        case ERROR_OPERATION_ABORTED:
            return Win32Port::WriteStatus::Stopped;  // writes were aborted (purge or cancel)
        default:
            return Win32Port::WriteStatus::Failed;
    }
}

DWORD DtrMode(TDtrControl c) {
    switch (c) {
        case TDtrControl::DtrEnable:
            return DTR_CONTROL_ENABLE;
        case TDtrControl::DtrDisable:
            return DTR_CONTROL_DISABLE;
        case TDtrControl::DtrHandshake:
            return DTR_CONTROL_HANDSHAKE;
    }
    return DTR_CONTROL_ENABLE;
}

DWORD RtsMode(TRtsControl c) {
    switch (c) {
        case TRtsControl::RtsEnable:
            return RTS_CONTROL_ENABLE;
        case TRtsControl::RtsDisable:
            return RTS_CONTROL_DISABLE;
        case TRtsControl::RtsHandshake:
            return RTS_CONTROL_HANDSHAKE;
        case TRtsControl::RtsTransmissionAvailable:
            return RTS_CONTROL_TOGGLE;
    }
    return RTS_CONTROL_ENABLE;
}

bool MakeEvent(OVERLAPPED& ov) {
    if (ov.hEvent == nullptr)
        ov.hEvent = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return ov.hEvent != nullptr;
}

void ReleaseEvent(OVERLAPPED& ov) {
    if (ov.hEvent != nullptr)
        ::CloseHandle(ov.hEvent);
    ov = OVERLAPPED{};
}

// Starts a fresh overlapped operation on the block (its event is kept).
void Rearm(OVERLAPPED& ov) {
    HANDLE event = ov.hEvent;
    ov = OVERLAPPED{};
    ov.hEvent = event;
    ::ResetEvent(event);
}

}  // namespace

void ToDcb(const LineSettings& s, DCB& dcb) {
    dcb.BaudRate = s.baudRate;
    dcb.fBinary = TRUE;
    dcb.fParity = s.parityCheck;
    dcb.fOutxCtsFlow = s.outxCtsFlow;
    dcb.fOutxDsrFlow = s.outxDsrFlow;
    dcb.fDtrControl = DtrMode(s.dtrControl);
    dcb.fDsrSensitivity = s.dsrSensitivity;
    dcb.fTXContinueOnXoff = s.txContinueOnXoff;
    dcb.fOutX = s.outxXonXoffFlow;
    dcb.fInX = s.inxXonXoffFlow;
    dcb.fErrorChar = s.replaceWhenParityError;
    dcb.fNull = s.ignoreNullChar;
    dcb.fRtsControl = RtsMode(s.rtsControl);
    dcb.XonLim = s.xonLimit;
    dcb.XoffLim = s.xoffLimit;
    dcb.ByteSize = static_cast<BYTE>(5 + static_cast<int>(s.byteSize));
    dcb.Parity = static_cast<BYTE>(s.parity);      // NOPARITY .. SPACEPARITY in the same order
    dcb.StopBits = static_cast<BYTE>(s.stopBits);  // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    dcb.XonChar = s.xonChar;
    dcb.XoffChar = s.xoffChar;
    dcb.ErrorChar = s.replacedChar;
}

Win32Port::~Win32Port() {
    Close();
}

Win32Port::OpenResult Win32Port::Open(const std::string& path) {
    Close();
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return OpenResult::OpenFailed;
    if (::GetFileType(h) != FILE_TYPE_CHAR) {
        ::CloseHandle(h);
        return OpenResult::NotATerminal;
    }
    m_handle = h;
    return OpenResult::Opened;
}

void Win32Port::Close() {
    if (m_handle == INVALID_HANDLE_VALUE)
        return;
    // The driver still owns the event mask of a pending line-event wait: end it before the
    // handle (and this object) can go.
    if (m_waitPending)
        CancelAndWait(m_waitOv);
    ::CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    ReleaseEvent(m_readOv);
    ReleaseEvent(m_waitOv);
    ReleaseEvent(m_writeOv);
    m_readerReady = false;
    m_lineEvents = false;
    m_waitPending = false;
    m_eventMask = 0;
    m_pendingMask = 0;
}

bool Win32Port::SetupQueues(std::size_t input, std::size_t output) {
    return IsOpen() &&
           ::SetupComm(m_handle, static_cast<DWORD>(input), static_cast<DWORD>(output)) != 0;
}

void Win32Port::Purge(int sides) {
    if (!IsOpen())
        return;
    DWORD flags = 0;
    if (sides & PurgeInput)
        flags |= PURGE_RXABORT | PURGE_RXCLEAR;
    if (sides & PurgeOutput)
        flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    ::PurgeComm(m_handle, flags);
}

bool Win32Port::ApplyLineSettings(const LineSettings& settings) {
    if (!IsOpen())
        return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(m_handle, &dcb))
        return false;
    ToDcb(settings, dcb);
    return ::SetCommState(m_handle, &dcb) != 0;
}

bool Win32Port::ApplyTimeouts(const CommTimeouts& t) {
    if (!IsOpen())
        return false;
    COMMTIMEOUTS ct{};
    if (!::GetCommTimeouts(m_handle, &ct))
        return false;
    ct.ReadIntervalTimeout = t.readIntervalTimeout;
    ct.ReadTotalTimeoutMultiplier = t.readTotalTimeoutMultiplier;
    ct.ReadTotalTimeoutConstant = t.readTotalTimeoutConstant;
    ct.WriteTotalTimeoutMultiplier = t.writeTotalTimeoutMultiplier;
    ct.WriteTotalTimeoutConstant = t.writeTotalTimeoutConstant;
    // "Return at once with whatever is there" would complete reads with nothing in a tight
    // loop. The reader asks for "wait for the first byte, then return at once" instead (the
    // longest constant the driver takes), as the other platforms do.
    if (t.readIntervalTimeout == kNoWaitInterval && t.readTotalTimeoutMultiplier == 0 &&
        t.readTotalTimeoutConstant == 0) {
        ct.ReadTotalTimeoutMultiplier = MAXDWORD;
        ct.ReadTotalTimeoutConstant = MAXDWORD - 1;
    }
    if (!::SetCommTimeouts(m_handle, &ct))
        return false;
    m_totalReadTimeout.store(ct.ReadTotalTimeoutMultiplier != 0 ||
                             ct.ReadTotalTimeoutConstant != 0);
    return true;
}

bool Win32Port::PrepareReader() {
    if (m_readerReady)
        return true;
    if (!MakeEvent(m_readOv) || !MakeEvent(m_waitOv) || !::SetCommMask(m_handle, kLineEventMask))
        return false;
    m_readerReady = true;
    m_lineEvents = true;
    return true;
}

Win32Port::Arm Win32Port::ArmLineWait() {
    Rearm(m_waitOv);
    m_eventMask = 0;
    if (::WaitCommEvent(m_handle, &m_eventMask, &m_waitOv)) {
        m_pendingMask |= m_eventMask;
        return Arm::Completed;
    }
    switch (::GetLastError()) {
        case ERROR_IO_PENDING:
            m_waitPending = true;
            return Arm::Pending;
        case ERROR_NOT_SUPPORTED:
            // Some drivers cannot wait for line events (Wine on a pseudo-terminal): the reader
            // goes on receiving without carrier, ring and line-error reports instead of ending.
            return Arm::Unsupported;
        case ERROR_INVALID_HANDLE:
            return Arm::Invalid;
        default:
            return Arm::Failed;
    }
}

bool Win32Port::KeepLineWaitArmed(const std::function<bool()>& lineCheck, ReadStatus& status) {
    while (m_lineEvents && !m_waitPending) {
        switch (ArmLineWait()) {
            case Arm::Pending:
                break;
            case Arm::Completed:
                if (lineCheck && !lineCheck()) {
                    status = ReadStatus::Abandoned;
                    return false;
                }
                break;
            case Arm::Unsupported:
                m_lineEvents = false;
                break;
            case Arm::Invalid:
                status = ReadStatus::Invalid;
                return false;
            case Arm::Failed:
                status = ReadStatus::Failed;
                return false;
        }
    }
    return true;
}

void Win32Port::CancelAndWait(OVERLAPPED& ov) {
    ::CancelIoEx(m_handle, &ov);
    DWORD ignored = 0;
    ::GetOverlappedResult(m_handle, &ov, &ignored, TRUE);
    if (&ov == &m_waitOv)
        m_waitPending = false;
}

Win32Port::ReadResult Win32Port::Finished(DWORD got) const {
    if (got > 0)
        return {ReadStatus::Data, got};
    // Without a total time-out the driver completes a read with nothing only when reads were
    // aborted; that ends the reader.
    return {m_totalReadTimeout.load() ? ReadStatus::Nothing : ReadStatus::Stopped, 0};
}

Win32Port::ReadResult Win32Port::ReadChunk(std::span<std::uint8_t> buffer, const Win32Event& stop,
                                           const std::function<bool()>& lineCheck) {
    if (!IsOpen())
        return {ReadStatus::Invalid, 0};
    if (buffer.empty() || stop.Handle() == nullptr || !PrepareReader())
        return {ReadStatus::Failed, 0};
    ReadStatus status = ReadStatus::Failed;
    if (!KeepLineWaitArmed(lineCheck, status))
        return {status, 0};
    if (stop.IsSet())
        return {ReadStatus::Stopped, 0};

    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), kMaxRead));
    DWORD got = 0;
    Rearm(m_readOv);
    if (::ReadFile(m_handle, buffer.data(), want, nullptr, &m_readOv)) {
        if (!::GetOverlappedResult(m_handle, &m_readOv, &got, FALSE))
            return {ReadFailure(::GetLastError()), 0};
        return Finished(got);
    }
    if (DWORD error = ::GetLastError(); error != ERROR_IO_PENDING)
        return {ReadFailure(error), 0};

    // The read is pending: the driver writes into the buffer until it completes, so every way
    // out below first completes or cancels it.
    for (;;) {
        const HANDLE handles[3] = {stop.Handle(), m_readOv.hEvent, m_waitOv.hEvent};
        const DWORD count = m_waitPending ? 3 : 2;
        const DWORD w = ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (w == WAIT_OBJECT_0) {
            CancelAndWait(m_readOv);
            return {ReadStatus::Stopped, 0};
        }
        if (w == WAIT_OBJECT_0 + 1) {
            if (!::GetOverlappedResult(m_handle, &m_readOv, &got, FALSE))
                return {ReadFailure(::GetLastError()), 0};
            return Finished(got);
        }
        if (w != WAIT_OBJECT_0 + 2) {
            CancelAndWait(m_readOv);
            return {ReadStatus::Failed, 0};
        }
        // A line event while the read goes on.
        DWORD ignored = 0;
        m_waitPending = false;
        if (!::GetOverlappedResult(m_handle, &m_waitOv, &ignored, FALSE)) {
            const DWORD error = ::GetLastError();
            CancelAndWait(m_readOv);
            return {error == ERROR_INVALID_HANDLE ? ReadStatus::Invalid : ReadStatus::Failed, 0};
        }
        m_pendingMask |= m_eventMask;
        if (lineCheck && !lineCheck())
            status = ReadStatus::Abandoned;
        else if (KeepLineWaitArmed(lineCheck, status))
            continue;
        CancelAndWait(m_readOv);
        return {status, 0};
    }
}

Win32Port::LineEvents Win32Port::TakeLineEvents() {
    LineEvents ev;
    const DWORD mask = std::exchange(m_pendingMask, 0);
    if (mask & EV_ERR) {
        DWORD errors = 0;
        if (!::ClearCommError(m_handle, &errors, nullptr)) {
            ev.ok = false;
            ev.invalid = ::GetLastError() == ERROR_INVALID_HANDLE;
            return ev;
        }
        ev.errors = errors;
    }
    if (mask & EV_RLSD)
        ev.modem |= kModemCarrierChanged;
    if (mask & EV_RING)
        ev.modem |= kModemRing;
    return ev;
}

Win32Port::WriteStatus Win32Port::WriteAll(std::span<const std::uint8_t> bytes,
                                           const Win32Event& stop) {
    if (!IsOpen())
        return WriteStatus::Invalid;
    if (stop.Handle() == nullptr || !MakeEvent(m_writeOv))
        return WriteStatus::Failed;
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (stop.IsSet())
            return WriteStatus::Stopped;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, MAXDWORD));
        DWORD written = 0;
        Rearm(m_writeOv);
        if (!::WriteFile(m_handle, bytes.data() + done, want, nullptr, &m_writeOv)) {
            if (DWORD error = ::GetLastError(); error != ERROR_IO_PENDING)
                return WriteFailure(error);
            const HANDLE handles[2] = {stop.Handle(), m_writeOv.hEvent};
            const DWORD w = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (w != WAIT_OBJECT_0 + 1) {
                CancelAndWait(m_writeOv);
                return w == WAIT_OBJECT_0 ? WriteStatus::Stopped : WriteStatus::Failed;
            }
        }
        if (!::GetOverlappedResult(m_handle, &m_writeOv, &written, FALSE))
            return WriteFailure(::GetLastError());
        done += written;
    }
    return WriteStatus::Written;
}

}  // namespace carecfg
