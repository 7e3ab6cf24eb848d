#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "settings/InMemoryControls.h"
#include "settings/Profiles.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Records the message keys the user would have seen.
class RecordingNotices : public UserNotices {
public:
    void ShowMessage(std::string_view key) override { messages.emplace_back(key); }
    void ShowStatus(std::string_view key) override { statuses.emplace_back(key); }
    std::vector<std::string> messages;
    std::vector<std::string> statuses;
};

std::string Pattern(std::size_t size, int seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    }
    return bytes;
}

class ProfilesTest : public ::testing::Test {
protected:
    ProfilesTest() {
        testing::AddEmailDayLists(texts);
        binding.Record().fill(0x42);
    }
    bool RecordIsUntouched() const {
        return std::all_of(binding.Record().begin(), binding.Record().end(),
                           [](std::uint8_t b) { return b == 0x42; });
    }

    TempDir dir{"carecfg-profiles"};
    InMemoryControls controls;
    DeviceImage image;
    testing::FakeSettingsTexts texts;
    SettingsBinding binding{controls, image, texts, '.'};
    RecordingNotices notices;
};

TEST_F(ProfilesTest, UnreadableOrShortFilesAreRefusedWithTheRecordUnchanged) {
    WriteBytes(dir / "short.bin", Pattern(kSettingsRecordSize - 1, 1));
    WriteBytes(dir / "empty.bin", "");
    std::filesystem::create_directory(dir / "folder.bin");
    std::vector<const char*> names = {"short.bin", "empty.bin", "folder.bin", "missing.bin"};
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir / "fifo.bin").c_str(), 0600), 0);  // would block a plain open
    names.push_back("fifo.bin");
#endif
    controls.SetText("Edit337", "SHOWN");
    for (const char* name : names) {
        notices.messages.clear();
        EXPECT_FALSE(LoadProfile(binding, dir / name, notices)) << name;
        EXPECT_EQ(notices.messages, std::vector<std::string>{"M34"}) << name;
        EXPECT_TRUE(RecordIsUntouched()) << name;
        EXPECT_EQ(controls.Text("Edit337"), "SHOWN") << name;
    }
}

TEST_F(ProfilesTest, LongerFileLoadsItsFirstRecordBytes) {
    const std::string bytes = Pattern(4096, 3);
    WriteBytes(dir / "long.bin", bytes);
    ASSERT_TRUE(LoadProfile(binding, dir / "long.bin", notices));
    EXPECT_TRUE(notices.messages.empty());
    EXPECT_EQ(std::string(binding.Record().begin(), binding.Record().end()),
              bytes.substr(0, kSettingsRecordSize));
}

TEST_F(ProfilesTest, ErasedProfileLoadsLikeAnErasedUnit) {
    WriteBytes(dir / "erased.bin", std::string(kSettingsRecordSize, '\xFF'));
    ASSERT_TRUE(LoadProfile(binding, dir / "erased.bin", notices));
    EXPECT_EQ(controls.ItemIndex("ComboBox7"), 7);
    EXPECT_EQ(controls.Text("ComboBox87"), "255");
}

TEST_F(ProfilesTest, FailedDecodeAfterALoadIsReported) {
    WriteBytes(dir / "good.bin", Pattern(kSettingsRecordSize, 5));
    controls.Remove("Edit2");
    EXPECT_FALSE(LoadProfile(binding, dir / "good.bin", notices));
    EXPECT_EQ(notices.messages, std::vector<std::string>{"M34"});
}

TEST_F(ProfilesTest, SaveThenLoadGivesTheSameRecordAndPages) {
    testing::FillRealisticPages(controls);
    binding.Record()[0xD4F] = 0x99;  // kept byte passes through the profile
    ASSERT_TRUE(SaveProfile(binding, dir / "p.bin", notices));
    EXPECT_TRUE(notices.messages.empty());
    const std::string saved = ReadBytes(dir / "p.bin");
    ASSERT_EQ(saved.size(), kSettingsRecordSize);
    EXPECT_EQ(static_cast<std::uint8_t>(saved[0xD4F]), 0x99);

    InMemoryControls otherPages;
    DeviceImage otherImage;
    SettingsBinding other(otherPages, otherImage, texts, '.');
    ASSERT_TRUE(LoadProfile(other, dir / "p.bin", notices));
    ASSERT_TRUE(binding.DecodeSettings());  // the saving pages as a decode shows them
    EXPECT_EQ(std::string(other.Record().begin(), other.Record().end()), saved);
    for (const DecodedControl& d : DecodedControls()) {
        EXPECT_EQ(otherPages.Text(d.name), controls.Text(d.name)) << d.name;
        EXPECT_EQ(otherPages.ItemIndex(d.name), controls.ItemIndex(d.name)) << d.name;
        EXPECT_EQ(otherPages.Checked(d.name), controls.Checked(d.name)) << d.name;
    }
    EXPECT_TRUE(otherImage.Bytes()[0] == 0xFF);  // loading leaves the image alone
}

TEST_F(ProfilesTest, SaveFailuresShowM35AndKeepTheOldFile) {
    WriteBytes(dir / "plain", "x");
    EXPECT_FALSE(SaveProfile(binding, dir / "plain" / "p.bin", notices));  // parent is a file
    EXPECT_EQ(notices.messages, std::vector<std::string>{"M35"});

    // A target that cannot be replaced keeps what it holds.
    std::filesystem::create_directory(dir / "busy.bin");
    WriteBytes(dir / "busy.bin" / "inside", "old");
    notices.messages.clear();
    EXPECT_FALSE(SaveProfile(binding, dir / "busy.bin", notices));
    EXPECT_EQ(notices.messages, std::vector<std::string>{"M35"});
    EXPECT_EQ(ReadBytes(dir / "busy.bin" / "inside"), "old");

    // A failed encode writes nothing.
    WriteBytes(dir / "old.bin", "old profile");
    controls.Remove("ComboBox40");
    notices.messages.clear();
    EXPECT_FALSE(SaveProfile(binding, dir / "old.bin", notices));
    EXPECT_EQ(notices.messages, std::vector<std::string>{"M35"});
    EXPECT_EQ(ReadBytes(dir / "old.bin"), "old profile");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

TEST_F(ProfilesTest, DefaultProfileLoadsSilentlyOrNotAtAll) {
    EXPECT_FALSE(LoadDefaultProfile(binding, dir.Path()));  // missing
    EXPECT_TRUE(RecordIsUntouched());
    WriteBytes(dir / "default.bin", Pattern(100, 0));
    EXPECT_FALSE(LoadDefaultProfile(binding, dir.Path()));  // short
    EXPECT_TRUE(RecordIsUntouched());
    std::string bytes(kSettingsRecordSize, '\xFF');
    bytes.replace(0, 4, "UNIT");
    WriteBytes(dir / "default.bin", bytes);
    EXPECT_TRUE(LoadDefaultProfile(binding, dir.Path()));
    EXPECT_EQ(controls.Text("Edit337"), "UNIT");
}

}  // namespace
}  // namespace carecfg
