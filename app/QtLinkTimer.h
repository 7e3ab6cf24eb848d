#pragma once

#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>

#include "link/LinkInterfaces.h"

namespace carecfg {

// The resend timer on a QTimer, following the LinkTimer rules. A bare QTimer would fire on
// every pass of the event loop at interval 0 and restart from now when started again or given
// a new interval; this adapter keeps the period's start itself and arms the QTimer for what is
// left of it. Connect the owner's handler to the QTimer's timeout after constructing the
// adapter, so the adapter has begun the next period before the handler runs.
class QtLinkTimer : public LinkTimer {
public:
    explicit QtLinkTimer(QTimer& timer);
    ~QtLinkTimer() override;
    QtLinkTimer(const QtLinkTimer&) = delete;
    QtLinkTimer& operator=(const QtLinkTimer&) = delete;

    void Start() override;
    void Stop() override;
    bool IsRunning() const override { return m_running; }
    void SetInterval(int ms) override;
    int Interval() const override { return m_interval; }

private:
    void Expired();
    void ArmForRestOfPeriod();

    QTimer& m_timer;
    QMetaObject::Connection m_expiry;
    bool m_running = false;  // enabled, even when an interval of 0 keeps the QTimer idle
    int m_interval = kInitialResendInterval;
    QElapsedTimer m_periodStart;  // start of the running period: Start or the last expiry
};

}  // namespace carecfg
