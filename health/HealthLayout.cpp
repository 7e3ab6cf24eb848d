#include "health/HealthLayout.h"

#include <array>

namespace carecfg {

namespace {

// Pressures are kept in mmHg and shown in mmHg or kPa; their thresholds are whole mmHg or tenths
// of a kPa, as the header's unit says.
constexpr HealthThresholdField kPressureThresholds{2, 3, 1, 1.0, 10.0};
constexpr HealthScale kWhole{1.0, 1.0, 0};
constexpr HealthScale kMmHgToKpa{1.0, 7.5, 1};

constexpr std::array<HealthQuantityLayout, 3> kBloodPressure = {{
    {ReadingQuantity::Systolic,
     6,
     1,
     kWhole,
     kMmHgToKpa,
     true,
     true,
     kPressureThresholds,
     {"MSSS1", "MSSX1"},
     {"MSSS2", "MSSX2"}},
    {ReadingQuantity::Diastolic,
     7,
     1,
     kWhole,
     kMmHgToKpa,
     true,
     false,
     kPressureThresholds,
     {"MSZS1", "MSZX1"},
     {"MSZS2", "MSZX2"}},
    {ReadingQuantity::HeartRate,
     8,
     1,
     kWhole,
     kWhole,
     false,
     true,
     {4, 5, 1, 1.0, 1.0},
     {"MXLS", "MXLX"},
     {"MXLS", "MXLX"}},
}};

// Glucose is kept in tenths of a mmol/L; its thresholds are tenths of the unit shown.
constexpr HealthQuantityLayout kGlucoseQuantity{ReadingQuantity::Glucose,
                                                6,
                                                2,
                                                {1.0, 10.0, 1},
                                                {18.0, 10.0, 1},
                                                true,
                                                true,
                                                {2, 4, 2, 10.0, 10.0},
                                                {"MXTS1", "MXTX1"},
                                                {"MXTS2", "MXTX2"}};

// Weight has the glucose layout, kept in tenths of a kilogram and shown in kg or lb.
constexpr HealthQuantityLayout WeightFromGlucose() {
    HealthQuantityLayout weight = kGlucoseQuantity;
    weight.quantity = ReadingQuantity::Weight;
    weight.alternative.multiplier = 2.2;
    weight.baseKeys = {"MTZS1", "MTZX1"};
    weight.alternativeKeys = {"MTZS2", "MTZX2"};
    return weight;
}

constexpr std::array<HealthQuantityLayout, 1> kGlucose = {kGlucoseQuantity};
constexpr std::array<HealthQuantityLayout, 1> kWeight = {WeightFromGlucose()};

constexpr std::array<HealthRegionLayout, 3> kRegions = {{
    {RegionId::BloodPressure, "ComboBox43", TimeAxisForm::BloodPressure, kBloodPressure},
    {RegionId::Glucose, "ComboBox45", TimeAxisForm::Glucose, kGlucose},
    {RegionId::Weight, "ComboBox46", TimeAxisForm::Glucose, kWeight},
}};

}  // namespace

std::span<const HealthRegionLayout> HealthRegionLayouts() {
    return kRegions;
}

const HealthRegionLayout* HealthLayoutOf(RegionId region) {
    for (const HealthRegionLayout& layout : kRegions) {
        if (layout.region == region) {
            return &layout;
        }
    }
    return nullptr;
}

bool IsHealthRegion(RegionId region) {
    return HealthLayoutOf(region) != nullptr;
}

}  // namespace carecfg
