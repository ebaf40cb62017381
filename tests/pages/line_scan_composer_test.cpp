#include "pages/line_scan_composer.h"

#include "buffers/shared_buffers.h"
#include "display/convert_params.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{

constexpr std::size_t LINE = SENSOR_WIDTH;
constexpr std::size_t GUARD = 2 * LINE; // bytes after the recording that must stay as they are

// A recognisable sample for every line and position, and a different value past the recording.
uint8_t Sample(std::size_t c, std::size_t j)
{
    return static_cast<uint8_t>(c * 37 + j * 11 + (c >> 3) * (j >> 5));
}

std::vector<uint8_t> Recording(std::size_t nWidth)
{
    std::vector<uint8_t> store(nWidth * LINE + GUARD);
    for (std::size_t c = 0; c < nWidth; ++c)
        for (std::size_t j = 0; j < LINE; ++j)
            store[c * LINE + j] = Sample(c, j);
    for (std::size_t i = nWidth * LINE; i < store.size(); ++i)
        store[i] = static_cast<uint8_t>(i * 7 + 3);
    return store;
}

enum class Scratch
{
    WHOLE_IMAGE,
    MARKS_ONLY,
    NONE,
};

TEST(LineScanComposerTest, EveryLineBecomesItsColumn)
{
    const std::size_t widths[] = {0, 4, 8, 20, 36, 1000, 2100}; // 2100: several tiles a thread
    for (const Scratch scratch : {Scratch::WHOLE_IMAGE, Scratch::MARKS_ONLY, Scratch::NONE})
    {
        for (const std::size_t nWidth : widths)
        {
            if (scratch == Scratch::NONE && nWidth > 100)
                continue; // working in the store alone is slow, and its steps do not depend on the width
            for (const int nDirection : {0, 1})
            {
                SCOPED_TRACE(testing::Message() << "scratch " << int(scratch) << ", width " << nWidth
                                                << ", direction " << nDirection);
                std::vector<uint8_t> store = Recording(nWidth);
                const std::vector<uint8_t> before = store;
                const std::size_t nBytes = nWidth * LINE;
                std::vector<uint8_t> work(scratch == Scratch::WHOLE_IMAGE  ? LineScanScratchBytes(int(nWidth))
                                          : scratch == Scratch::MARKS_ONLY ? nBytes / 8 + 1
                                                                           : 0);
                ComposeLineScan(store.data(), int(nWidth), nDirection, work.empty() ? nullptr : work.data(),
                                work.size());

                const std::size_t firstColumn = nDirection == 0 ? 0 : nWidth - 1;
                std::size_t nWrong = 0;
                for (std::size_t j = 0; j < LINE && nWidth > 0; ++j)
                {
                    // The first recorded line, then all of them.
                    ASSERT_EQ(store[j * nWidth + firstColumn], Sample(0, j)) << "row " << j;
                    for (std::size_t c = 0; c < nWidth; ++c)
                    {
                        const std::size_t column = nDirection == 0 ? c : nWidth - 1 - c;
                        nWrong += store[j * nWidth + column] != Sample(c, j);
                    }
                }
                EXPECT_EQ(nWrong, 0u);
                EXPECT_TRUE(std::equal(store.begin() + nBytes, store.end(), before.begin() + nBytes));
            }
        }
    }
}

TEST(LineScanComposerTest, ViewerPhaseFollowsDirection)
{
    EXPECT_EQ(LineScanBayerPhase(0), BAYER_GRBG);
    EXPECT_EQ(LineScanBayerPhase(1), BAYER_RGGB);
}

} // namespace
