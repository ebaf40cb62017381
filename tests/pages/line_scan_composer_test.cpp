#include "pages/line_scan_composer.h"

#include "buffers/shared_buffers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

constexpr std::size_t LINE = SENSOR_WIDTH;

TEST(LineScanComposerTest, EveryLineBecomesItsColumn)
{
    // A recognisable sample for every line and position.
    const auto Sample = [](std::size_t c, std::size_t j)
    { return uint8_t(c * 37 + j * 11 + (c >> 3) * (j >> 5)); };
    // 2100 gives each of the two threads several tiles; the slower ways, with less scratch, are
    // tried on the smaller widths.
    for (const std::size_t nWidth : {0, 4, 8, 20, 36, 1000, 2100})
        for (const int nScratch : {0, 1, 2}) // whole image, an eighth of it, none
            for (const int nDirection : {0, 1})
            {
                if (nScratch == 2 && nWidth > 100)
                    continue;
                SCOPED_TRACE(testing::Message()
                             << "width " << nWidth << " scratch " << nScratch << " direction " << nDirection);
                const std::size_t nBytes = nWidth * LINE;
                std::vector<uint8_t> store(nBytes + 2 * LINE, 0x5A); // what follows must stay
                for (std::size_t i = 0; i < nBytes; ++i)
                    store[i] = Sample(i / LINE, i % LINE);
                std::vector<uint8_t> work(nScratch == 0 ? LineScanScratchBytes(int(nWidth)) : nBytes / 8 + 1);
                ComposeLineScan(store.data(), int(nWidth), nDirection, nScratch == 2 ? nullptr : work.data(),
                                work.size());
                std::size_t nWrong = 0;
                for (std::size_t j = 0; j < LINE; ++j)
                    for (std::size_t c = 0; c < nWidth; ++c)
                        nWrong += store[j * nWidth + (nDirection == 0 ? c : nWidth - 1 - c)] != Sample(c, j);
                EXPECT_EQ((std::pair{nWrong, std::count(store.begin() + nBytes, store.end(), 0x5A)}),
                          (std::pair{std::size_t(0), std::ptrdiff_t(2 * LINE)}));
            }
}
