#include "image/ImageFiles.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

// A fresh, empty folder per test, removed afterwards.
class ImageFilesTest : public ::testing::Test {
protected:
    static Bytes ReadAll(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteRaw(const fs::path& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static Bytes Pattern(std::size_t size, std::uint8_t seed) {
        Bytes bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
        }
        return bytes;
    }
    static void Fill(DeviceImage& image, std::uint8_t seed) {
        const Bytes bytes = Pattern(kImageSize, seed);
        std::copy(bytes.begin(), bytes.end(), image.MutableBytes().begin());
    }
    static Bytes Copy(const DeviceImage& image) {
        return Bytes(image.Bytes().begin(), image.Bytes().end());
    }
    // Names in the folder other than the ones expected: a leftover temporary file shows up here.
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    testing::TempDir m_temp{"carecfg-image"};
    fs::path m_dir = m_temp.Path();
};

TEST_F(ImageFilesTest, FreshImageSavesAsAllErasedBytes) {
    const fs::path file = m_dir / "fresh.bin";
    ASSERT_TRUE(SaveImageFile(DeviceImage(), file));
    EXPECT_EQ(ReadAll(file), Bytes(kImageSize, 0xFF));
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ImageFilesTest, ImageFileRoundTripsAndReplacesAnOldFile) {
    const fs::path file = m_dir / "image.bin";
    WriteRaw(file, Bytes(100, 0x55));
#ifndef _WIN32
    ::chmod(file.c_str(), 0600);
#endif

    DeviceImage saved;
    Fill(saved, 3);
    ASSERT_TRUE(SaveImageFile(saved, file));
#ifndef _WIN32
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::mask, fs::perms(0600));
#endif
    EXPECT_EQ(EntryCount(), 1u);

    DeviceImage loaded;
    ASSERT_TRUE(LoadImageFile(loaded, file));
    EXPECT_EQ(Copy(loaded), Copy(saved));
}

TEST_F(ImageFilesTest, RegionFileHoldsOnlyTheRegionAndLoadsOnlyIntoIt) {
    const fs::path file = m_dir / "weight.bin";
    DeviceImage source;
    Fill(source, 9);
    ASSERT_TRUE(SaveRegionFile(source, RegionId::Weight, file));
    const auto region = source.RegionBytes(RegionId::Weight);
    EXPECT_EQ(ReadAll(file), Bytes(region.begin(), region.end()));

    DeviceImage target;
    ASSERT_TRUE(LoadRegionFile(target, RegionId::Weight, file));
    Bytes expected(kImageSize, 0xFF);
    std::copy(region.begin(), region.end(), expected.begin() + Region(RegionId::Weight).start);
    EXPECT_EQ(Copy(target), expected);
}

TEST_F(ImageFilesTest, LongerFileLoadsItsFirstBytes) {
    const fs::path file = m_dir / "long.bin";
    const Bytes bytes = Pattern(kImageSize + 17, 1);
    WriteRaw(file, bytes);
    DeviceImage image;
    ASSERT_TRUE(LoadImageFile(image, file));
    EXPECT_EQ(Copy(image), Bytes(bytes.begin(), bytes.begin() + kImageSize));

    ASSERT_TRUE(LoadRegionFile(image, RegionId::Settings, file));
    const auto settings = image.RegionBytes(RegionId::Settings);
    EXPECT_TRUE(std::equal(settings.begin(), settings.end(), bytes.begin()));
}

TEST_F(ImageFilesTest, FailedLoadLeavesTheImageUntouched) {
    const Bytes shortImage = Pattern(kImageSize - 1, 2);
    const Bytes shortRegion = Pattern(Region(RegionId::Inbox).size - 1, 2);
    WriteRaw(m_dir / "short-image.bin", shortImage);
    WriteRaw(m_dir / "short-region.bin", shortRegion);
    WriteRaw(m_dir / "empty.bin", {});
    fs::create_directory(m_dir / "a-folder.bin");

    struct Case {
        const char* file;
        bool wholeImage;
    };
    const Case cases[] = {
        {"missing.bin", true},   {"missing.bin", false},    {"a-folder.bin", true},
        {"a-folder.bin", false}, {"short-image.bin", true}, {"short-region.bin", false},
        {"empty.bin", true},     {"empty.bin", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.wholeImage ? " image" : " region"));
        DeviceImage image;
        Fill(image, 5);
        const Bytes before = Copy(image);
        const fs::path path = m_dir / c.file;
        const bool loaded = c.wholeImage ? LoadImageFile(image, path)
                                         : LoadRegionFile(image, RegionId::Inbox, path);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(Copy(image), before);
    }
}

TEST_F(ImageFilesTest, ReadFileExactlyReportsShortAndExactFiles) {
    WriteRaw(m_dir / "ten.bin", Pattern(10, 0));
    EXPECT_EQ(ReadFileExactly(m_dir / "ten.bin", 10), Pattern(10, 0));
    EXPECT_EQ(ReadFileExactly(m_dir / "ten.bin", 4), Pattern(4, 0));
    EXPECT_EQ(ReadFileExactly(m_dir / "ten.bin", 11), std::nullopt);
    EXPECT_EQ(ReadFileExactly(m_dir / "ten.bin", 0), Bytes());
}

TEST_F(ImageFilesTest, SaveWhereNoFileCanBeMadeFailsAndKeepsWhatWasThere) {
    // A folder at the target path, with content that must survive.
    const fs::path folder = m_dir / "target.bin";
    fs::create_directory(folder);
    WriteRaw(folder / "keep.txt", Bytes{1, 2, 3});
    // A regular file where the parent folder should be.
    const fs::path notAFolder = m_dir / "plain";
    WriteRaw(notAFolder, Bytes{4});

    for (const fs::path& target :
         {folder, notAFolder / "image.bin", fs::path("/proc/carecfg-image-test.bin"), fs::path()}) {
        SCOPED_TRACE(target.string());
        EXPECT_FALSE(SaveImageFile(DeviceImage(), target));
        EXPECT_FALSE(SaveRegionFile(DeviceImage(), RegionId::Glucose, target));
    }
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(ReadAll(folder / "keep.txt"), (Bytes{1, 2, 3}));
    EXPECT_EQ(ReadAll(notAFolder), Bytes{4});
    EXPECT_EQ(EntryCount(), 2u) << "a temporary file was left behind";
}

#ifndef _WIN32
// Runs in a death-test child: saves a full image while files may hold only 4 KiB; exit code 0
// means the save reported failure.
[[noreturn]] void SaveUnderFileSizeLimit(const fs::path& file) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    DeviceImage image;
    std::fill(image.MutableBytes().begin(), image.MutableBytes().end(), 0x21);
    std::exit(SaveImageFile(image, file) ? 1 : 0);
}

TEST_F(ImageFilesTest, SaveThatFailsWhileWritingKeepsTheOldFile) {
    const fs::path file = m_dir / "image.bin";
    const Bytes old = Pattern(1000, 4);
    WriteRaw(file, old);

    // In a child process, limit the file size so that writing the image really fails.
    EXPECT_EXIT(SaveUnderFileSizeLimit(file), ::testing::ExitedWithCode(0), "");

    EXPECT_EQ(ReadAll(file), old);
    EXPECT_EQ(EntryCount(), 1u) << "a temporary file was left behind";
}
#endif

}  // namespace
}  // namespace carecfg
