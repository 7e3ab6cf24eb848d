#include "link/Commands.h"

#include <algorithm>
#include <stdexcept>

#include "base/FixedText.h"

namespace carecfg {

namespace {

using R = ReplyKind;

constexpr CommandInfo kCommands[] = {
    {CmdSetClock, "CmdSetClock", false, R::None, nullptr, nullptr, nullptr, nullptr},
    {CmdLogin, "CmdLogin", false, R::Login, nullptr, "M9", nullptr, nullptr},
    {CmdFactoryDefault, "CmdFactoryDefault", false, R::AnyReply, "M36", nullptr, nullptr, nullptr},
    {CmdReadIdentity, "CmdReadIdentity", true, R::Identity, nullptr, nullptr, nullptr, "M23"},
    {CmdSetAdminPassword, "CmdSetAdminPassword", false, R::Status, "M24", "M11", "M12", nullptr},
    {CmdSetUserPassword, "CmdSetUserPassword", false, R::Status, "M24", "M11", "M12", nullptr},
    {CmdChangeSimPin, "CmdChangeSimPin", false, R::Status, "M24", "M11", "M12", nullptr},
    {CmdWriteBlock, "CmdWriteBlock", true, R::WriteBlock, "M13", "M11", "M12", nullptr},
    {CmdReadBlock, "CmdReadBlock", true, R::ReadBlock, nullptr, nullptr, nullptr, nullptr},
    {CmdClearAllRecords, "CmdClearAllRecords", false, R::Status, "M10", "M11", "M12", nullptr},
    {CmdReadRecordBlock, "CmdReadRecordBlock", true, R::RecordBlock, nullptr, nullptr, nullptr,
     nullptr},
    {0x90, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
    {0x91, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
    {0x92, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
    {0x93, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
    {0x94, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
    {0x95, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
    {0x96, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
    {0x97, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
    {0x98, "CmdClearRegion", false, R::Status, "M27", "M11", "M12", nullptr},
};

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The clock goes out as two decimal digits per field, so only the last two digits count.
std::uint8_t TwoDigits(int value) {
    return static_cast<std::uint8_t>(((value % 100) + 100) % 100);
}

}  // namespace

std::span<const CommandInfo> CommandTable() {
    return kCommands;
}

const CommandInfo* FindCommand(std::uint8_t code) {
    for (const CommandInfo& info : kCommands) {
        if (info.code == code) {
            return &info;
        }
    }
    return nullptr;
}

ClockStamp ClockStampFromLocalTime(std::time_t t) {
    std::tm local{};
#ifdef _WIN32
    const bool converted = localtime_s(&local, &t) == 0;
#else
    const bool converted = localtime_r(&t, &local) != nullptr;
#endif
    if (!converted) {
        return ClockStamp{2000, 1, 1, 0, 0, 0};
    }
    return ClockStamp{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::array<std::uint8_t, 6> PasswordField(std::string_view text) {
    std::array<std::uint8_t, 6> field;
    field.fill(0xFF);
    if (text.size() <= field.size()) {
        std::copy(text.begin(), text.end(), field.begin());
    }
    return field;
}

std::vector<std::uint8_t> BuildSetClock(const ClockStamp& s) {
    const std::uint8_t payload[] = {TwoDigits(s.year), TwoDigits(s.month),  TwoDigits(s.day),
                                    TwoDigits(s.hour), TwoDigits(s.minute), TwoDigits(s.second)};
    return BuildFrame(CmdSetClock, 0, payload);
}

std::optional<std::vector<std::uint8_t>> BuildLogin(std::string_view password) {
    if (password.empty() || password.size() > 6) {
        return std::nullopt;
    }
    return BuildFrame(CmdLogin, 0, Bytes(password));
}

std::vector<std::uint8_t> BuildFactoryDefault() {
    return BuildFrame(CmdFactoryDefault, 0);
}
std::vector<std::uint8_t> BuildReadIdentity() {
    return BuildFrame(CmdReadIdentity, 0);
}

std::vector<std::uint8_t> BuildSetAdminPassword(std::string_view password) {
    return BuildFrame(CmdSetAdminPassword, 0, PasswordField(password));
}

std::vector<std::uint8_t> BuildSetUserPassword(std::string_view password) {
    return BuildFrame(CmdSetUserPassword, 0, PasswordField(password));
}

std::vector<std::uint8_t> BuildChangeSimPin(std::string_view upperPin, std::string_view oldPin) {
    std::array<std::uint8_t, 12> payload;
    const auto upper = PasswordField(upperPin);
    const auto old = PasswordField(oldPin);
    std::copy(upper.begin(), upper.end(), payload.begin());
    std::copy(old.begin(), old.end(), payload.begin() + 6);
    return BuildFrame(CmdChangeSimPin, 0, payload);
}

std::vector<std::uint8_t> BuildWriteBlock(std::uint32_t address,
                                          std::span<const std::uint8_t> image) {
    if (address > image.size() || image.size() - address < kMaxPayload) {
        throw std::out_of_range("write block outside the image");
    }
    return BuildFrame(CmdWriteBlock, address, image.subspan(address, kMaxPayload));
}

std::vector<std::uint8_t> BuildReadBlock(std::uint32_t address) {
    return BuildFrame(CmdReadBlock, address);
}

std::vector<std::uint8_t> BuildClearAllRecords() {
    return BuildFrame(CmdClearAllRecords, 0);
}

std::vector<std::uint8_t> BuildReadRecordBlock(std::uint32_t address) {
    return BuildFrame(CmdReadRecordBlock, address);
}

std::vector<std::uint8_t> BuildClearRegion(std::uint8_t code) {
    if (code < CmdClearRegionFirst || code > CmdClearRegionLast) {
        throw std::invalid_argument("not a clear-region command");
    }
    return BuildFrame(code, 0);
}

IdentityReply DecodeIdentityReply(const ReceiveRecord& record) {
    const auto payload = RecordPayload(record);
    return IdentityReply{ReadTextField(payload.subspan(0, 10), 10),
                         ReadTextField(payload.subspan(10, 8), 8),
                         ReadTextField(payload.subspan(18, 16), 16)};
}

}  // namespace carecfg
