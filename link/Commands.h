#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/LinkFrame.h"

namespace carecfg {

// Command codes of the unit.
enum CommandCode : std::uint8_t {
    CmdSetClock = 0x03,
    CmdLogin = 0x04,
    CmdFactoryDefault = 0x06,
    CmdReadIdentity = 0x07,
    CmdSetAdminPassword = 0x08,
    CmdSetUserPassword = 0x09,
    CmdChangeSimPin = 0x0A,
    CmdWriteBlock = 0x82,
    CmdReadBlock = 0x83,
    CmdClearAllRecords = 0x84,
    CmdReadRecordBlock = 0x85,
    CmdClearRegionFirst = 0x90,
    CmdClearRegionLast = 0x98,
};

// What the link does with the reply to a command.
enum class ReplyKind {
    None,         // only acknowledged (the reply stops the resend timer)
    Login,        // status 1: logged in; status 0: refusedKey
    Identity,     // the identity texts; status panel := statusKey
    AnyReply,     // successKey whatever the reply holds
    Status,       // status 1: successKey, 0: refusedKey, 2: busyKey, other values: nothing
    WriteBlock,   // the block write sequence (successKey at its end, refusedKey, busyKey)
    ReadBlock,    // the single-region read sequence
    RecordBlock,  // the all-records read sequence
};

// One command of the unit: whether the resend timer stays running after it is sent, how its
// reply is handled and every message key that reply can show (nullptr: none).
struct CommandInfo {
    std::uint8_t code;
    const char* name;
    bool timedResend;
    ReplyKind reply;
    const char* successKey;  // message on success (or on any reply)
    const char* refusedKey;  // message on status 0
    const char* busyKey;     // message on status 2
    const char* statusKey;   // status panel text on a reply
};

// Every command, in code order; 0x90..0x98 each have their own row named "CmdClearRegion".
std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(std::uint8_t code);  // nullptr for unknown codes

// Local date and time; year in full (2024), month 1..12.
struct ClockStamp {
    int year, month, day, hour, minute, second;
};
ClockStamp ClockStampFromLocalTime(std::time_t t);

// Six bytes of 0xFF with the text's bytes copied from the start when it has at most six.
std::array<std::uint8_t, 6> PasswordField(std::string_view text);

// Payload: year within the century, month, day, hour, minute, second, one binary byte each.
std::vector<std::uint8_t> BuildSetClock(const ClockStamp& stamp);
// nullopt when the password is empty or longer than six characters.
std::optional<std::vector<std::uint8_t>> BuildLogin(std::string_view password);
std::vector<std::uint8_t> BuildFactoryDefault();
std::vector<std::uint8_t> BuildReadIdentity();
std::vector<std::uint8_t> BuildSetAdminPassword(std::string_view password);
std::vector<std::uint8_t> BuildSetUserPassword(std::string_view password);
std::vector<std::uint8_t> BuildChangeSimPin(std::string_view upperPin, std::string_view oldPin);
// Carries the 256 image bytes at address; throws std::out_of_range when they lie outside image.
std::vector<std::uint8_t> BuildWriteBlock(std::uint32_t address,
                                          std::span<const std::uint8_t> image);
std::vector<std::uint8_t> BuildReadBlock(std::uint32_t address);
std::vector<std::uint8_t> BuildClearAllRecords();
std::vector<std::uint8_t> BuildReadRecordBlock(std::uint32_t address);
// code 0x90..0x98; throws std::invalid_argument for any other code.
std::vector<std::uint8_t> BuildClearRegion(std::uint8_t code);

// The unit's answer to CmdReadIdentity: three fixed-width texts (code-page bytes).
struct IdentityReply {
    std::string deviceId, firmwareVersion, imei;
};
IdentityReply DecodeIdentityReply(const ReceiveRecord& record);

}  // namespace carecfg
