// The short soak: a few hundred block exchanges through the real stack against a unit that
// corrupts, drops, cuts and pads its replies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/soak/SoakRun.h"

namespace carecfg {
namespace {

struct SoakCase {
    const char* name;
    SimFaults faults;
    std::vector<SoakKind> firstKinds;
    int minExchanges;
    int resendMs;
    bool mustGiveUp;  // the faults are bad enough that some sequence must give up
};

SimFaults Harsh() {
    // One reply in two dropped and one in three of the rest corrupted: two thirds of the
    // transmissions fail, so requests run out of their three transmissions all the time.
    SimFaults faults = StandardSoakFaults();
    faults.dropOneIn = 2;
    faults.corruptOneIn = 3;
    return faults;
}

void PrintTo(const SoakCase& c, std::ostream* os) {
    *os << c.name;
}

class SoakTest : public ::testing::TestWithParam<SoakCase> {};

TEST_P(SoakTest, CompletedSequencesMatchTheUnitAndGiveUpsFollowTheLinkRules) {
    const SoakCase& c = GetParam();
    SoakPlan plan;
    plan.faults = c.faults;
    plan.unitSeed = 20261210;
    plan.planSeed = 7;
    plan.minExchanges = c.minExchanges;
    plan.resendMs = c.resendMs;
    plan.firstKinds = c.firstKinds;
    const SoakFigures f = RunSoak(plan);

    for (const std::string& problem : f.problems) {
        ADD_FAILURE() << problem;
    }
    EXPECT_GE(f.exchanges, c.minExchanges);
    EXPECT_EQ(f.completed + f.gaveUp, f.sequences) << "every sequence ended one of two ways";
    EXPECT_GT(f.resends, 0) << "the faults made the link send again";
    if (c.mustGiveUp) {
        EXPECT_GT(f.gaveUp, 0);
    } else {
        for (const SoakKind kind : c.firstKinds) {
            EXPECT_GT(f.completedOf[static_cast<int>(kind)], 0) << SoakKindName(kind);
        }
    }
    // Flat: once warm, the exchanges leave nothing behind (a generous bound for the allocator).
    EXPECT_LT(f.residentEndKiB - f.residentWarmKiB, 4096)
        << "resident " << f.residentStartKiB << " KiB at the start, " << f.residentWarmKiB
        << " KiB warm, " << f.residentEndKiB << " KiB at the end";
    RecordProperty("exchanges", f.exchanges);
    RecordProperty("gave_up", f.gaveUp);
}

INSTANTIATE_TEST_SUITE_P(Faults, SoakTest,
                         ::testing::Values(SoakCase{"StandardFaults",
                                                    StandardSoakFaults(),
                                                    {SoakKind::SettingsRead,
                                                     SoakKind::SettingsWrite, SoakKind::RegionRead,
                                                     SoakKind::RecordChain, SoakKind::SettingsRead},
                                                    400,
                                                    400,
                                                    false},
                                           SoakCase{"MostRepliesLost",
                                                    Harsh(),
                                                    {SoakKind::SettingsRead,
                                                     SoakKind::SettingsWrite, SoakKind::RegionRead},
                                                    60,
                                                    150,
                                                    true}),
                         [](const ::testing::TestParamInfo<SoakCase>& info) {
                             return std::string(info.param.name);
                         });

// The soak is only worth its silence if it speaks up: a unit that refuses a block write part way
// is a sequence that neither completed nor gave up.
TEST(SoakReport, ASequenceThatEndsAnyOtherWayIsAProblem) {
    SoakPlan plan;
    plan.faults.writeStatusAt = SimFaults::WriteStatusAt{0x0700, 2};
    plan.firstKinds = {SoakKind::SettingsRead, SoakKind::SettingsWrite};
    plan.minExchanges = 20;
    const SoakFigures f = RunSoak(plan);
    ASSERT_EQ(f.sequences, 2);
    EXPECT_EQ(f.completed, 1);
    ASSERT_EQ(f.problems.size(), 1u);
    EXPECT_EQ(f.problems[0], "settings write (sequence 2): ended with refused by the unit");
}

}  // namespace
}  // namespace carecfg
