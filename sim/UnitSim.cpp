#include "sim/UnitSim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "image/DeviceImage.h"
#include "image/ImageFiles.h"
#include "link/Commands.h"
#include "link/FrameParser.h"
#include "link/LinkFrame.h"
#include "sim/DemoUnit.h"
#include "sim/ReplyShaper.h"
#include "sim/UnitEngine.h"

namespace carecfg {
namespace {

// One byte on the line is a start bit, eight data bits and a stop bit at 115200 baud.
constexpr long kByteTimeNs = 10L * 1'000'000'000L / 115200L;
// How long a reply write may wait for a reader that does not take the bytes.
constexpr int kWriteStallMs = 2000;
// A request that stops for this long is abandoned, so that a tool which closed the line in
// the middle of a frame does not make the unit swallow the start of its next request.
constexpr long long kFrameGapNs = 500'000'000LL;

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

long long NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
}

void SleepUntilNs(long long deadline) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadline / 1'000'000'000LL);
    ts.tv_nsec = static_cast<long>(deadline % 1'000'000'000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

}  // namespace

UnitSim::UnitSim(SimOptions options)
    : m_options(std::move(options)),
      m_engine(std::make_unique<UnitEngine>(BuildDemoMemory(), m_options.password)) {}

UnitSim::~UnitSim() {
    Stop();
}

bool UnitSim::Start(const std::filesystem::path& linkPath) {
    if (m_running) {
        m_lastError = "the unit is already running";
        return false;
    }
    m_lastError.clear();
    if (m_options.password.empty() || m_options.password.size() > 6) {
        m_lastError = "the password must have 1 to 6 characters";
        return false;
    }
    if (m_options.imageFile) {
        auto bytes = ReadFileExactly(*m_options.imageFile, kImageSize);
        if (!bytes) {
            m_lastError = "cannot read a 262144-byte image from " + m_options.imageFile->string();
            return false;
        }
        std::lock_guard lock(m_mutex);
        m_engine = std::make_unique<UnitEngine>(std::move(*bytes), m_options.password);
        m_options.imageFile.reset();  // loaded once; a restart keeps the memory as it is
    }
    m_link = linkPath;
    m_wakeEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeEvent < 0) {
        m_lastError = ErrnoText("eventfd");
        return false;
    }
    if (!OpenTerminal() || !MakeLink()) {
        RemoveLink();
        CloseTerminal();
        CloseFd(m_wakeEvent);
        return false;
    }
    m_shaper = std::make_unique<ReplyShaper>(m_options.faults, m_options.seed);
    m_stopping = false;
    m_pullRequested = false;
    m_returnRequested = false;
    m_blocksAnswered = 0;
    m_hangUps = 0;
    m_returns = 0;
    m_lineUp = true;
    m_running = true;
    m_thread = std::thread([this] { Run(); });
    return true;
}

bool UnitSim::OpenTerminal() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        SetError(ErrnoText("posix_openpt"));
        return false;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        SetError(ErrnoText("grantpt/unlockpt"));
        return false;
    }
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0) {
        SetError(ErrnoText("ptsname"));
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_ptsName = name;
    }
    // Nonblocking master: a tool that stops reading must not hang the unit's thread.
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        SetError(ErrnoText(std::string("open ") + name));
        return false;
    }
    termios tio{};
    if (tcgetattr(m_slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(m_slave, TCSANOW, &tio);
    }
    return true;
}

void UnitSim::CloseTerminal() {
    CloseFd(m_slave);
    CloseFd(m_master);
}

bool UnitSim::MakeLink() {
    if (m_link.empty()) {
        return true;
    }
    struct stat st {};
    if (lstat(m_link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            SetError(m_link.string() + " exists and is not a symbolic link");
            return false;
        }
        ::unlink(m_link.c_str());  // a link left behind by an earlier run
    }
    if (symlink(PtsName().c_str(), m_link.c_str()) != 0) {
        SetError(ErrnoText("symlink " + m_link.string()));
        return false;
    }
    m_linkMade = true;
    return true;
}

