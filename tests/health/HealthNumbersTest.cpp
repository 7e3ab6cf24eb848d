#include <gtest/gtest.h>

#include "health/HealthNumbers.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

TEST(CatalogHealthNumbers, ReadsTheMessageSection) {
    const testing::TempDir folder("carecfg-health");
    testing::WriteBytes(folder / "skin.ini",
                        "[MESSAGE]\nMZZB=1\nMF=0x0A\nMSSS1=180.5\nMSSX1=abc\n[FORM]\nMF=99\n");
    const TextCatalog catalog(folder / "skin.ini");
    const CatalogHealthNumbers numbers(catalog);
    EXPECT_EQ(numbers.Integer("MZZB"), 1);
    EXPECT_EQ(numbers.Integer("MF"), 10);
    EXPECT_EQ(numbers.Integer("MXLS"), 0);
    EXPECT_DOUBLE_EQ(numbers.Number("MSSS1"), 180.5);
    EXPECT_DOUBLE_EQ(numbers.Number("MSSX1"), 0.0);
    EXPECT_DOUBLE_EQ(numbers.Number("MXLX"), 0.0);
}

}  // namespace
}  // namespace carecfg
