#pragma once

#include <functional>
#include <vector>

#include "image/DeviceImage.h"

namespace carecfg {

// The one place that knows every view filled from a record region (the lists of the record
// pages, the health lists and charts): how to refill each from the image and how to empty it.
// "Clear Record" empties them all and "Load Record" refills them in chain order.
class RecordViews {
public:
    // Refills the views of a region from the image; false when the decode failed.
    using RefillFunction = std::function<bool(const DeviceImage& image)>;
    using EmptyFunction = std::function<void()>;

    // Adds the views of one region; a region may have several.
    void Add(RegionId region, RefillFunction refill, EmptyFunction empty);

    // Refills the views of the region; false when any of them failed (all are refilled).
    bool Refill(RegionId region, const DeviceImage& image) const;
    // Refills every region in the record chain's order; the results are not looked at.
    void RefillAll(const DeviceImage& image) const;
    // Empties every view.
    void EmptyAll() const;

private:
    struct Entry {
        RegionId region;
        RefillFunction refill;
        EmptyFunction empty;
    };
    std::vector<Entry> m_entries;
};

}  // namespace carecfg
