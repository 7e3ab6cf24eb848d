#pragma once

#include <array>
#include <span>

#include "image/DeviceImage.h"

namespace carecfg {

// One record page of the window, declared as data: its sheet and list, the region it shows,
// its four buttons and the widths of the list's columns (0 = no such column).
struct RecordPageRow {
    const char* sheet;  // the notebook page's component name
    const char* list;   // ListView1 ... ListView6
    RegionId region;
    const char* readButton;
    const char* clearButton;
    const char* saveButton;
    const char* loadButton;
    std::array<int, 4> columnWidths;
    bool resetProgressBeforeRead;  // the alarm page resets the progress display first
    bool resetProgressAfterRead;   // the message pages reset it once the read has started
};

// The six record pages in page order (notebook pages 4 to 9).
std::span<const RecordPageRow> RecordPages();
// The page showing the region, or nullptr when none does.
const RecordPageRow* RecordPageFor(RegionId region);

}  // namespace carecfg
