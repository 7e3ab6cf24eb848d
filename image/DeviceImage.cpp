#include "image/DeviceImage.h"

#include <algorithm>
#include <array>

namespace carecfg {

namespace {

constexpr ImageRegion MakeRegion(RegionId id, const char* name, std::uint32_t start,
                                 std::uint32_t size, int eraseCommand) {
    return ImageRegion{id,          name, start, size, size / kBlockSize, start + size - kBlockSize,
                       eraseCommand};
}

// Indexed by RegionId.
constexpr std::array<ImageRegion, 10> kRegions = {
    MakeRegion(RegionId::Settings, "SettingsRegion", 0x00000, 4096, -1),
    MakeRegion(RegionId::ArmedRecord, "ArmedRecordRegion", 0x03000, 8192, 0x91),
    MakeRegion(RegionId::BloodPressure, "BloodPressureRegion", 0x05000, 4096, 0x92),
    MakeRegion(RegionId::Glucose, "GlucoseRegion", 0x06000, 4096, 0x93),
    MakeRegion(RegionId::Weight, "WeightRegion", 0x07000, 4096, 0x94),
    MakeRegion(RegionId::DialOutRecord, "DialOutRecordRegion", 0x09000, 3328, 0x95),
    MakeRegion(RegionId::IncomingRecord, "IncomingRecordRegion", 0x0A000, 3328, 0x96),
    MakeRegion(RegionId::Inbox, "InboxRegion", 0x10000, 25600, 0x97),
    MakeRegion(RegionId::Outbox, "OutboxRegion", 0x20000, 25600, 0x98),
    MakeRegion(RegionId::AlarmRecord, "AlarmRecordRegion", 0x30000, 8192, 0x90),
};

constexpr std::array<RegionId, 9> kRecordChain = {
    RegionId::AlarmRecord,    RegionId::ArmedRecord, RegionId::BloodPressure,
    RegionId::Glucose,        RegionId::Weight,      RegionId::DialOutRecord,
    RegionId::IncomingRecord, RegionId::Inbox,       RegionId::Outbox,
};

// Clips [start, start+count) to the image without overflowing 32 bits.
std::pair<std::size_t, std::size_t> Clip(std::uint32_t start, std::uint32_t count) {
    if (start >= kImageSize) {
        return {kImageSize, 0};
    }
    const std::size_t available = kImageSize - start;
    return {start, std::min<std::size_t>(count, available)};
}

}  // namespace

std::span<const ImageRegion> ImageRegions() {
    return kRegions;
}

const ImageRegion& Region(RegionId id) {
    return kRegions[static_cast<std::size_t>(id)];
}

std::span<const RegionId> RecordChain() {
    return kRecordChain;
}

const ImageRegion* RegionContaining(std::uint32_t address) {
    for (const ImageRegion& region : kRegions) {
        if (address >= region.start && address - region.start < region.size) {
            return &region;
        }
    }
    return nullptr;
}

const ImageRegion* RegionByEraseCommand(int code) {
    for (const ImageRegion& region : kRegions) {
        if (region.eraseCommand >= 0 && region.eraseCommand == code) {
            return &region;
        }
    }
    return nullptr;
}

DeviceImage::DeviceImage() : m_bytes(kImageSize, kErased) {}

void DeviceImage::EraseAll() {
    std::fill(m_bytes.begin(), m_bytes.end(), kErased);
}

void DeviceImage::EraseRegion(std::uint32_t start, std::uint32_t count) {
    const auto [from, length] = Clip(start, count);
    std::fill_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(from), length, kErased);
}

void DeviceImage::EraseRegion(RegionId id) {
    const ImageRegion& region = Region(id);
    EraseRegion(region.start, region.size);
}

bool DeviceImage::StoreBlock(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    if (address > kImageSize || bytes.size() > kImageSize - address) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + address);
    return true;
}

std::span<const std::uint8_t> DeviceImage::Range(std::uint32_t start, std::uint32_t count) const {
    const auto [from, length] = Clip(start, count);
    return std::span<const std::uint8_t>(m_bytes).subspan(from, length);
}

std::span<const std::uint8_t> DeviceImage::RegionBytes(RegionId id) const {
    const ImageRegion& region = Region(id);
    return std::span<const std::uint8_t>(m_bytes).subspan(region.start, region.size);
}

std::span<std::uint8_t> DeviceImage::MutableRegionBytes(RegionId id) {
    const ImageRegion& region = Region(id);
    return std::span<std::uint8_t>(m_bytes).subspan(region.start, region.size);
}

}  // namespace carecfg
