#pragma once

#include <QTimer>

#include "link/LinkInterfaces.h"

namespace carecfg {

// The resend timer on a QTimer. A QTimer with interval 0 would fire on every pass of the event
// loop and restarts when started again; this adapter gives the link's rules instead: interval 0
// never fires, and Start on a running timer keeps its earlier start.
class QtLinkTimer : public LinkTimer {
public:
    explicit QtLinkTimer(QTimer& timer);

    void Start() override;
    void Stop() override;
    bool IsRunning() const override { return m_running; }
    void SetInterval(int ms) override;
    int Interval() const override { return m_interval; }

private:
    QTimer& m_timer;
    bool m_running = false;  // enabled, even when an interval of 0 keeps the QTimer idle
    int m_interval = kInitialResendInterval;
};

}  // namespace carecfg
