#include "cli/CliSession.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include "base/AtomicFile.h"
#include "base/SystemError.h"
#include "cli/RegionNames.h"
#include "image/ImageFiles.h"
#include "serial/PortNames.h"
#include "settings/SettingsMap.h"

namespace carecfg {

namespace {

std::string TrimmedRight(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// The status commands whose replies end a wait with their status byte.
bool IsStatusCommand(std::uint8_t command) {
    return command == CmdFactoryDefault || command == CmdSetAdminPassword ||
           command == CmdSetUserPassword || command == CmdChangeSimPin ||
           command == CmdClearAllRecords ||
           (command >= CmdClearRegionFirst && command <= CmdClearRegionLast);
}

std::string HexAddress(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%05X", static_cast<unsigned>(address));
    return text;
}

// Why a new password or PIN cannot go to the unit, or empty when it can. The longest text each
// has on the unit: a longer one would go out as six bytes of filler and leave a password nobody
// can type.
std::string SecretProblem(const TextCodec& codec, CliCommand command, PasswordRole role,
                          std::string_view newText, std::string_view oldText) {
    const std::size_t newBytes = codec.FromUtf8(newText).size();
    if (command == CliCommand::SetPassword) {
        const std::size_t longest = role == PasswordRole::User ? 4 : 6;
        if (newBytes == 0 || newBytes > longest) {
            return std::string("the ") + (role == PasswordRole::User ? "user" : "administrator") +
                   " password has 1 to " + std::to_string(longest) + " characters";
        }
    } else if (command == CliCommand::SetPin) {
        const std::size_t oldBytes = codec.FromUtf8(oldText).size();
        if (newBytes == 0 || newBytes > 6 || oldBytes == 0 || oldBytes > 6) {
            return "a PIN has 1 to 6 characters";
        }
    }
    return {};
}

}  // namespace

#ifdef _WIN32

std::string OpenFailureReason(const std::string& path) {
    // A port is a DOS device name ("COM3", opened as "\\.\COM3"): the system knows it or not.
    // Anything else with a folder in it is left to the open's own message.
    std::string name = path;
    if (name.rfind("\\\\.\\", 0) == 0) {
        name.erase(0, 4);
    }
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos) {
        return {};
    }
    char target[1024];
    if (::QueryDosDeviceA(name.c_str(), target, sizeof target) == 0) {
        const DWORD code = ::GetLastError();
        if (code != ERROR_INSUFFICIENT_BUFFER) {
            return SystemErrorText(code);
        }
    }
    return {};
}

#else

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

#endif

CliSession::CliSession(Options options, TextCatalog catalog, std::ostream& out, std::ostream& err)
    : m_options(std::move(options)),
      m_catalog(std::move(catalog)),
      m_codec(TextCodec::FromCatalog(m_catalog)),
      m_out(out),
      m_err(err),
      m_notices(m_catalog, m_codec, err, m_options.verbose),
      m_progress(err),
      m_comm(m_queue),
      m_port(m_comm),
      m_link(m_port, m_timer, m_notices) {
    m_timer.SetInterval(m_options.resendMs);
    m_timer.onExpiry = [this] { m_link.Timer1Timer(); };

    m_comm.OnReceiveData = [this](TComm&, const std::uint8_t* buffer, std::uint16_t length) {
        OnData(buffer, length);
    };
    m_comm.OnRequestHangup = [this](TComm&) { Finish(Outcome::LineLost); };

    m_link.AddListener(m_outcomes);
    if (m_options.verbose) {
        m_link.AddListener(m_progress);
    }
}

void CliSession::OutcomeListener::IdentityReceived(const IdentityReply& reply) {
    m_session.m_identity = reply;
    m_session.Finish(Outcome::Answered);
}

void CliSession::OutcomeListener::TransferEnded(TransferEnd end) {
    switch (end) {
        case TransferEnd::Completed:
            m_session.Finish(Outcome::Answered);
            break;
        case TransferEnd::Refused:
            m_session.Finish(Outcome::UnitRefused);
            break;
        case TransferEnd::StrayAddress:
            m_session.Finish(Outcome::Stray);
            break;
    }
}

void CliSession::OutcomeListener::ReplyHandled(std::uint8_t lastCommand,
                                               const ReceiveRecord& record) {
    // The clock reply is only acknowledged: its mere arrival ends a set-clock exchange.
    if (lastCommand == CmdSetClock) {
        m_session.Finish(Outcome::Answered);
        return;
    }
    if (lastCommand == CmdWriteBlock) {
        m_session.m_replyStatus = record[kPayloadOffset];
        return;
    }
    if (lastCommand == CmdReadBlock || lastCommand == CmdReadRecordBlock) {
        m_session.m_blocks.Note(record);
        return;
    }
    if (IsStatusCommand(lastCommand) && m_session.m_outcome == Outcome::Waiting) {
        // A factory-default reply without any payload carries no status: it only says done.
        const bool noStatus = lastCommand == CmdFactoryDefault && RecordLength(record) == 0;
        m_session.m_replyStatus = noStatus ? 1 : record[kPayloadOffset];
        m_session.Finish(Outcome::Answered);
    }
}

CliSession::~CliSession() {
    Close();
}

void CliSession::Close() {
    m_comm.ClosePort();
}

int CliSession::Open() {
    m_commandDeadline = MonotonicTimer::Clock::now() + m_options.deadline;
    m_bytesReceived = 0;
    std::string path;
    if (IsDemoPortName(m_options.port)) {
#ifdef CARECFG_HAVE_DEMO_UNIT
        m_demo = std::make_unique<UnitSim>();
        if (!m_demo->Start()) {
            m_err << m_notices.Text("M2") << ": DEMO: " << m_demo->LastError() << '\n';
            return kExitOpenFailed;
        }
        path = m_demo->TerminalPath();
#else
        // The simulated unit answers on a pseudo-terminal, which this system has not.
        m_err << m_notices.Text("M2") << ": DEMO: no simulated unit in this build\n";
        return kExitOpenFailed;
#endif
    } else {
        path = ResolvePortName(m_options.port);
    }
    m_comm.ApplyCommRSettings();
    m_comm.SetReadIntervalTimeout(static_cast<std::uint32_t>(m_options.readIntervalMs));
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
    m_bytesReceived += length;
    m_link.FeedChunk(buffer, length);
}

void CliSession::Begin() {
    m_outcome = Outcome::Waiting;
    m_replyStatus = -1;
    m_lastActivity = MonotonicTimer::Clock::now();
}

CliSession::Outcome CliSession::Wait() {
    using namespace std::chrono;
    while (m_outcome == Outcome::Waiting) {
        const auto now = MonotonicTimer::Clock::now();
        // Bytes that keep coming without forming an answer keep the silence time-out away;
        // the command's own deadline ends the wait all the same.
        if (now >= m_commandDeadline) {
            Finish(Outcome::Deadline);
            break;
        }
        const auto deadline = m_lastActivity + m_options.timeout;
        if (now >= deadline) {
            Finish(Outcome::Silent);
            break;
        }
        auto until = std::min(deadline, m_commandDeadline);
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
            return kExitLoginRefused;
        case Outcome::UnitRefused:
            return kExitUnitRefused;
        case Outcome::Stray:
            m_err << "carecfg-cli: the unit answered with a block address that does not "
                     "follow the sequence\n";
            return kExitFailure;
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
        case Outcome::Deadline:
            m_err << "carecfg-cli: the command did not end within its deadline of "
                  << static_cast<double>(m_options.deadline.count()) / 1000.0 << " s (--deadline); "
                  << m_bytesReceived << " bytes arrived from the line in that time\n";
            return kExitDeadline;
        case Outcome::Waiting:
            break;
    }
    return kExitFailure;
}

int CliSession::Identity() {
    Begin();
    m_identity.reset();
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
    return LogIn(password, true);
}

int CliSession::LogIn(std::string_view password, bool asCommand) {
    Begin();
    // The password goes to the unit in the catalogue's code page, one byte per character.
    if (!m_link.SendLogin(m_codec.FromUtf8(password))) {
        m_notices.ShowMessage("M7");
        return kExitUsage;
    }
    const Outcome outcome = Wait();
    if (outcome == Outcome::Answered && asCommand) {
        m_out << "Login accepted\n";
    } else if (outcome == Outcome::Refused) {
        (asCommand ? m_out : m_err) << "Login refused\n";
    }
    return Report(outcome);
}

int CliSession::SetClock(std::time_t now) {
    Begin();
    m_link.SendSetClock(ClockStampFromLocalTime(now));
    const Outcome outcome = Wait();
    if (outcome == Outcome::Answered) {
        m_out << "Clock set\n";
    }
    return Report(outcome);
}

int CliSession::ReadSettings(const std::filesystem::path& out) {
    Begin();
    m_transfer.ReadRegion(RegionId::Settings);
    const Outcome outcome = Wait();
    if (outcome != Outcome::Answered) {
        return Report(outcome);
    }
    std::string error;
    if (!WriteFileAtomically(out, m_image.Range(0, kSettingsRecordSize), &error)) {
        m_err << "carecfg-cli: " << error << '\n';
        return kExitFileError;
    }
    m_out << "Settings read into " << out.string() << '\n';
    return kExitOk;
}

int CliSession::WriteSettings(std::span<const std::uint8_t> profile) {
    if (profile.size() < kSettingsRecordSize) {
        m_err << "carecfg-cli: a profile has " << kSettingsRecordSize << " bytes, this one "
              << profile.size() << '\n';
        return kExitFileError;
    }
    // The region as "Save Settings" writes it: the record, then 0xFF up to its end.
    const auto region = m_image.MutableRegionBytes(RegionId::Settings);
    std::fill(region.begin(), region.end(), kErased);
    std::copy_n(profile.begin(), kSettingsRecordSize, region.begin());

    const CommandInfo* info = FindCommand(CmdWriteBlock);
    m_notices.Withhold({info->successKey});
    Begin();
    m_transfer.SetSettingsEncoder({});
    m_transfer.WriteSettings();
    const Outcome outcome = Wait();
    m_notices.Withhold({});
    if (outcome == Outcome::Answered) {
        m_out << m_notices.Text(info->successKey) << '\n';
        return kExitOk;
    }
    if (outcome == Outcome::UnitRefused && m_replyStatus != 0 && m_replyStatus != 2) {
        // Statuses other than 0 and 2 have no text: the sequence ended all the same.
        m_err << "carecfg-cli: the unit answered a block write with status " << m_replyStatus
              << '\n';
        return kExitFailure;
    }
    return Report(outcome);
}

int CliSession::ReportStatus(const char* successKey, int status) {
    const CommandInfo* keys = FindCommand(CmdSetAdminPassword);  // the texts of every status reply
    switch (status) {
        case 1:
            m_out << m_notices.Text(successKey) << '\n';
            return kExitOk;
        case 0:
            m_err << m_notices.Text(keys->refusedKey) << '\n';
            return kExitUnitRefused;
        case 2:
            m_err << m_notices.Text(keys->busyKey) << '\n';
            return kExitUnitRefused;
        default:
            m_err << "carecfg-cli: the unit answered with status " << status << '\n';
            return kExitFailure;
    }
}

int CliSession::StatusExchange(std::uint8_t command, const std::function<void()>& send) {
    const CommandInfo* info = FindCommand(command);
    const CommandInfo* keys = FindCommand(CmdSetAdminPassword);
    // The outcome is printed here, from the status byte, for every command alike.
    m_notices.Withhold({info->successKey, keys->refusedKey, keys->busyKey});
    Begin();
    send();
    const Outcome outcome = Wait();
    m_notices.Withhold({});
    if (outcome != Outcome::Answered) {
        return Report(outcome);
    }
    return ReportStatus(info->successKey, m_replyStatus);
}

int CliSession::SetPassword(PasswordRole role, std::string_view password) {
    if (const auto problem = SecretProblem(m_codec, CliCommand::SetPassword, role, password, "");
        !problem.empty()) {
        m_err << "carecfg-cli: " << problem << '\n';
        return kExitUsage;
    }
    const std::string bytes = m_codec.FromUtf8(password);
    if (role == PasswordRole::User) {
        return StatusExchange(CmdSetUserPassword, [&] { m_link.SendSetUserPassword(bytes); });
    }
    return StatusExchange(CmdSetAdminPassword, [&] { m_link.SendSetAdminPassword(bytes); });
}

int CliSession::SetPin(std::string_view newPin, std::string_view oldPin) {
    if (const auto problem =
            SecretProblem(m_codec, CliCommand::SetPin, PasswordRole::User, newPin, oldPin);
        !problem.empty()) {
        m_err << "carecfg-cli: " << problem << '\n';
        return kExitUsage;
    }
    const std::string upper = m_codec.FromUtf8(newPin);
    const std::string old = m_codec.FromUtf8(oldPin);
    return StatusExchange(CmdChangeSimPin, [&] { m_link.SendChangeSimPin(upper, old); });
}

int CliSession::FactoryDefault() {
    return StatusExchange(CmdFactoryDefault, [&] { m_link.SendFactoryDefault(); });
}

int CliSession::BlockRead(std::span<const RegionId> regions, const std::function<void()>& start,
                          const std::function<bool()>& save, const std::filesystem::path& out,
                          std::string_view what) {
    m_blocks.Clear();
    Begin();
    start();
    const Outcome outcome = Wait();
    if (outcome != Outcome::Answered) {
        return Report(outcome);
    }
    for (const RegionId id : regions) {
        if (const auto missing = m_blocks.FirstMissing(Region(id))) {
            m_err << "carecfg-cli: the unit's answers left out blocks of region " << CliNameOf(id)
                  << ", the first at " << HexAddress(*missing) << "; no file was written\n";
            return kExitFailure;
        }
    }
    if (!save()) {
        m_err << "carecfg-cli: " << out.string()
              << ": cannot be written (an existing file stays as it was)\n";
        return kExitFileError;
    }
    m_out << what << " read into " << out.string() << '\n';
    return kExitOk;
}

int CliSession::ReadRecords(const std::filesystem::path& out) {
    return BlockRead(
        RecordChain(), [this] { m_transfer.ReadAllRecords(); },
        [&] { return SaveImageFile(m_image, out); }, out, "Records");
}

int CliSession::ReadRegion(RegionId region, const std::filesystem::path& out) {
    const RegionId regions[] = {region};
    return BlockRead(
        regions, [&] { m_transfer.ReadRegion(region); },
        [&] { return SaveRegionFile(m_image, region, out); }, out,
        "Region " + std::string(CliNameOf(region)));
}

int CliSession::ClearRegion(RegionId region) {
    const int code = Region(region).eraseCommand;
    if (code < CmdClearRegionFirst || code > CmdClearRegionLast) {
        m_err << "carecfg-cli: the unit has no command that erases region " << CliNameOf(region)
              << '\n';
        return kExitUsage;
    }
    const auto command = static_cast<std::uint8_t>(code);
    return StatusExchange(command, [&] { m_link.SendClearRegion(command); });
}

int CliSession::ClearRecords() {
    return StatusExchange(CmdClearAllRecords, [&] { m_link.SendClearAllRecords(); });
}

int CliSession::Run(const CliCommandLine& line) {
    // A profile to write is read before anything goes to the unit.
    std::optional<std::vector<std::uint8_t>> profile;
    if (line.command == CliCommand::WriteSettings) {
        std::string why;
        profile = ReadFileExactly(line.file, kSettingsRecordSize, &why);
        if (!profile) {
            m_err << "carecfg-cli: " << line.file << ": cannot read " << kSettingsRecordSize
                  << " bytes of a profile: " << why << '\n';
            return kExitFileError;
        }
    }
    // So are the new password or PIN.
    if (const auto problem =
            SecretProblem(m_codec, line.command, line.role, line.newSecret, line.oldSecret);
        !problem.empty()) {
        m_err << "carecfg-cli: " << problem << '\n';
        return kExitUsage;
    }
    if (const int opened = Open(); opened != kExitOk) {
        return opened;
    }
    int result = kExitOk;
    if (line.loginPassword) {
        result = LogIn(*line.loginPassword, false);
    }
    if (result == kExitOk) {
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
            case CliCommand::ReadSettings:
                result = ReadSettings(line.out);
                break;
            case CliCommand::WriteSettings:
                result = WriteSettings(*profile);
                break;
            case CliCommand::SetPassword:
                result = SetPassword(line.role, line.newSecret);
                break;
            case CliCommand::SetPin:
                result = SetPin(line.newSecret, line.oldSecret);
                break;
            case CliCommand::FactoryDefault:
                result = FactoryDefault();
                break;
            case CliCommand::ReadRecords:
                result = ReadRecords(line.out);
                break;
            case CliCommand::ReadRegion:
                result = ReadRegion(line.region, line.out);
                break;
            case CliCommand::ClearRegion:
                result = ClearRegion(line.region);
                break;
            case CliCommand::ClearRecords:
                result = ClearRecords();
                break;
            case CliCommand::ShowSettings:
            case CliCommand::EncodeSettings:
            case CliCommand::Health:
                result = kExitFailure;  // no port: run by the file commands
                break;
        }
    }
    Close();
    m_out << std::flush;
    return result;
}

}  // namespace carecfg
