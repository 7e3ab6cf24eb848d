#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "cli/BlockTally.h"
#include "cli/CliAdapters.h"
#include "cli/CliArguments.h"
#include "cli/MonotonicTimer.h"
#include "image/BlockTransfer.h"
#include "image/DeviceImage.h"
#include "link/LinkSession.h"
#include "serial/EventQueue.h"
#include "serial/SerialComm.h"
#ifdef CARECFG_HAVE_DEMO_UNIT
#include "sim/UnitSim.h"
#endif
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg {

// One run of the command-line tool: opens the port, sends the requests of one command through
// the link (a login first when asked for), runs its own event loop (the port's notifications and
// the resend timer) until each answer, a give-up or the time-out, and prints the outcome. Every
// method returns a CliExitCode.
class CliSession {
public:
    struct Options {
        std::string port;
        int resendMs = kInitialResendInterval;
        std::chrono::milliseconds timeout{5000};
        // The whole command (its login included) ends with kExitDeadline after this long,
        // whatever arrives; counted from Open.
        std::chrono::milliseconds deadline{120000};
        int readIntervalMs = 100;  // the serial reader's grouping pause (1..100)
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
    // The 16 settings blocks into the image; their first 3637 bytes are written to `out` (on any
    // failure no file is written and an existing one stays as it was).
    int ReadSettings(const std::filesystem::path& out);
    // The first 3637 bytes of `profile` (3637 or more), then 0xFF up to 4096, in 16 block
    // writes, each after the unit confirmed the one before. Prints the text of "M13" at the end.
    int WriteSettings(std::span<const std::uint8_t> profile);
    int SetPassword(PasswordRole role, std::string_view password);
    int SetPin(std::string_view newPin, std::string_view oldPin);
    int FactoryDefault();
    // The nine record regions with CmdReadRecordBlock in chain order into a 262144-byte image
    // file (everything outside them 0xFF); the file is written only once every block arrived.
    int ReadRecords(const std::filesystem::path& out);
    // One region with CmdReadBlock into a region file; written only once every block arrived.
    int ReadRegion(RegionId region, const std::filesystem::path& out);
    // The region's erase command (the settings region has none: kExitUsage), or the erase of
    // all record regions; each is sent a single time and prints the unit's answer.
    int ClearRegion(RegionId region);
    int ClearRecords();
    // Opens the port and runs the command of a parsed command line (logging in first when it
    // has a --password). Commands that need no port are not run here.
    int Run(const CliCommandLine& line);
    void Close();

#ifdef CARECFG_HAVE_DEMO_UNIT
    // The in-process unit behind the port name DEMO (nullptr for a real port).
    UnitSim* DemoUnit() {
        return m_demo.get();
    }
#endif
    LinkSession& Link() {
        return m_link;
    }

private:
    enum class Outcome {
        Waiting,
        Answered,
        Refused,      // login refused
        UnitRefused,  // a block write answered with a status other than 1
        Stray,        // a block reply at an address outside the sequence
        GaveUp,
        Silent,
        LineLost,
        Deadline  // the command's overall deadline passed
    };

    // Starts waiting for the outcome of a new request.
    void Begin();
    // Runs the event loop until the request in flight has an outcome.
    Outcome Wait();
    int Report(Outcome outcome);
    // Logs in; `asCommand`: the login is the command itself (prints its outcome on stdout).
    int LogIn(std::string_view password, bool asCommand);
    // Sends a request answered with a status and reports that status by the keys of `command`
    // in the command table.
    int StatusExchange(std::uint8_t command, const std::function<void()>& send);
    // Runs a block read started by `start` and writes its regions' bytes with `save` once
    // every block of `regions` has arrived.
    int BlockRead(std::span<const RegionId> regions, const std::function<void()>& start,
                  const std::function<bool()>& save, const std::filesystem::path& out,
                  std::string_view what);
    // Prints the text of a status: the success text on stdout; "M11"/"M12" on stderr.
    int ReportStatus(const char* successKey, int status);
    void Finish(Outcome outcome);
    void OnData(const std::uint8_t* buffer, std::uint16_t length);

    // Ends the wait when the link reports the outcome of the request in flight.
    class OutcomeListener : public LinkListener {
    public:
        explicit OutcomeListener(CliSession& session) : m_session(session) {}
        void IdentityReceived(const IdentityReply& reply) override;
        void LoginAccepted() override { m_session.Finish(Outcome::Answered); }
        void LoginRefused(std::uint8_t) override { m_session.Finish(Outcome::Refused); }
        void RequestGaveUp() override { m_session.Finish(Outcome::GaveUp); }
        void TransferEnded(TransferEnd end) override;
        void ReplyHandled(std::uint8_t lastCommand, const ReceiveRecord& record) override;

    private:
        CliSession& m_session;
    };

    Options m_options;
    TextCatalog m_catalog;
    TextCodec m_codec;
    std::ostream& m_out;
    std::ostream& m_err;
    ConsoleNotices m_notices;
    ConsoleProgress m_progress;
    EventQueue m_queue;
#ifdef CARECFG_HAVE_DEMO_UNIT
    // The demonstration unit outlives the port that talks to it.
    std::unique_ptr<UnitSim> m_demo;
#endif
    TComm m_comm;
    CommLinkPort m_port;
    MonotonicTimer m_timer;
    LinkSession m_link;
    DeviceImage m_image;
    BlockTransfer m_transfer{m_link, m_image};
    OutcomeListener m_outcomes{*this};
    BlockTally m_blocks;
    Outcome m_outcome = Outcome::Waiting;
    int m_replyStatus = -1;  // status byte of the last status or block-write reply, -1: none
    MonotonicTimer::Clock::time_point m_lastActivity{};
    MonotonicTimer::Clock::time_point m_commandDeadline = MonotonicTimer::Clock::time_point::max();
    std::uint64_t m_bytesReceived = 0;  // since Open: told when the deadline ends a command
    std::optional<IdentityReply> m_identity;
};

// Why a device path cannot be opened, as the system tells it ("No such file or directory");
// empty when the path itself looks usable (it may then be held by another program).
std::string OpenFailureReason(const std::string& path);

}  // namespace carecfg
