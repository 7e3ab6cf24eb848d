#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace carecfg {

constexpr std::uint32_t kImageSize = 0x40000;
constexpr std::uint32_t kBlockSize = 256;
constexpr std::uint8_t kErased = 0xFF;

enum class RegionId {
    Settings,
    ArmedRecord,
    BloodPressure,
    Glucose,
    Weight,
    DialOutRecord,
    IncomingRecord,
    Inbox,
    Outbox,
    AlarmRecord
};

// One named stretch of the unit's memory: where it lies, how many blocks it has, how it is erased.
struct ImageRegion {
    RegionId id;
    const char* name;
    std::uint32_t start;
    std::uint32_t size;
    std::uint32_t blocks;
    std::uint32_t lastBlock;  // address of the region's last 256-byte block
    int eraseCommand;         // -1 = none, else 0x90..0x98
};

// The ten regions, in table order (settings first, alarm history last).
std::span<const ImageRegion> ImageRegions();
const ImageRegion& Region(RegionId id);

// The order in which the nine record regions are read and decoded.
std::span<const RegionId> RecordChain();

// The region holding the address, or nullptr outside all regions.
const ImageRegion* RegionContaining(std::uint32_t address);

// The region erased by one of the commands 0x90..0x98, or nullptr for any other code.
const ImageRegion* RegionByEraseCommand(int code);

// The local mirror of the unit's 256 KiB memory, erased to 0xFF.
class DeviceImage {
public:
    DeviceImage();

    void EraseAll();
    // Sets the stretch to 0xFF; the part beyond the image is ignored.
    void EraseRegion(std::uint32_t start, std::uint32_t count);
    void EraseRegion(RegionId id);

    // Copies the bytes to the address; false, with the image unchanged, when they do not fit.
    bool StoreBlock(std::uint32_t address, std::span<const std::uint8_t> bytes);

    std::span<const std::uint8_t> Bytes() const { return m_bytes; }
    std::span<std::uint8_t> MutableBytes() { return m_bytes; }

    // The stretch clipped to the image (empty when it starts beyond the end).
    std::span<const std::uint8_t> Range(std::uint32_t start, std::uint32_t count) const;
    std::span<const std::uint8_t> RegionBytes(RegionId id) const;
    std::span<std::uint8_t> MutableRegionBytes(RegionId id);

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace carecfg
