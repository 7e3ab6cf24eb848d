#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace carecfg {

// The wire frame of the link: "#", command, 32-bit address and 16-bit payload length (both
// big-endian), payload, and an XOR checksum over everything after the start byte.
constexpr std::uint8_t kFrameStart = 0x23;
constexpr std::size_t kMaxPayload = 256;
constexpr std::size_t kFrameOverhead = 9;  // start, command, address, length, checksum
constexpr std::size_t kRecordSize = 265;   // frame offsets 0..263, checksum at 264
constexpr std::size_t kRecordChecksumAt = 264;
constexpr std::size_t kPayloadOffset = 8;

// The receiver's fixed record: bytes at their frame offsets, checksum as received at 264.
using ReceiveRecord = std::array<std::uint8_t, kRecordSize>;

// A complete frame, checksum included. Throws std::length_error for more than kMaxPayload
// payload bytes, since no receiver on the line could hold such a frame.
std::vector<std::uint8_t> BuildFrame(std::uint8_t command, std::uint32_t address,
                                     std::span<const std::uint8_t> payload = {});

// XOR of every byte from offset 1 on (the start byte is not part of the checksum).
std::uint8_t FrameChecksum(std::span<const std::uint8_t> frameWithoutChecksum);

std::uint8_t RecordCommand(const ReceiveRecord& record);
std::uint32_t RecordAddress(const ReceiveRecord& record);
std::uint16_t RecordLength(const ReceiveRecord& record);
// Record positions 8..263 (256 bytes), whatever the length field says.
std::span<const std::uint8_t> RecordPayload(const ReceiveRecord& record);

}  // namespace carecfg
