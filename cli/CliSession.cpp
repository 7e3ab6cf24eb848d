#include "cli/CliSession.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "serial/PortNames.h"

namespace carecfg {

namespace {

std::string TrimmedRight(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

}  // namespace

std::string OpenFailureReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || ::access(path.c_str(), R_OK | W_OK) != 0) {
        return std::generic_category().message(errno);
    }
    if (!S_ISCHR(st.st_mode)) {
        return "not a terminal device";
    }
    return {};
}

CliSession::CliSession(Options options, TextCatalog catalog, std::ostream& out, std::ostream& err)
    : m_options(std::move(options)),
      m_catalog(std::move(catalog)),
      m_codec(TextCodec::FromCatalog(m_catalog)),
      m_out(out),
      m_err(err),
      m_notices(m_catalog, m_codec, err, m_options.verbose),
      m_comm(m_queue),
      m_port(m_comm),
      m_link(m_port, m_timer, m_notices) {
    m_timer.SetInterval(m_options.resendMs);
    m_timer.onExpiry = [this] { m_link.Timer1Timer(); };

    m_comm.OnReceiveData = [this](TComm&, const std::uint8_t* buffer, std::uint16_t length) {
        OnData(buffer, length);
    };
    m_comm.OnRequestHangup = [this](TComm&) { Finish(Outcome::LineLost); };

    m_link.handlers.onIdentity = [this](const IdentityReply& reply) {
        m_identity = reply;
        Finish(Outcome::Answered);
    };
    m_link.handlers.onLoginAccepted = [this] { Finish(Outcome::Answered); };
    m_link.handlers.onLoginRefused = [this](std::uint8_t) { Finish(Outcome::Refused); };
    m_link.Sender().onGaveUp = [this] { Finish(Outcome::GaveUp); };

    // Every good frame still goes through the session's routing; the clock reply has no handler
    // there, so its mere arrival is what ends a set-clock exchange.
    m_link.Receiver().onFrame = [this](const ReceiveRecord& record) {
        m_link.DispatchReply(record);
        if (m_link.Sender().LastCommand() == CmdSetClock) {
            Finish(Outcome::Answered);
        }
    };
}

CliSession::~CliSession() {
    Close();
}

void CliSession::Close() {
    m_comm.ClosePort();
}

int CliSession::Open() {
    std::string path;
    if (IsDemoPortName(m_options.port)) {
        m_demo = std::make_unique<UnitSim>();
        if (!m_demo->Start()) {
            m_err << m_notices.Text("M2") << ": DEMO: " << m_demo->LastError() << '\n';
            return kExitOpenFailed;
        }
        path = m_demo->TerminalPath();
    } else {
        path = ResolvePortName(m_options.port);
    }
    m_comm.ApplyCommRSettings();
    m_comm.SetCommName(path);
    try {
        m_comm.OpenPort();
    } catch (const std::exception& e) {
        const std::string reason = OpenFailureReason(path);
        m_err << m_notices.Text("M2") << ": " << path << ": " << TrimmedRight(e.what());
        if (!reason.empty()) {
            m_err << " (" << reason << ")";
        }
        m_err << '\n';
        return kExitOpenFailed;
    }
    m_notices.ShowStatus("M1");
    return kExitOk;
}

void CliSession::Finish(Outcome outcome) {
    if (m_outcome == Outcome::Waiting) {
        m_outcome = outcome;
    }
}

void CliSession::OnData(const std::uint8_t* buffer, std::uint16_t length) {
    m_lastActivity = MonotonicTimer::Clock::now();
    m_link.FeedChunk(buffer, length);
}

CliSession::Outcome CliSession::Wait() {
    using namespace std::chrono;
    while (m_outcome == Outcome::Waiting) {
        const auto now = MonotonicTimer::Clock::now();
        const auto deadline = m_lastActivity + m_options.timeout;
        if (now >= deadline) {
            Finish(Outcome::Silent);
            break;
        }
        auto until = deadline;
        if (const auto due = m_timer.Deadline(); due && *due < until) {
            until = *due;
        }
        try {
            m_queue.RunFor(ceil<milliseconds>(until - now));
        } catch (...) {
            // A failing notification loses only itself; the exchange goes on.
        }
        m_timer.FireIfDue(MonotonicTimer::Clock::now());
    }
    return m_outcome;
}

int CliSession::Report(Outcome outcome) {
    switch (outcome) {
        case Outcome::Answered:
            return kExitOk;
        case Outcome::Refused:
            m_out << "Login refused\n";
            return kExitLoginRefused;
        case Outcome::GaveUp:
            m_err << "carecfg-cli: no valid answer from the unit after " << LinkSender::MaxSends
                  << " transmissions of the request\n";
            return kExitGaveUp;
        case Outcome::Silent:
            m_err << "carecfg-cli: nothing arrived from the unit within "
                  << static_cast<double>(m_options.timeout.count()) / 1000.0 << " s\n";
            return kExitNoAnswer;
        case Outcome::LineLost:
            m_err << "carecfg-cli: the line hung up\n";
            return kExitLineLost;
        case Outcome::Waiting:
            break;
    }
    return kExitFailure;
}

int CliSession::Identity() {
    m_outcome = Outcome::Waiting;
    m_identity.reset();
    m_lastActivity = MonotonicTimer::Clock::now();
    m_link.SendReadIdentity();
    const Outcome outcome = Wait();
    if (outcome == Outcome::Answered && m_identity) {
        m_out << "Device ID: " << m_codec.ToUtf8(m_identity->deviceId) << '\n'
              << "Firmware: " << m_codec.ToUtf8(m_identity->firmwareVersion) << '\n'
              << "IMEI: " << m_codec.ToUtf8(m_identity->imei) << '\n';
    }
    return Report(outcome);
}

int CliSession::Login(std::string_view password) {
    m_outcome = Outcome::Waiting;
    m_lastActivity = MonotonicTimer::Clock::now();
    // The password goes to the unit in the catalogue's code page, one byte per character.
    if (!m_link.SendLogin(m_codec.FromUtf8(password))) {
        m_notices.ShowMessage("M7");
        return kExitUsage;
    }
    const Outcome outcome = Wait();
    if (outcome == Outcome::Answered) {
        m_out << "Login accepted\n";
    }
    return Report(outcome);
}

int CliSession::SetClock(std::time_t now) {
    m_outcome = Outcome::Waiting;
    m_lastActivity = MonotonicTimer::Clock::now();
    m_link.SendSetClock(ClockStampFromLocalTime(now));
    const Outcome outcome = Wait();
    if (outcome == Outcome::Answered) {
        m_out << "Clock set\n";
    }
    return Report(outcome);
}

int CliSession::Run(const CliCommandLine& line) {
    if (const int opened = Open(); opened != kExitOk) {
        return opened;
    }
    int result = kExitFailure;
    switch (line.command) {
        case CliCommand::Identity:
            result = Identity();
            break;
        case CliCommand::Login:
            result = Login(line.password);
            break;
        case CliCommand::SetClock:
            result = SetClock(std::time(nullptr));
            break;
    }
    Close();
    m_out << std::flush;
    return result;
}

}  // namespace carecfg
