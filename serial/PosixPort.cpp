#include "serial/PosixPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <optional>

namespace carecfg {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kFilterMarked = 1u << 0;
constexpr std::uint32_t kFilterReplace = 1u << 1;
constexpr std::uint32_t kFilterDropNull = 1u << 2;
constexpr std::uint32_t kFilterDsrSensitive = 1u << 3;

struct BaudEntry {
    std::uint32_t rate;
    speed_t code;
};

constexpr BaudEntry kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},
#if defined(B460800)
    {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
    {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
#endif
};

std::optional<speed_t> SpeedCode(std::uint32_t rate) {
    for (const BaudEntry& e : kBaudRates) {
        if (e.rate == rate)
            return e.code;
    }
    return std::nullopt;
}

tcflag_t DataBits(TByteSize size) {
    switch (size) {
        case TByteSize::_5:
            return CS5;
        case TByteSize::_6:
            return CS6;
        case TByteSize::_7:
            return CS7;
        case TByteSize::_8:
            return CS8;
    }
    return CS8;
}

// Raises or lowers one modem line. Pseudo-terminals have no modem lines: failure is ignored.
void SetModemLine(int fd, int line, bool on) {
    [[maybe_unused]] int r = ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

int RemainingMs(Clock::time_point now, Clock::time_point deadline) {
    if (deadline <= now)
        return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(ms, 1 << 30));
}

}  // namespace

PosixPort::~PosixPort() {
    Close();
}

PosixPort::OpenResult PosixPort::Open(const std::string& path) {
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OpenResult::OpenFailed;
    if (!::isatty(fd)) {
        ::close(fd);
        return OpenResult::NotATerminal;
    }
    // Exclusive mode keeps other (unprivileged) openers out; root passes it, so an advisory lock
    // on the device is taken as well: a second holder of this kind fails even as root. The lock
    // goes with the descriptor.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return OpenResult::OpenFailed;
    }
    [[maybe_unused]] int r = ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    m_filter = ReceiveFilter{};
    m_hasCounters = ReadCounters(m_counters);
    return OpenResult::Opened;
}

void PosixPort::Close() {
    if (m_fd < 0)
        return;
    // Exclusive mode belongs to the terminal, not to this descriptor: it would outlive the close
    // while someone else (the other end of a pseudo-terminal) still holds the terminal open.
    [[maybe_unused]] int r = ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    m_hasCounters = false;
}

void PosixPort::Purge(int sides) {
    if (m_fd < 0)
        return;
    if ((sides & PurgeBoth) == PurgeBoth)
        ::tcflush(m_fd, TCIOFLUSH);
    else if (sides & PurgeInput)
        ::tcflush(m_fd, TCIFLUSH);
    else if (sides & PurgeOutput)
        ::tcflush(m_fd, TCOFLUSH);
}

// How each setting maps to termios. Binary (raw) mode is always on: no line editing, echo,
// signals, character translation or output processing; the receiver is on and the carrier line
// does not gate opening or reading (CLOCAL). Settings without a POSIX counterpart:
//   - XonLimit / XoffLimit: the terminal layer picks its own thresholds for sending XOFF/XON.
//   - TxContinueOnXoff: the terminal layer always keeps sending after it sent XOFF itself.
//   - Outx_DsrFlow: output flow control on DSR does not exist in termios; ignored.
//   - DtrHandshake: DTR as input handshake does not exist; DTR is raised instead.
//   - RtsTransmissionAvailable: RTS raised only while sending needs the RS-485 mode of a few
//     drivers; RTS is raised instead.
//   - CRTSCTS couples the two directions of hardware flow control: it is on when either
//     Outx_CtsFlow (output on CTS) or RtsHandshake (input on RTS) asks for it.
//   - One and a half stop bits: CSTOPB, which 16550-class UARTs send as 1.5 stop bits with 5
//     data bits and as 2 otherwise.
//   - ParityCheck turns on INPCK with PARMRK: bytes with parity or framing errors arrive marked
//     and the reader delivers them as received, or as ReplacedChar when ReplaceWhenParityError.
//   - IgnoreNullChar and DsrSensitivity are done by the reader (termios has neither).
//   - Breaks are not delivered as bytes (IGNBRK); where the device counts them they are
//     reported as kLineErrorBreak.
// A speed termios does not know makes the whole call fail without changing anything.
// Pseudo-terminals keep only part of this: they force 8 data bits and no parity.
bool ToTermios(const LineSettings& s, termios& t) {
    std::optional<speed_t> speed = SpeedCode(s.baudRate);
    if (!speed)
        return false;
    cfsetispeed(&t, *speed);
    cfsetospeed(&t, *speed);

    t.c_iflag &= ~static_cast<tcflag_t>(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                        IXOFF | IXANY | INPCK | IGNPAR | IMAXBEL);
    t.c_iflag |= IGNBRK;
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
    t.c_cflag |= CREAD | CLOCAL | DataBits(s.byteSize);

    switch (s.parity) {
        case TParity::None:
            break;
        case TParity::Odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case TParity::Even:
            t.c_cflag |= PARENB;
            break;
        case TParity::Mark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case TParity::Space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
    }
    if (s.stopBits != TStopBits::_1)
        t.c_cflag |= CSTOPB;
    if (s.parityCheck)
        t.c_iflag |= INPCK | PARMRK;
    if (s.outxXonXoffFlow)
        t.c_iflag |= IXON;
    if (s.inxXonXoffFlow)
        t.c_iflag |= IXOFF;
    if (s.outxCtsFlow || s.rtsControl == TRtsControl::RtsHandshake)
        t.c_cflag |= CRTSCTS;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return true;
}

