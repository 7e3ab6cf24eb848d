#include "serial/CommThreads.h"

#include <array>
#include <utility>

namespace carecfg {

template <typename Fire>
bool CommNotifier::Post(Fire fire) {
    try {
        m_sink.Post([owner = m_owner, fire = std::move(fire)]() {
            if (std::shared_ptr<TComm*> alive = owner.lock())
                fire(**alive);
        });
        return true;
    } catch (...) {
        return false;
    }
}

bool CommNotifier::DataReceived(std::vector<std::uint8_t> buffer, std::uint16_t length) {
    // The closure owns the buffer; it is released when the closure is destroyed after running.
    auto chunk = std::make_shared<std::vector<std::uint8_t>>(std::move(buffer));
    return Post([chunk, length](TComm& comm) {
        if (comm.OnReceiveData)
            comm.OnReceiveData(comm, chunk->data(), length);
    });
}

bool CommNotifier::ReceiveError(std::uint32_t lineErrors) {
    return Post([lineErrors](TComm& comm) {
        if (comm.OnReceiveError)
            comm.OnReceiveError(comm, lineErrors);
    });
}

bool CommNotifier::RequestHangup() {
    return Post([](TComm& comm) {
        if (comm.OnRequestHangup)
            comm.OnRequestHangup(comm);
    });
}

bool CommNotifier::ModemStateChange(std::uint32_t modemFlags) {
    return Post([modemFlags](TComm& comm) {
        if (comm.OnModemStateChange)
            comm.OnModemStateChange(comm, modemFlags);
    });
}

bool CommNotifier::SendDataEmpty() {
    return Post([](TComm& comm) {
        if (comm.OnSendDataEmpty)
            comm.OnSendDataEmpty(comm);
    });
}

void TReadThread::Start() {
    m_thread = std::thread([this] { Run(); });
}

void TReadThread::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

// Posts what the line-event counters show; false ends the reader.
bool TReadThread::HandleLineEvents() {
    PlatformPort::LineEvents ev = m_port.TakeLineEvents();
    if (!ev.ok) {
        if (!ev.invalid)
            m_notifier.RequestHangup();
        return false;
    }
    if (ev.errors != 0 && !m_notifier.ReceiveError(ev.errors)) {
        m_notifier.RequestHangup();
        return false;
    }
    if (ev.modem != 0 && !m_notifier.ModemStateChange(ev.modem)) {
        m_notifier.RequestHangup();
        return false;
    }
    return true;
}

void TReadThread::Run() {
    std::array<std::uint8_t, 256> chunk;
    const std::function<bool()> lineCheck = [this] { return HandleLineEvents(); };
    bool running = true;
    while (running && !m_closeEvent.IsSet()) {
        PlatformPort::ReadResult r = m_port.ReadChunk(chunk, m_closeEvent, lineCheck);
        switch (r.status) {
            case PlatformPort::ReadStatus::Data: {
                // A copy one byte longer than the data, the extra byte 0, for the owner.
                std::vector<std::uint8_t> copy(r.count + 1, 0);
                std::copy_n(chunk.begin(), r.count, copy.begin());
                if (!m_notifier.DataReceived(std::move(copy),
                                             static_cast<std::uint16_t>(r.count))) {
                    m_notifier.RequestHangup();
                    running = false;
                }
                break;
            }
            case PlatformPort::ReadStatus::Nothing:
                // The total time-out passed without a byte: read again.
                break;
            case PlatformPort::ReadStatus::Hangup:
                // The other end is gone; report it once and stop rather than poll a dead line.
            case PlatformPort::ReadStatus::Failed:
                m_notifier.RequestHangup();
                running = false;
                break;
            case PlatformPort::ReadStatus::Stopped:
            case PlatformPort::ReadStatus::Invalid:
            case PlatformPort::ReadStatus::Abandoned:
                running = false;
                break;
        }
    }
    m_port.Purge(PlatformPort::PurgeInput);
}

void TWriteThread::Start() {
    m_thread = std::thread([this] { Run(); });
}

void TWriteThread::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

void TWriteThread::Run() {
    bool idleNotice = true;
    for (;;) {
        std::optional<WriteRequest> request = m_queue.TryPop();
        if (!request) {
            m_sendDataEmpty.store(true);
            if (idleNotice && !m_notifier.SendDataEmpty()) {
                m_notifier.RequestHangup();
                break;
            }
            idleNotice = false;
            WaitOutcome w = WaitForStopOr(m_closeEvent, m_queue.Fd());
            if (w == WaitOutcome::Stop)
                break;
            if (w == WaitOutcome::Failed) {
                m_notifier.RequestHangup();
                break;
            }
            continue;
        }
        if (m_closeEvent.IsSet())
            break;
        PlatformPort::WriteStatus st = m_port.WriteAll(
            std::span<const std::uint8_t>(request->buffer.data(), request->length), m_closeEvent);
        if (st == PlatformPort::WriteStatus::Written) {
            idleNotice = true;
            continue;
        }
        if (st == PlatformPort::WriteStatus::Hangup || st == PlatformPort::WriteStatus::Failed)
            m_notifier.RequestHangup();
        break;
    }
    // Later WritePortData calls fail instead of queueing for nobody.
    m_queue.Close();
    m_port.Purge(PlatformPort::PurgeOutput);
    m_sendDataEmpty.store(true);
}

CommSession::~CommSession() {
    closeEvent.Set();
    reader.reset();
    writer.reset();
}

void CommSession::StopReader() {
    closeEvent.Set();
    port.Purge(PlatformPort::PurgeInput);
    if (reader)
        reader->Join();
}

void CommSession::StopWriter(std::atomic<bool>& sendDataEmpty) {
    closeEvent.Set();
    port.Purge(PlatformPort::PurgeOutput);
    sendDataEmpty.store(true);
    if (writer)
        writer->Join();
}

}  // namespace carecfg
