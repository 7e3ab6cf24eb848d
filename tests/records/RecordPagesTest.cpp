#include <gtest/gtest.h>

#include <array>
#include <string>

#include "records/RecordDecoders.h"
#include "records/RecordPages.h"

namespace carecfg {
namespace {

TEST(RecordPages, SixPagesInNotebookOrder) {
    const struct {
        std::string sheet;
        std::string list;
        RegionId region;
        std::array<std::string, 4> buttons;  // read, clear, save, load
        std::array<int, 4> widths;
    } expected[] = {
        {"AlarmRecordPage",
         "ListView1",
         RegionId::AlarmRecord,
         {"Button14", "Button25", "Button26", "Button48"},
         {60, 200, 200, 0}},
        {"ArmedRecordPage",
         "ListView2",
         RegionId::ArmedRecord,
         {"SpeedButton5", "Button27", "Button28", "Button49"},
         {60, 200, 200, 500}},
        {"IncomingPage",
         "ListView4",
         RegionId::IncomingRecord,
         {"SpeedButton7", "Button29", "Button30", "Button50"},
         {60, 200, 200, 200}},
        {"DialOutPage",
         "ListView3",
         RegionId::DialOutRecord,
         {"SpeedButton6", "Button31", "Button32", "Button51"},
         {60, 200, 200, 200}},
        {"InboxPage",
         "ListView5",
         RegionId::Inbox,
         {"SpeedButton8", "Button33", "Button34", "Button52"},
         {60, 150, 100, 700}},
        {"OutboxPage",
         "ListView6",
         RegionId::Outbox,
         {"SpeedButton9", "Button35", "Button36", "Button53"},
         {60, 150, 100, 700}},
    };
    const auto pages = RecordPages();
    ASSERT_EQ(pages.size(), std::size(expected));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const RecordPageRow& page = pages[i];
        const auto& want = expected[i];
        EXPECT_EQ(page.sheet, want.sheet);
        EXPECT_EQ(page.list, want.list) << want.sheet;
        EXPECT_EQ(page.region, want.region) << want.sheet;
        EXPECT_EQ((std::array<std::string, 4>{page.readButton, page.clearButton, page.saveButton,
                                              page.loadButton}),
                  want.buttons)
            << want.sheet;
        EXPECT_EQ(page.columnWidths, want.widths) << want.sheet;
        EXPECT_TRUE(IsRecordListRegion(page.region)) << want.sheet;
    }
}

TEST(RecordPages, OnlyTheAlarmAndMessagePagesResetProgress) {
    for (const RecordPageRow& page : RecordPages()) {
        EXPECT_EQ(page.resetProgressBeforeRead, page.region == RegionId::AlarmRecord) << page.sheet;
        EXPECT_EQ(page.resetProgressAfterRead,
                  page.region == RegionId::Inbox || page.region == RegionId::Outbox)
            << page.sheet;
    }
}

TEST(RecordPages, EveryListRegionHasItsPageAndNoOtherRegionHasOne) {
    for (const ImageRegion& region : ImageRegions()) {
        const RecordPageRow* page = RecordPageFor(region.id);
        if (IsRecordListRegion(region.id)) {
            ASSERT_NE(page, nullptr) << region.name;
            EXPECT_EQ(page->region, region.id);
        } else {
            EXPECT_EQ(page, nullptr) << region.name;
        }
    }
}

}  // namespace
}  // namespace carecfg
