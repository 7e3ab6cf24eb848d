#include "sim/UnitEngine.h"

#include <algorithm>
#include <cstring>

#include "link/Commands.h"
#include "link/LinkFrame.h"
#include "sim/DemoUnit.h"

namespace carecfg {
namespace {

constexpr std::size_t kPasswordWidth = 6;

// The text of a 6-byte password field: its bytes up to the first 0x00 or 0xFF.
std::string PasswordText(std::span<const std::uint8_t> field) {
    std::string text;
    for (std::size_t i = 0; i < std::min(field.size(), kPasswordWidth); ++i) {
        if (field[i] == 0x00 || field[i] == 0xFF) {
            break;
        }
        text.push_back(static_cast<char>(field[i]));
    }
    return text;
}

bool IsClearRegion(std::uint8_t command) {
    return command >= CmdClearRegionFirst && command <= CmdClearRegionLast;
}

}  // namespace

UnitEngine::UnitEngine(std::vector<std::uint8_t> memory, std::string adminPassword)
    : m_initialAdminPassword(adminPassword), m_adminPassword(std::move(adminPassword)) {
    memory.resize(kImageSize, kErased);
    std::copy(memory.begin(), memory.end(), m_memory.MutableBytes().begin());
}

std::optional<std::vector<std::uint8_t>> UnitEngine::Answer(std::uint8_t command,
                                                            std::uint32_t address,
                                                            std::span<const std::uint8_t> payload,
                                                            int writeStatus) {
    switch (command) {
        case CmdSetClock: {
            if (payload.size() >= 6) {
                std::array<std::uint8_t, 6> clock{};
                std::copy_n(payload.begin(), 6, clock.begin());
                m_clock = clock;
                return StatusReply(command, address, 1);
            }
            return StatusReply(command, address, 0);
        }
        case CmdLogin: {
            const std::string typed(payload.begin(), payload.end());
            return StatusReply(command, address, typed == m_adminPassword ? 1 : 0);
        }
        case CmdFactoryDefault:
            RestoreFactorySettings();
            return StatusReply(command, address, 1);
        case CmdReadIdentity:
            return IdentityReplyFrame(command, address);
        case CmdSetAdminPassword:
        case CmdSetUserPassword: {
            // An empty field (all filler) would leave a password nobody can type: refused.
            const std::string text = PasswordText(payload);
            if (payload.size() < kPasswordWidth || text.empty()) {
                return StatusReply(command, address, 0);
            }
            (command == CmdSetAdminPassword ? m_adminPassword : m_userPassword) = text;
            return StatusReply(command, address, 1);
        }
        case CmdChangeSimPin: {
            // New PIN first, old PIN second; the unit stores the new one.
            const std::string text = PasswordText(payload);
            if (payload.size() < 2 * kPasswordWidth || text.empty()) {
                return StatusReply(command, address, 0);
            }
            m_simPin = text;
            return StatusReply(command, address, 1);
        }
        case CmdWriteBlock:
            return StatusReply(command, address, StoreBlock(address, payload, writeStatus));
        case CmdReadBlock:
        case CmdReadRecordBlock:
            return BlockReply(command, address);
        case CmdClearAllRecords:
            for (RegionId id : RecordChain()) {
                m_memory.EraseRegion(id);
            }
            return StatusReply(command, address, 1);
        default:
            break;
    }
    if (IsClearRegion(command)) {
        if (const ImageRegion* region = RegionByEraseCommand(command)) {
            m_memory.EraseRegion(region->id);
            return StatusReply(command, address, 1);
        }
    }
    return std::nullopt;  // an unknown command gets no answer, as from a unit that ignores it
}

std::vector<std::uint8_t> UnitEngine::StatusReply(std::uint8_t command, std::uint32_t address,
                                                  std::uint8_t status) const {
    const std::uint8_t payload[1] = {status};
    return BuildFrame(command, address, payload);
}

std::vector<std::uint8_t> UnitEngine::BlockReply(std::uint8_t command,
                                                 std::uint32_t address) const {
    // 256 bytes from the address on; whatever lies beyond the memory reads as erased.
    std::vector<std::uint8_t> block(kBlockSize, kErased);
    const auto available = m_memory.Range(address, kBlockSize);
    std::copy(available.begin(), available.end(), block.begin());
    return BuildFrame(command, address, block);
}

std::vector<std::uint8_t> UnitEngine::IdentityReplyFrame(std::uint8_t command,
                                                         std::uint32_t address) const {
    // Device ID (10 bytes, the one in the settings), firmware version (8), IMEI (16).
    std::vector<std::uint8_t> payload(34, kErased);
    const auto deviceId = m_memory.Range(0, 10);
    std::copy(deviceId.begin(), deviceId.end(), payload.begin());
    std::memcpy(payload.data() + 10, kFirmwareVersion, std::strlen(kFirmwareVersion));
    std::memcpy(payload.data() + 18, kImei, std::strlen(kImei));
    return BuildFrame(command, address, payload);
}

std::uint8_t UnitEngine::StoreBlock(std::uint32_t address, std::span<const std::uint8_t> payload,
                                    int writeStatus) {
    if (writeStatus != 1) {
        return static_cast<std::uint8_t>(writeStatus);
    }
    // Only whole blocks at block addresses inside the memory are stored.
    if (payload.size() != kBlockSize || address % kBlockSize != 0 ||
        address > kImageSize - kBlockSize) {
        return 0;
    }
    return m_memory.StoreBlock(address, payload) ? 1 : 0;
}

void UnitEngine::RestoreFactorySettings() {
    // The unit's own defaults: the built-in settings and passwords; histories, messages and
    // readings are kept.
    const std::vector<std::uint8_t> factory = BuildDemoMemory();
    const ImageRegion& settings = Region(RegionId::Settings);
    std::copy_n(factory.begin() + settings.start, settings.size,
                m_memory.MutableRegionBytes(RegionId::Settings).begin());
    m_adminPassword = m_initialAdminPassword;
    m_userPassword = kDefaultUserPassword;
    m_simPin = kDefaultSimPin;
}

}  // namespace carecfg
