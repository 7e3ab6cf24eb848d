#include "records/RecordPages.h"

namespace carecfg {

namespace {

// Notebook pages 4 to 9 in page order. The incoming page (6) comes before the dial-out page (7)
// although its list is ListView4.
constexpr std::array<RecordPageRow, 6> kRecordPages = {{
    {"AlarmRecordPage",
     "ListView1",
     RegionId::AlarmRecord,
     "Button14",
     "Button25",
     "Button26",
     "Button48",
     {60, 200, 200, 0},
     true,
     false},
    {"ArmedRecordPage",
     "ListView2",
     RegionId::ArmedRecord,
     "SpeedButton5",
     "Button27",
     "Button28",
     "Button49",
     {60, 200, 200, 500},
     false,
     false},
    {"IncomingPage",
     "ListView4",
     RegionId::IncomingRecord,
     "SpeedButton7",
     "Button29",
     "Button30",
     "Button50",
     {60, 200, 200, 200},
     false,
     false},
    {"DialOutPage",
     "ListView3",
     RegionId::DialOutRecord,
     "SpeedButton6",
     "Button31",
     "Button32",
     "Button51",
     {60, 200, 200, 200},
     false,
     false},
    {"InboxPage",
     "ListView5",
     RegionId::Inbox,
     "SpeedButton8",
     "Button33",
     "Button34",
     "Button52",
     {60, 150, 100, 700},
     false,
     true},
    {"OutboxPage",
     "ListView6",
     RegionId::Outbox,
     "SpeedButton9",
     "Button35",
     "Button36",
     "Button53",
     {60, 150, 100, 700},
     false,
     true},
}};

}  // namespace

std::span<const RecordPageRow> RecordPages() {
    return kRecordPages;
}

const RecordPageRow* RecordPageFor(RegionId region) {
    for (const RecordPageRow& page : kRecordPages) {
        if (page.region == region) {
            return &page;
        }
    }
    return nullptr;
}

}  // namespace carecfg
