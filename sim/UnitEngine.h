#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/DeviceImage.h"

namespace carecfg {

// The simulated unit's memory, passwords and clock, and its answer to each request frame.
// Not thread-safe: UnitSim serialises every call.
class UnitEngine {
public:
    static constexpr const char* kDefaultUserPassword = "1234";
    static constexpr const char* kDefaultSimPin = "1234";
    static constexpr const char* kFirmwareVersion = "R5V3.07";
    static constexpr const char* kImei = "356938035643809";

    // `memory` must hold kImageSize bytes (shorter is padded with 0xFF, longer is cut).
    UnitEngine(std::vector<std::uint8_t> memory, std::string adminPassword);

    // The complete reply frame to a request, or nullopt for commands the unit does not know.
    // `writeStatus` is the status answered to block writes; only 1 stores the block.
    std::optional<std::vector<std::uint8_t>> Answer(std::uint8_t command, std::uint32_t address,
                                                    std::span<const std::uint8_t> payload,
                                                    int writeStatus = 1);

    const DeviceImage& Memory() const { return m_memory; }
    const std::string& AdminPassword() const { return m_adminPassword; }
    const std::string& UserPassword() const { return m_userPassword; }
    const std::string& SimPin() const { return m_simPin; }
    // The six clock bytes last set by the tool (year within the century .. second).
    const std::optional<std::array<std::uint8_t, 6>>& Clock() const { return m_clock; }

private:
    std::vector<std::uint8_t> StatusReply(std::uint8_t command, std::uint32_t address,
                                          std::uint8_t status) const;
    std::vector<std::uint8_t> BlockReply(std::uint8_t command, std::uint32_t address) const;
    std::vector<std::uint8_t> IdentityReplyFrame(std::uint8_t command, std::uint32_t address) const;
    std::uint8_t StoreBlock(std::uint32_t address, std::span<const std::uint8_t> payload,
                            int writeStatus);
    void RestoreFactorySettings();

    DeviceImage m_memory;
    std::string m_initialAdminPassword;
    std::string m_adminPassword;
    std::string m_userPassword = kDefaultUserPassword;
    std::string m_simPin = kDefaultSimPin;
    std::optional<std::array<std::uint8_t, 6>> m_clock;
};

}  // namespace carecfg
