#include <gtest/gtest.h>

#include <vector>

#include "serial/ReceiveFilter.h"

namespace carecfg {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct FilterCase {
    const char* what;
    ReceiveFilterConfig config;
    std::vector<Bytes> reads;  // consecutive reads, marks may be split between them
    Bytes delivered;
};

TEST(ReceiveFilter, DecodesMarksReplacesErrorsAndDropsNul) {
    const ReceiveFilterConfig plain{};
    const ReceiveFilterConfig marked{true, false, 0, false};
    const ReceiveFilterConfig replace{true, true, '?', false};
    const ReceiveFilterConfig dropNull{false, false, 0, true};
    const ReceiveFilterConfig markedDropNull{true, true, 0, true};
    const FilterCase cases[] = {
        {"plain passes everything",
         plain,
         {{0x00, 0xFF, 0x41, 0xFF, 0x00, 0x42}},
         {0x00, 0xFF, 0x41, 0xFF, 0x00, 0x42}},
        {"doubled 0xFF is one 0xFF", marked, {{0x41, 0xFF, 0xFF, 0x42}}, {0x41, 0xFF, 0x42}},
        {"error byte kept as received",
         marked,
         {{0x41, 0xFF, 0x00, 0x55, 0x42}},
         {0x41, 0x55, 0x42}},
        {"error byte replaced", replace, {{0xFF, 0x00, 0x55, 0x42}}, {'?', 0x42}},
        {"mark split over three reads",
         replace,
         {{0x41, 0xFF}, {0x00}, {0x55, 0x42}},
         {0x41, '?', 0x42}},
        {"doubled 0xFF split", marked, {{0xFF}, {0xFF, 0x01}}, {0xFF, 0x01}},
        {"stray 0xFF kept with its follower", marked, {{0xFF}, {0x41}}, {0xFF, 0x41}},
        {"NUL dropped", dropNull, {{0x00, 0x41, 0x00, 0x00, 0x42}}, {0x41, 0x42}},
        {"replaced NUL of an error kept", markedDropNull, {{0x00, 0xFF, 0x00, 0x55}}, {0x00}},
    };
    for (const FilterCase& c : cases) {
        ReceiveFilter filter;
        Bytes out;
        for (const Bytes& read : c.reads) {
            Bytes chunk(read.size() + 1);
            std::size_t n = filter.Apply(c.config, read, chunk.data());
            ASSERT_LE(n, read.size() + 1) << c.what;
            out.insert(out.end(), chunk.begin(), chunk.begin() + static_cast<long>(n));
        }
        EXPECT_EQ(out, c.delivered) << c.what;
        EXPECT_FALSE(filter.InsideMark()) << c.what;
    }
}

}  // namespace
}  // namespace carecfg