bool PosixPort::ApplyLineSettings(const LineSettings& s) {
    if (m_fd < 0)
        return false;
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0 || !ToTermios(s, t) || ::tcsetattr(m_fd, TCSANOW, &t) != 0)
        return false;

    const bool hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
    SetModemLine(m_fd, TIOCM_DTR, s.dtrControl != TDtrControl::DtrDisable);
    if (!hardwareFlow)
        SetModemLine(m_fd, TIOCM_RTS, s.rtsControl != TRtsControl::RtsDisable);

    std::uint32_t word = static_cast<std::uint32_t>(static_cast<std::uint8_t>(s.replacedChar)) << 8;
    if (s.parityCheck)
        word |= kFilterMarked;
    if (s.replaceWhenParityError)
        word |= kFilterReplace;
    if (s.ignoreNullChar)
        word |= kFilterDropNull;
    if (s.dsrSensitivity)
        word |= kFilterDsrSensitive;
    m_filterWord.store(word);
    return true;
}

// The read time-outs are kept here for ReadChunk. The write time-outs have no effect: every
// buffer is written completely, however long the line takes.
bool PosixPort::ApplyTimeouts(const CommTimeouts& t) {
    if (m_fd < 0)
        return false;
    std::uint64_t total;
    if (t.readIntervalTimeout == kNoWaitInterval && t.readTotalTimeoutMultiplier == 0xFFFFFFFFu)
        total = t.readTotalTimeoutConstant;  // "any byte, or give up after the constant"
    else
        total = std::uint64_t{t.readTotalTimeoutMultiplier} * 256u + t.readTotalTimeoutConstant;
    m_readInterval.store(t.readIntervalTimeout);
    m_readTotalMs.store(total);
    return true;
}

