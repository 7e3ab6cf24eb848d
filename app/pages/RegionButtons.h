#pragma once

#include <functional>

#include "image/DeviceImage.h"

namespace carecfg {

struct PageContext;

// What the buttons of a record or health page do with the page's region, the same on every
// such page. `refill` redraws the page from the image; false when its decode failed.
class RegionButtons {
public:
    using Refill = std::function<bool(const DeviceImage& image)>;

    RegionButtons(PageContext& context, RegionId region) : m_context(context), m_region(region) {}

    // Erases the region in the image and sends its clear command (a single time; the caller has
    // emptied the page's views first).
    void Clear();
    // The save dialog, then the region's bytes into the chosen file; "M35" when that fails.
    void SaveToChosenFile();
    // The open dialog, then the file into the region and the page refilled; "M34" when the file
    // is short or unreadable (region and page then stay as they were) or the decode fails.
    void LoadFromChosenFile(const Refill& refill);

private:
    PageContext& m_context;
    RegionId m_region;
};

}  // namespace carecfg
