// Worked values of the demosaic; the comparison with the reference on random mosaics of every
// phase is in conversion_split_test.cpp.

#include "display/bayer_demosaic.h"
#include "tests/display/convert_reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace convert_test;

TEST(BayerDemosaic, EdgeColumnsAreBlackAndEdgeRowsUntouched)
{
    // 4 x 4 of 100: rows 0 and 3 untouched, rows 1 and 2 black, two grey pixels, black.
    const std::vector<uint8_t> out = ConvertAlone(DemosaicRGGB, true, std::vector<uint8_t>(16, 100), 4, 4);
    const std::vector<uint8_t> untouched(12, UNTOUCHED);
    const std::vector<uint8_t> inner = {0, 0, 0, 100, 100, 100, 100, 100, 100, 0, 0, 0};
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(y == 0 || y == 3 ? untouched : inner, std::vector<uint8_t>(&out[y * 12], &out[y * 12 + 12]))
            << y;
}

TEST(BayerDemosaic, AveragesAreTruncated)
{
    // RGGB, image row 1 is G B G B: (1, 1) is blue with green neighbours 1, 1, 1, 2; (1, 2) is
    // green with blue neighbours 1 and 2 beside it.
    const std::vector<uint8_t> src = {
        9, 1, 9, 9, //
        1, 1, 1, 2, //
        9, 2, 9, 9, //
    };
    const std::vector<uint8_t> out = ConvertAlone(DemosaicRGGB, true, src, 4, 3);
    EXPECT_EQ(1, out[(4 + 1) * 3 + 1]); // green (1 + 1 + 1 + 2) >> 2
    EXPECT_EQ(1, out[(4 + 2) * 3 + 0]); // blue (1 + 2) >> 1
}
