#include "image/JpegDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace carecfg {
namespace {

std::vector<std::uint8_t> ShippedKeysPicture() {
    std::ifstream in(CARECFG_KEYS_JPEG, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Rgb {
    int r, g, b;
};

Rgb PixelAt(const RgbPicture& picture, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * picture.width + x) * 3;
    return {picture.rgb[at], picture.rgb[at + 1], picture.rgb[at + 2]};
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

TEST(JpegDecoderTest, ShippedKeysPictureShowsFourColouredKeysWithWhiteNumbers) {
    const std::vector<std::uint8_t> jpeg = ShippedKeysPicture();
    ASSERT_GT(jpeg.size(), 1000u);
    EXPECT_LT(jpeg.size(), 16u * 1024) << "the picture is meant to stay small";
    const JpegDecodeResult result = DecodeJpeg(jpeg);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.picture.width, 200);
    ASSERT_EQ(result.picture.height, 200);
    ASSERT_EQ(result.picture.rgb.size(), 200u * 200u * 3u);

    // Keys 1 and 2 above 3 and 4; each sampled beside its number, then its number's white
    // strokes counted in the key's middle.
    struct Key {
        int number, left, top;
        Rgb colour;
    };
    const Key keys[] = {{1, 20, 20, {0xC6, 0x28, 0x28}},
                        {2, 105, 20, {0x2E, 0x7D, 0x32}},
                        {3, 20, 105, {0x15, 0x65, 0xC0}},
                        {4, 105, 105, {0xEF, 0x8F, 0x00}}};
    for (const Key& key : keys) {
        SCOPED_TRACE(key.number);
        EXPECT_TRUE(Near(PixelAt(result.picture, key.left + 8, key.top + 37), key.colour, 24));
        EXPECT_TRUE(Near(PixelAt(result.picture, key.left + 37, key.top + 70), key.colour, 24));
        int white = 0;
        for (int y = key.top + 15; y < key.top + 60; ++y) {
            for (int x = key.left + 15; x < key.left + 60; ++x) {
                white += Near(PixelAt(result.picture, x, y), {255, 255, 255}, 40) ? 1 : 0;
            }
        }
        EXPECT_GT(white, 150) << "the number is drawn";
    }
    EXPECT_TRUE(Near(PixelAt(result.picture, 100, 100), {0xEE, 0xF1, 0xF4}, 16)) << "panel";
}

// Bytes that are no complete JPEG: every one gives an error text, no picture and no crash.
TEST(JpegDecoderTest, BrokenBytesGiveAnErrorAndNoPicture) {
    const std::vector<std::uint8_t> jpeg = ShippedKeysPicture();
    ASSERT_GT(jpeg.size(), 1000u);
    auto firstBytes = [&](std::size_t n) {
        return std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(n));
    };
    // The frame header claiming 9000 x 9000 pixels: more than the decoder takes on.
    std::vector<std::uint8_t> huge = jpeg;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && (huge[i + 1] == 0xC0 || huge[i + 1] == 0xC2)) {
            const std::uint8_t side[] = {0x23, 0x28, 0x23, 0x28};  // 9000 high, 9000 wide
            std::copy(std::begin(side), std::end(side), huge.begin() + static_cast<long>(i) + 5);
            break;
        }
    }
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"text", {'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}},
        {"start marker only", {0xFF, 0xD8}},
        {"start marker and zeros", {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x00, 0x00, 0x00}},
        {"header cut", firstBytes(100)},
        {"cut in half", firstBytes(jpeg.size() / 2)},
        {"end marker missing", firstBytes(jpeg.size() - 2)},
        {"too large", huge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const JpegDecodeResult result = DecodeJpeg(c.bytes);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(result.picture.width, 0);
        EXPECT_TRUE(result.picture.rgb.empty());
    }
}

TEST(JpegDecoderTest, ARefusedPictureLeavesTheNextDecodeUntouched) {
    const std::vector<std::uint8_t> jpeg = ShippedKeysPicture();
    const std::vector<std::uint8_t> garbage(512, 0xFF);
    EXPECT_FALSE(DecodeJpeg(garbage).ok);
    const JpegDecodeResult again = DecodeJpeg(jpeg);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.picture.width, 200);
}

}  // namespace
}  // namespace carecfg
