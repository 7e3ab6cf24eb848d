#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "serial/Win32Port.h"
#include "serial/Win32Signals.h"
#else
#include "serial/PosixPort.h"
#include "serial/PosixSignals.h"
#endif
#include "serial/SerialComm.h"

namespace carecfg {

// The platform layer the workers run on; a second platform adds its own files beside these.
#ifdef _WIN32
using PlatformPort = Win32Port;
using PlatformEvent = Win32Event;
using PlatformWriteQueue = Win32WriteQueue;
#else
using PlatformPort = PosixPort;
using PlatformEvent = PosixEvent;
using PlatformWriteQueue = PosixWriteQueue;
#endif

// Posts the workers' notifications to the owner's sink. Each closure holds the TComm only
// weakly: run after the TComm is gone it does nothing. A failed post (the sink threw) is
// reported as false.
class CommNotifier {
public:
    CommNotifier(CommEventSink& sink, std::weak_ptr<TComm*> owner)
        : m_sink(sink), m_owner(std::move(owner)) {}

    // Takes over the buffer (length bytes followed by one 0).
    bool DataReceived(std::vector<std::uint8_t> buffer, std::uint16_t length);
    bool ReceiveError(std::uint32_t lineErrors);
    bool RequestHangup();
    bool ModemStateChange(std::uint32_t modemFlags);
    bool SendDataEmpty();

private:
    template <typename Fire>
    bool Post(Fire fire);

    CommEventSink& m_sink;
    std::weak_ptr<TComm*> m_owner;
};

// Reader thread: collects received bytes into chunks of 1 to 256 and posts them in order, with
// line errors and modem changes where the device reports them. Ends on the close event, on
// hangup and on failures (posting a hangup request for those).
class TReadThread {
public:
    TReadThread(PlatformPort& port, const PlatformEvent& closeEvent, CommNotifier notifier)
        : m_port(port), m_closeEvent(closeEvent), m_notifier(std::move(notifier)) {}
    ~TReadThread() { Join(); }
    void Start();  // throws std::system_error when no thread can be made
    void Join();

private:
    void Run();
    bool HandleLineEvents();

    PlatformPort& m_port;
    const PlatformEvent& m_closeEvent;
    CommNotifier m_notifier;
    std::thread m_thread;
};

// Writer thread: writes the queued requests one after the other, each completely, and posts a
// send-data-empty notice when it runs out of work after writing.
class TWriteThread {
public:
    TWriteThread(PlatformPort& port, const PlatformEvent& closeEvent, PlatformWriteQueue& queue,
                 std::atomic<bool>& sendDataEmpty, CommNotifier notifier)
        : m_port(port),
          m_closeEvent(closeEvent),
          m_queue(queue),
          m_sendDataEmpty(sendDataEmpty),
          m_notifier(std::move(notifier)) {}
    ~TWriteThread() { Join(); }
    void Start();
    void Join();

private:
    void Run();

    PlatformPort& m_port;
    const PlatformEvent& m_closeEvent;
    PlatformWriteQueue& m_queue;
    std::atomic<bool>& m_sendDataEmpty;
    CommNotifier m_notifier;
    std::thread m_thread;
};

// Everything an open TComm holds: the port, the close event, the writer's queue and the two
// workers. Destroying it stops and joins the workers before the port closes.
struct CommSession {
    PlatformPort port;
    PlatformEvent closeEvent;
    PlatformWriteQueue writeQueue;
    std::unique_ptr<TReadThread> reader;
    std::unique_ptr<TWriteThread> writer;

    ~CommSession();
    void StopReader();
    void StopWriter(std::atomic<bool>& sendDataEmpty);
};

}  // namespace carecfg
