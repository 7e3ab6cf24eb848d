#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace carecfg {

// A decoded picture: `height` rows of `width` pixels, top row first, 3 bytes (R, G, B) a pixel.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// What DecodeJpeg gives: the picture, or an empty picture and a message saying what was wrong.
struct JpegDecodeResult {
    bool ok = false;
    RgbPicture picture;
    std::string error;
};

// The largest picture DecodeJpeg accepts, so a few bytes can never ask for gigabytes.
constexpr int kMaxJpegSide = 8192;
constexpr std::size_t kMaxJpegPixels = std::size_t{16} * 1024 * 1024;

// Decodes JPEG bytes (baseline or progressive, grey or colour) into RGB with libjpeg. Every
// fault of the bytes (empty, not a JPEG, truncated, corrupt, too large) gives ok == false and an
// error text; nothing is printed and the process never stops.
JpegDecodeResult DecodeJpeg(std::span<const std::uint8_t> bytes);

}  // namespace carecfg
