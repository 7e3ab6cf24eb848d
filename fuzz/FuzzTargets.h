#pragma once

#include <cstddef>
#include <cstdint>

// Entry points that feed arbitrary bytes to the parts that read untrusted input: skin.ini text,
// RTF documents, bytes from the serial line, raw memory images and the files they come in, JPEG
// pictures and the command line's settings JSON. Each must return normally for every input; a
// crash, hang or sanitizer report is a fault.
namespace carecfg::fuzz {

void FuzzIniText(const std::uint8_t* data, std::size_t size);
void FuzzRtfDocument(const std::uint8_t* data, std::size_t size);
void FuzzLinkBytes(const std::uint8_t* data, std::size_t size);
void FuzzFieldCodecs(const std::uint8_t* data, std::size_t size);
void FuzzJpegBytes(const std::uint8_t* data, std::size_t size);
void FuzzRecordRegions(const std::uint8_t* data, std::size_t size);
void FuzzHealthRegions(const std::uint8_t* data, std::size_t size);
void FuzzChartFraming(const std::uint8_t* data, std::size_t size);
void FuzzSettingsImage(const std::uint8_t* data, std::size_t size);
void FuzzSettingsJson(const std::uint8_t* data, std::size_t size);
void FuzzFileLoaders(const std::uint8_t* data, std::size_t size);

}  // namespace carecfg::fuzz
