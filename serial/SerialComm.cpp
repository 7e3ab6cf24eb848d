#include "serial/SerialComm.h"

#include <cstring>
#include <system_error>

#include "serial/CommThreads.h"
#include "serial/PortNames.h"

namespace carecfg {
namespace {

constexpr std::size_t kDriverQueueSize = 4096;

}  // namespace

TComm::TComm(CommEventSink& sink) : m_sink(sink), m_alive(std::make_shared<TComm*>(this)) {}

TComm::~TComm() {
    // Notifications still waiting in the sink find nobody and do nothing.
    m_alive.reset();
    ClosePort();
}

void TComm::ApplyCommRSettings() {
    SetCommName("COM1");
    SetBaudRate(115200);
    SetParityCheck(false);
    SetOutx_CtsFlow(false);
    SetOutx_DsrFlow(false);
    SetDtrControl(TDtrControl::DtrDisable);
    SetDsrSensitivity(false);
    SetTxContinueOnXoff(false);
    SetOutx_XonXoffFlow(false);
    SetInx_XonXoffFlow(false);
    SetReplaceWhenParityError(false);
    SetIgnoreNullChar(false);
    SetRtsControl(TRtsControl::RtsEnable);
    SetXonLimit(500);
    SetXoffLimit(500);
    SetByteSize(TByteSize::_8);
    SetParity(TParity::None);
    SetStopBits(TStopBits::_1);
    SetXonChar(0x11);
    SetXoffChar(0x13);
    SetReplacedChar(0x00);
    SetReadIntervalTimeout(100);
    SetReadTotalTimeoutMultiplier(0);
    SetReadTotalTimeoutConstant(0);
    SetWriteTotalTimeoutMultiplier(0);
    SetWriteTotalTimeoutConstant(0);
}

void TComm::OpenPort() {
    if (m_session)
        throw ECommsError(kErrAlreadyOpened);
    // Until it is kept, the session closes whatever it holds when an error leaves here.
    auto session = std::make_unique<CommSession>();
    switch (session->port.Open(ResolvePortName(m_commName))) {
        case PlatformPort::OpenResult::Opened:
            break;
        case PlatformPort::OpenResult::OpenFailed:
            throw ECommsError(kErrOpening);
        case PlatformPort::OpenResult::NotATerminal:
            throw ECommsError(kErrNotCommHandle);
    }
    if (!session->port.SetupQueues(kDriverQueueSize, kDriverQueueSize))
        throw ECommsError(kErrCommBuffer);
    session->port.Purge(PlatformPort::PurgeBoth);
    m_sendDataEmpty.store(true);
    session->port.ApplyTimeouts(m_timeouts);
    session->port.ApplyLineSettings(m_line);

    if (!session->closeEvent.Create())
        throw ECommsError(kErrCreateEvent);

    // The reader and writer run at the scheduler's normal priority: raising a thread above it
    // needs privileges a desktop tool should not ask for, and both only wake for work (the
    // terminal layer buffers what arrives meanwhile).
    CommSession& s = *session;
    try {
        s.reader =
            std::make_unique<TReadThread>(s.port, s.closeEvent, CommNotifier(m_sink, m_alive));
        s.reader->Start();
    } catch (const std::exception&) {
        throw ECommsError(kErrReadThread);
    }
    try {
        if (!s.writeQueue.Create())
            throw std::system_error(std::make_error_code(std::errc::too_many_files_open));
        s.writer = std::make_unique<TWriteThread>(s.port, s.closeEvent, s.writeQueue,
                                                  m_sendDataEmpty, CommNotifier(m_sink, m_alive));
        s.writer->Start();
    } catch (const std::exception&) {
        s.StopReader();
        throw ECommsError(kErrWriteThread);
    }
    m_session = std::move(session);
}

void TComm::ClosePort() {
    if (!m_session)
        return;
    m_session->StopReader();
    m_session->StopWriter(m_sendDataEmpty);
    m_session.reset();
}

bool TComm::WritePortData(const std::uint8_t* buffer, std::uint16_t length) {
    if (!m_session || length == 0 || buffer == nullptr)
        return false;
    WriteRequest request;
    request.buffer.assign(std::size_t{length} + 1, 0);
    std::memcpy(request.buffer.data(), buffer, length);
    request.length = length;
    // Cleared before the writer can see the request, so that its "all written" is never
    // overwritten by a late "something queued".
    m_sendDataEmpty.store(false);
    if (!m_session->writeQueue.Push(std::move(request))) {
        if (m_session->writeQueue.IsClosed())
            m_sendDataEmpty.store(true);
        return false;
    }
    return true;
}

bool TComm::ApplyLineSettings() {
    return m_session && m_session->port.ApplyLineSettings(m_line);
}

bool TComm::ApplyTimeouts() {
    return m_session && m_session->port.ApplyTimeouts(m_timeouts);
}

}  // namespace carecfg
