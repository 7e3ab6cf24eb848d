#pragma once

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/CliAdapters.h"
#include "cli/CliArguments.h"
#include "cli/MonotonicTimer.h"
#include "link/LinkSession.h"
#include "serial/EventQueue.h"
#include "serial/SerialComm.h"
#include "sim/UnitSim.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg {

// One run of the command-line tool: opens the port, sends one request through the link, runs
// its own event loop (the port's notifications and the resend timer) until the answer, a
// give-up or the time-out, and prints the outcome. Every method returns a CliExitCode.
class CliSession {
public:
    struct Options {
        std::string port;
        int resendMs = kInitialResendInterval;
        std::chrono::milliseconds timeout{5000};
        bool verbose = false;
    };

    // catalogue: the texts of the messages (skin.ini); out: results; err: messages and errors.
    CliSession(Options options, TextCatalog catalog, std::ostream& out, std::ostream& err);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    int Open();
    int Identity();
    int Login(std::string_view password);
    int SetClock(std::time_t now);
    // Opens the port and runs the command of a parsed command line.
    int Run(const CliCommandLine& line);
    void Close();

    // The in-process unit behind the port name DEMO (nullptr for a real port).
    UnitSim* DemoUnit() { return m_demo.get(); }
    LinkSession& Link() { return m_link; }

private:
    enum class Outcome { Waiting, Answered, Refused, GaveUp, Silent, LineLost };

    // Runs the event loop until the request in flight has an outcome.
    Outcome Wait();
    int Report(Outcome outcome);
    void Finish(Outcome outcome);
    void OnData(const std::uint8_t* buffer, std::uint16_t length);

    Options m_options;
    TextCatalog m_catalog;
    TextCodec m_codec;
    std::ostream& m_out;
    std::ostream& m_err;
    ConsoleNotices m_notices;
    EventQueue m_queue;
    // The demonstration unit outlives the port that talks to it.
    std::unique_ptr<UnitSim> m_demo;
    TComm m_comm;
    CommLinkPort m_port;
    MonotonicTimer m_timer;
    LinkSession m_link;
    Outcome m_outcome = Outcome::Waiting;
    MonotonicTimer::Clock::time_point m_lastActivity{};
    std::optional<IdentityReply> m_identity;
};

// Why a device path cannot be opened, as the system tells it ("No such file or directory");
// empty when the path itself looks usable (it may then be held by another program).
std::string OpenFailureReason(const std::string& path);

}  // namespace carecfg