void UnitSim::RemoveLink() {
    if (!m_linkMade) {
        return;
    }
    // Only remove the link while it still points at this unit's terminal.
    char target[256] = {};
    const ssize_t n = readlink(m_link.c_str(), target, sizeof target - 1);
    if (n > 0 && PtsName() == std::string(target, static_cast<std::size_t>(n))) {
        ::unlink(m_link.c_str());
    }
    m_linkMade = false;
}

void UnitSim::Wake() {
    const std::uint64_t one = 1;
    if (::write(m_wakeEvent, &one, sizeof one) < 0) {
        // The counter cannot overflow from these few writes; the flags alone still take effect
        // at the thread's next wake-up.
    }
}

void UnitSim::Stop() {
    if (!m_running) {
        return;
    }
    m_stopping = true;
    Wake();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    RemoveLink();
    CloseTerminal();
    CloseFd(m_wakeEvent);
    m_lineUp = false;
    m_running = false;
    if (m_options.saveFile) {
        const std::vector<std::uint8_t> memory = MemorySnapshot();
        if (!WriteFileAtomically(*m_options.saveFile, memory)) {
            std::lock_guard lock(m_mutex);
            m_lastError = "cannot save the memory to " + m_options.saveFile->string();
        }
    }
}

bool UnitSim::IsRunning() const {
    return m_running;
}

void UnitSim::PullAdapter() {
    if (!m_running || !m_lineUp) {
        return;
    }
    m_pullRequested = true;
    Wake();
}

void UnitSim::ComeBack() {
    if (!m_running || (m_lineUp && !m_pullRequested)) {
        return;
    }
    m_returnRequested = true;
    Wake();
}

void UnitSim::HangUp() {
    // The tool's side now reads a hang-up, and its writes fail; the device name vanishes.
    RemoveLink();
    CloseTerminal();
    m_lineUp = false;
    ++m_hangUps;
}

void UnitSim::Return() {
    if (!OpenTerminal() || !MakeLink()) {
        RemoveLink();
        CloseTerminal();
        return;  // stays away; LastError says why
    }
    m_lineUp = true;
    ++m_returns;
}

std::string UnitSim::TerminalPath() const {
    return m_link.empty() ? PtsName() : m_link.string();
}

std::string UnitSim::PtsName() const {
    std::lock_guard lock(m_mutex);
    return m_ptsName;
}

void UnitSim::SetError(std::string text) {
    std::lock_guard lock(m_mutex);
    m_lastError = std::move(text);
}

std::string UnitSim::LastError() const {
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

std::vector<std::uint8_t> UnitSim::MemorySnapshot() const {
    std::lock_guard lock(m_mutex);
    const auto bytes = m_engine->Memory().Bytes();
    return {bytes.begin(), bytes.end()};
}

std::vector<std::vector<std::uint8_t>> UnitSim::ReceivedFrames() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<std::vector<std::uint8_t>> UnitSim::TakeReceivedFrames() {
    std::lock_guard lock(m_mutex);
    std::vector<std::vector<std::uint8_t>> taken;
    taken.swap(m_received);
    return taken;
}

void UnitSim::Run() {
    FrameParser parser;
    long long lastByteAt = 0;
    long long returnAt = -1;  // when an absent unit comes back by itself; -1: not by itself
    while (!m_stopping) {
        if (m_pullRequested.exchange(false) && m_lineUp) {
            HangUp();
            parser.Reset();
            const int back = m_options.faults.comeBackAfterMs;
            returnAt = back >= 0 ? NowNs() + static_cast<long long>(back) * 1'000'000LL : -1;
        }
        if (!m_lineUp) {
            if (m_returnRequested.exchange(false) || (returnAt >= 0 && NowNs() >= returnAt)) {
                returnAt = -1;
                Return();
                continue;
            }
            int timeoutMs = -1;
            if (returnAt >= 0) {
                timeoutMs = static_cast<int>((returnAt - NowNs() + 999'999LL) / 1'000'000LL);
            }
            pollfd wake = {m_wakeEvent, POLLIN, 0};
            if (poll(&wake, 1, timeoutMs) > 0) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t r = ::read(m_wakeEvent, &count, sizeof count);
            }
            continue;
        }
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wakeEvent, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[1].revents != 0) {
            // A stop, pull or return: the flags are looked at on the next round.
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t r = ::read(m_wakeEvent, &count, sizeof count);
            continue;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            // Hang-up or error without data: wait a little rather than spin on it.
            Pause(10);
            continue;
        }
        Serve(parser, lastByteAt);
    }
}

void UnitSim::Serve(FrameParser& parser, long long& lastByteAt) {
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            Pause(10);
        }
        return;
    }
    const long long now = NowNs();
    if (parser.InFrame() && now - lastByteAt > kFrameGapNs) {
        parser.Reset();
    }
    lastByteAt = now;
    const int hangUpAfter = m_options.faults.hangUpAfterBlocks;
    for (ParsedFrame& request :
         parser.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)))) {
        const bool block = request.command == CmdReadBlock ||
                           request.command == CmdReadRecordBlock ||
                           request.command == CmdWriteBlock;
        std::optional<std::vector<std::uint8_t>> reply;
        {
            std::lock_guard lock(m_mutex);
            m_received.push_back(BuildFrame(request.command, request.address, request.payload));
            if (block && hangUpAfter > 0 && m_hangUps == 0 && m_blocksAnswered >= hangUpAfter) {
                // The adapter goes with this request still unanswered.
                m_pullRequested = true;
                return;
            }
            reply = m_engine->Answer(request.command, request.address, request.payload,
                                     WriteStatusFor(request.command, request.address));
        }
        if (block) {
            ++m_blocksAnswered;
        }
        if (reply) {
            Deliver(std::move(*reply));
        }
        if (Interrupted()) {
            return;
        }
    }
}

