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
    if (!OpenTerminal(linkPath)) {
        CloseTerminal();
        return false;
    }
    m_shaper = std::make_unique<ReplyShaper>(m_options.faults, m_options.seed);
    m_stopping = false;
    m_running = true;
    m_thread = std::thread([this] { Run(); });
    return true;
}

bool UnitSim::OpenTerminal(const std::filesystem::path& linkPath) {
    m_link.clear();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        m_lastError = ErrnoText("posix_openpt");
        return false;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        m_lastError = ErrnoText("grantpt/unlockpt");
        return false;
    }
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0) {
        m_lastError = ErrnoText("ptsname");
        return false;
    }
    m_ptsName = name;
    // Nonblocking master: a tool that stops reading must not hang the unit's thread.
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_slave = ::open(m_ptsName.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        m_lastError = ErrnoText("open " + m_ptsName);
        return false;
    }
    termios tio{};
    if (tcgetattr(m_slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(m_slave, TCSANOW, &tio);
    }

    m_stopEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopEvent < 0) {
        m_lastError = ErrnoText("eventfd");
        return false;
    }

    if (!linkPath.empty()) {
        struct stat st {};
        if (lstat(linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                m_lastError = linkPath.string() + " exists and is not a symbolic link";
                return false;
            }
            ::unlink(linkPath.c_str());  // a link left behind by an earlier run
        }
        if (symlink(m_ptsName.c_str(), linkPath.c_str()) != 0) {
            m_lastError = ErrnoText("symlink " + linkPath.string());
            return false;
        }
        m_link = linkPath;
        m_linkMade = true;
    }
    return true;
}

void UnitSim::CloseTerminal() {
    if (m_linkMade) {
        // Only remove the link while it still points at this unit's terminal.
        char target[256] = {};
        const ssize_t n = readlink(m_link.c_str(), target, sizeof target - 1);
        if (n > 0 && m_ptsName == std::string(target, static_cast<std::size_t>(n))) {
            ::unlink(m_link.c_str());
        }
        m_linkMade = false;
    }
    CloseFd(m_stopEvent);
    CloseFd(m_slave);
    CloseFd(m_master);
}

void UnitSim::Stop() {
    if (!m_running) {
        return;
    }
    m_stopping = true;
    const std::uint64_t one = 1;
    if (::write(m_stopEvent, &one, sizeof one) < 0) {
        // The eventfd cannot be full after one write; the flag alone still ends the thread
        // at its next wake-up.
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    CloseTerminal();
    m_running = false;
    if (m_options.saveFile) {
        const std::vector<std::uint8_t> memory = MemorySnapshot();
        if (!WriteFileAtomically(*m_options.saveFile, memory)) {
            m_lastError = "cannot save the memory to " + m_options.saveFile->string();
        }
    }
}

bool UnitSim::IsRunning() const {
    return m_running;
}

std::string UnitSim::TerminalPath() const {
    return m_link.empty() ? m_ptsName : m_link.string();
}

std::string UnitSim::PtsName() const {
    return m_ptsName;
}

std::string UnitSim::LastError() const {
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

void UnitSim::Run() {
    FrameParser parser;
    long long lastByteAt = 0;
    std::uint8_t buffer[4096];
    while (!m_stopping) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_stopEvent, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[1].revents != 0) {
            break;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            // Hang-up or error without data: wait a little rather than spin on it.
            if (!Pause(10)) {
                break;
            }
            continue;
        }
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR && !Pause(10)) {
                break;
            }
            continue;
        }
        const long long now = NowNs();
        if (parser.InFrame() && now - lastByteAt > kFrameGapNs) {
            parser.Reset();
        }
        lastByteAt = now;
        for (ParsedFrame& request :
             parser.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)))) {
            std::optional<std::vector<std::uint8_t>> reply;
            {
                std::lock_guard lock(m_mutex);
                m_received.push_back(BuildFrame(request.command, request.address, request.payload));
                reply = m_engine->Answer(request.command, request.address, request.payload,
                                         WriteStatusFor(request.command, request.address));
            }
            if (reply) {
                Deliver(std::move(*reply));
            }
            if (m_stopping) {
                break;
            }
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
    pollfd fd = {m_stopEvent, POLLIN, 0};
    const long long deadline = NowNs() + static_cast<long long>(ms) * 1'000'000LL;
    while (!m_stopping) {
        const long long left = (deadline - NowNs()) / 1'000'000LL;
        if (left <= 0) {
            return true;
        }
        const int r = poll(&fd, 1, static_cast<int>(left));
        if (r > 0) {
            return false;
        }
        if (r == 0) {
            return true;
        }
        if (errno != EINTR) {
            return !m_stopping;
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
        pollfd fds[2] = {{m_master, POLLOUT, 0}, {m_stopEvent, POLLIN, 0}};
        const int r = poll(fds, 2, kWriteStallMs);
        if (r <= 0 || fds[1].revents != 0) {
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
        if (m_stopping) {
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
