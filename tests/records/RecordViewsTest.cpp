#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/DeviceImage.h"
#include "records/RecordViews.h"

namespace carecfg {
namespace {

// Records which views were refilled or emptied, in order.
class RecordViewsTest : public ::testing::Test {
protected:
    void AddView(RegionId region, const std::string& name, bool refillSucceeds = true) {
        m_views.Add(
            region,
            [this, name, refillSucceeds](const DeviceImage&) {
                m_log.push_back("refill " + name);
                return refillSucceeds;
            },
            [this, name] { m_log.push_back("empty " + name); });
    }

    RecordViews m_views;
    DeviceImage m_image;
    std::vector<std::string> m_log;
};

TEST_F(RecordViewsTest, RefillAllFollowsTheRecordChain) {
    // Added in page order; the chain reads alarm, armed, the health areas, dial-out, incoming,
    // inbox, outbox.
    AddView(RegionId::Outbox, "outbox");
    AddView(RegionId::IncomingRecord, "incoming");
    AddView(RegionId::Weight, "weight list");
    AddView(RegionId::DialOutRecord, "dial-out");
    AddView(RegionId::AlarmRecord, "alarm");
    AddView(RegionId::Weight, "weight chart");
    AddView(RegionId::ArmedRecord, "armed", false);
    AddView(RegionId::Settings, "settings");
    m_views.RefillAll(m_image);
    EXPECT_EQ(m_log, (std::vector<std::string>{"refill alarm", "refill armed", "refill weight list",
                                               "refill weight chart", "refill dial-out",
                                               "refill incoming", "refill outbox"}));
}

TEST_F(RecordViewsTest, RefillReportsAnyFailureAfterRefillingAll) {
    AddView(RegionId::Glucose, "glucose list", false);
    AddView(RegionId::Glucose, "glucose chart");
    AddView(RegionId::Inbox, "inbox");
    EXPECT_FALSE(m_views.Refill(RegionId::Glucose, m_image));
    EXPECT_EQ(m_log, (std::vector<std::string>{"refill glucose list", "refill glucose chart"}));
    m_log.clear();
    EXPECT_TRUE(m_views.Refill(RegionId::Inbox, m_image));
    EXPECT_TRUE(m_views.Refill(RegionId::Outbox, m_image));  // no views: nothing to fail
    EXPECT_EQ(m_log, (std::vector<std::string>{"refill inbox"}));
}

TEST_F(RecordViewsTest, EmptyAllEmptiesEveryView) {
    AddView(RegionId::AlarmRecord, "alarm");
    AddView(RegionId::BloodPressure, "pressure list");
    AddView(RegionId::BloodPressure, "pressure chart");
    m_views.EmptyAll();
    EXPECT_EQ(m_log, (std::vector<std::string>{"empty alarm", "empty pressure list",
                                               "empty pressure chart"}));
}

}  // namespace
}  // namespace carecfg