int UnitSim::WriteStatusFor(std::uint8_t command, std::uint32_t address) const {
    const auto& at = m_options.faults.writeStatusAt;
    if (command == CmdWriteBlock && at && at->address == address) {
        return at->status;
    }
    return m_options.faults.writeStatus;
}

void UnitSim::Deliver(std::vector<std::uint8_t> frame) {
    const ReplyPlan plan = m_shaper->Shape(std::move(frame));
    for (const ReplyPlan::Part& part : plan.parts) {
        if (part.pauseBeforeMs > 0 && !Pause(part.pauseBeforeMs)) {
            return;
        }
        const bool written = m_options.faults.pace ? WritePaced(part.bytes)
                                                   : WriteAll(part.bytes.data(), part.bytes.size());
        if (!written) {
            return;
        }
    }
}

bool UnitSim::Pause(int ms) {
    pollfd fd = {m_wakeEvent, POLLIN, 0};
    const long long deadline = NowNs() + static_cast<long long>(ms) * 1'000'000LL;
    while (!Interrupted()) {
        const long long left = (deadline - NowNs()) / 1'000'000LL;
        if (left <= 0) {
            return true;
        }
        const int r = poll(&fd, 1, static_cast<int>(left));
        if (r == 0) {
            return true;
        }
        if (r > 0 && !Interrupted()) {
            // A wake-up that asks nothing of a unit on the line: taken and forgotten.
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeEvent, &count, sizeof count);
            continue;
        }
        if (r < 0 && errno != EINTR) {
            return !Interrupted();
        }
    }
    return false;
}

bool UnitSim::WriteAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(m_master, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return false;
        }
        // The terminal's input queue is full: wait for the reader, or give the reply up.
        pollfd fds[2] = {{m_master, POLLOUT, 0}, {m_wakeEvent, POLLIN, 0}};
        const int r = poll(fds, 2, kWriteStallMs);
        if (r <= 0 || (fds[1].revents != 0 && Interrupted())) {
            return false;
        }
    }
    return true;
}

bool UnitSim::WritePaced(const std::vector<std::uint8_t>& bytes) {
    // Each byte is due one byte time after the one before; whatever is due is written at once
    // and the thread sleeps to the next absolute deadline, so coarse sleeps never add up.
    const long long start = NowNs();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (Interrupted()) {
            return false;
        }
        const long long elapsed = NowNs() - start;
        std::size_t due = static_cast<std::size_t>(elapsed / kByteTimeNs) + 1;
        due = std::min(due, bytes.size());
        if (due > sent) {
            if (!WriteAll(bytes.data() + sent, due - sent)) {
                return false;
            }
            sent = due;
        }
        if (sent < bytes.size()) {
            SleepUntilNs(start + static_cast<long long>(sent) * kByteTimeNs);
        }
    }
    return true;
}

}  // namespace carecfg
