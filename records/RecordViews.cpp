#include "records/RecordViews.h"

#include <utility>

namespace carecfg {

void RecordViews::Add(RegionId region, RefillFunction refill, EmptyFunction empty) {
    m_entries.push_back(Entry{region, std::move(refill), std::move(empty)});
}

bool RecordViews::Refill(RegionId region, const DeviceImage& image) const {
    bool ok = true;
    for (const Entry& entry : m_entries) {
        if (entry.region == region && entry.refill && !entry.refill(image)) {
            ok = false;
        }
    }
    return ok;
}

void RecordViews::RefillAll(const DeviceImage& image) const {
    for (const RegionId region : RecordChain()) {
        (void)Refill(region, image);
    }
}

void RecordViews::EmptyAll() const {
    for (const Entry& entry : m_entries) {
        if (entry.empty) {
            entry.empty();
        }
    }
}

}  // namespace carecfg