bool PosixPort::ReadCounters(Counters& out) const {
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct c{};
    if (::ioctl(m_fd, TIOCGICOUNT, &c) != 0)
        return false;
    out = Counters{c.dcd, c.rng, c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
    return true;
#else
    (void)out;
    return false;
#endif
}

PosixPort::LineEvents PosixPort::TakeLineEvents() {
    LineEvents ev;
    if (!m_hasCounters)
        return ev;
    Counters now;
    if (!ReadCounters(now)) {
        ev.ok = false;
        ev.invalid = errno == EBADF;
        return ev;
    }
    const Counters& was = m_counters;
    if (now.bufOverrun != was.bufOverrun)
        ev.errors |= kLineErrorRxOver;
    if (now.overrun != was.overrun)
        ev.errors |= kLineErrorOverrun;
    if (now.parity != was.parity)
        ev.errors |= kLineErrorParity;
    if (now.frame != was.frame)
        ev.errors |= kLineErrorFrame;
    if (now.brk != was.brk)
        ev.errors |= kLineErrorBreak;
    if (now.dcd != was.dcd)
        ev.modem |= kModemCarrierChanged;
    if (now.rng != was.rng)
        ev.modem |= kModemRing;
    m_counters = now;
    return ev;
}

bool PosixPort::DsrLow() const {
    int lines = 0;
    if (::ioctl(m_fd, TIOCMGET, &lines) != 0)
        return false;  // no modem lines to go by: nothing is discarded
    return (lines & TIOCM_DSR) == 0;
}

PosixPort::ReadResult PosixPort::ReadChunk(std::span<std::uint8_t> buffer, const PosixEvent& stop,
                                           const std::function<bool()>& lineCheck) {
    const std::uint32_t interval = m_readInterval.load();
    const std::uint64_t totalMs = m_readTotalMs.load();
    const Clock::time_point start = Clock::now();
    const Clock::time_point totalDeadline = start + std::chrono::milliseconds(totalMs);
    Clock::time_point lastByte = start;
    Clock::time_point nextCheck = start + std::chrono::milliseconds(kLineCheckMs);
    std::array<std::uint8_t, 256> raw;
    std::size_t n = 0;

    for (;;) {
        Clock::time_point now = Clock::now();
        if (m_hasCounters && now >= nextCheck) {
            if (lineCheck && !lineCheck())
                return {ReadStatus::Abandoned, 0};
            nextCheck = now + std::chrono::milliseconds(kLineCheckMs);
        }
        if (n > 0) {
            if (interval == kNoWaitInterval)
                return {ReadStatus::Data, n};
            if (interval != 0 && now >= lastByte + std::chrono::milliseconds(interval))
                return {ReadStatus::Data, n};
        }
        if (totalMs != 0 && now >= totalDeadline)
            return {n > 0 ? ReadStatus::Data : ReadStatus::Nothing, n};

        int timeout = -1;
        auto limit = [&](Clock::time_point deadline) {
            int ms = RemainingMs(now, deadline);
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        };
        if (n > 0 && interval != 0)
            limit(lastByte + std::chrono::milliseconds(interval));
        if (totalMs != 0)
            limit(totalDeadline);
        if (m_hasCounters)
            limit(nextCheck);

        pollfd fds[2] = {{m_fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        int r = ::poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return {ReadStatus::Failed, 0};
        }
        if (fds[1].revents != 0)
            return {ReadStatus::Stopped, 0};
        if (r == 0)
            continue;
        const short ev = fds[0].revents;
        if (ev & POLLNVAL)
            return {ReadStatus::Invalid, 0};
        if (ev & POLLIN) {
            // Keep room for a byte a held-back mark may add.
            std::size_t room = buffer.size() - n;
            if (m_filter.InsideMark()) {
                if (room <= 1 && n > 0)
                    return {ReadStatus::Data, n};
                if (room > 1)
                    --room;
            }
            ssize_t got = ::read(m_fd, raw.data(), std::min(room, raw.size()));
            if (got > 0) {
                lastByte = Clock::now();
                const std::uint32_t word = m_filterWord.load();
                if ((word & kFilterDsrSensitive) && DsrLow())
                    continue;  // bytes received while DSR is low are discarded
                ReceiveFilterConfig config{
                    (word & kFilterMarked) != 0, (word & kFilterReplace) != 0,
                    static_cast<std::uint8_t>(word >> 8), (word & kFilterDropNull) != 0};
                n += m_filter.Apply(config, std::span(raw.data(), static_cast<std::size_t>(got)),
                                    buffer.data() + n);
                if (n >= buffer.size())
                    return {ReadStatus::Data, n};
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n > 0)
                return {ReadStatus::Data, n};  // hand over what came before the end
            if (got == 0 || errno == EIO)
                return {ReadStatus::Hangup, 0};
            return {errno == EBADF ? ReadStatus::Invalid : ReadStatus::Failed, 0};
        }
        if (ev & (POLLHUP | POLLERR)) {
            if (n > 0)
                return {ReadStatus::Data, n};
            return {ReadStatus::Hangup, 0};
        }
    }
}

PosixPort::WriteStatus PosixPort::WriteAll(std::span<const std::uint8_t> bytes,
                                           const PosixEvent& stop) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (stop.IsSet())
            return WriteStatus::Stopped;
        ssize_t r = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (r > 0) {
            done += static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 && errno != EAGAIN) {
            if (errno == EIO)
                return WriteStatus::Hangup;
            return errno == EBADF ? WriteStatus::Invalid : WriteStatus::Failed;
        }
        // No room in the output buffer: wait for room or the stop event.
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {stop.Fd(), POLLIN, 0}};
        int p = ::poll(fds, 2, -1);
        if (p < 0) {
            if (errno == EINTR)
                continue;
            return WriteStatus::Failed;
        }
        if (fds[1].revents != 0)
            return WriteStatus::Stopped;
        if (fds[0].revents & POLLNVAL)
            return WriteStatus::Invalid;
        if ((fds[0].revents & (POLLHUP | POLLERR)) && !(fds[0].revents & POLLOUT))
            return WriteStatus::Hangup;
    }
    return WriteStatus::Written;
}

}  // namespace carecfg
