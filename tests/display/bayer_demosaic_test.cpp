#include "display/bayer_demosaic.h"
#include "display/conversion_split.h"
#include "tests/display/convert_reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace convert_test;

namespace
{

const ConvertProc PROCEDURES[4] = {DemosaicGBRG, DemosaicBGGR, DemosaicRGGB, DemosaicGRBG};
constexpr uint8_t UNTOUCHED = 0x5A;

// Converts output rows 1 ... H - 2 of a W x H mosaic with one block, as a single worker would.
std::vector<uint8_t> RunOneBlock(ConvertProc proc, std::vector<uint8_t>& src, int nWidth, int nHeight,
                                 bool* pGuardsIntact = nullptr)
{
    GuardedBuffer out(size_t(nWidth) * nHeight * 3, UNTOUCHED);
    ConvertParams block{nHeight - 2, nWidth, src.data(), src.data() + nWidth, src.data() + 2 * nWidth,
                        out.Data() + size_t(nWidth) * 3};
    EXPECT_EQ(0u, proc(&block));
    if (pGuardsIntact)
        *pGuardsIntact = out.GuardsIntact();
    return out.Contents();
}

std::vector<uint8_t> Expected(int nPhase, const std::vector<uint8_t>& src, int nWidth, int nHeight)
{
    std::vector<uint8_t> out(size_t(nWidth) * nHeight * 3, UNTOUCHED);
    ReferenceDemosaic(nPhase, src.data(), nWidth, nHeight, out.data());
    return out;
}

// A mosaic of one flat colour (b, g, r) sampled through the phase's filter layout.
std::vector<uint8_t> FlatColourMosaic(int nPhase, int nWidth, int nHeight, const uint8_t bgr[3])
{
    std::vector<uint8_t> src(size_t(nWidth) * nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            src[size_t(y) * nWidth + x] = bgr[ChannelOf(ColourAt(nPhase, y, x))];
    return src;
}

const uint8_t* Pixel(const std::vector<uint8_t>& out, int nWidth, int y, int x)
{
    return out.data() + (size_t(y) * nWidth + x) * 3;
}

} // namespace

TEST(BayerDemosaic, PhaseTableChoosesProceduresAndRestoresFlatColours)
{
    EXPECT_EQ(BayerProcedure(BAYER_GBRG), DemosaicGBRG);
    EXPECT_EQ(BayerProcedure(BAYER_BGGR), DemosaicBGGR);
    EXPECT_EQ(BayerProcedure(BAYER_RGGB), DemosaicRGGB);
    EXPECT_EQ(BayerProcedure(BAYER_GRBG), DemosaicGRBG);
    for (int nOther : {-1, 4, 5, 100})
        EXPECT_EQ(BayerProcedure(nOther), DemosaicRGGB) << nOther;

    // Each procedure turns a flat colour seen through its own layout back into that colour.
    const uint8_t bgr[3] = {40, 120, 220};
    const int w = 38, h = 6;
    for (int nPhase = 0; nPhase < 4; ++nPhase)
    {
        std::vector<uint8_t> src = FlatColourMosaic(nPhase, w, h, bgr);
        const std::vector<uint8_t> out = RunOneBlock(BayerProcedure(nPhase), src, w, h);
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x)
            {
                const uint8_t* px = Pixel(out, w, y, x);
                ASSERT_EQ(bgr[0], px[0]) << "phase " << nPhase << " at " << y << "," << x;
                ASSERT_EQ(bgr[1], px[1]) << "phase " << nPhase << " at " << y << "," << x;
                ASSERT_EQ(bgr[2], px[2]) << "phase " << nPhase << " at " << y << "," << x;
            }
    }
}

TEST(BayerDemosaic, MatchesReferenceOnRandomMosaicsOfManySizes)
{
    std::mt19937 rng(1234);
    const int widths[] = {1, 2, 3, 4, 5, 6, 7, 8, 10, 16, 17, 18, 19, 20, 21, 22, 30, 32, 33, 34, 35, 36, 37, 50, 62, 66, 101, 960};
    const int heights[] = {3, 4, 5, 8};
    for (int w : widths)
        for (int h : heights)
            for (int nPhase = 0; nPhase < 4; ++nPhase)
            {
                std::vector<uint8_t> src(size_t(w) * h);
                FillRandom(src.data(), src.size(), rng);
                // Some all-bright mosaics check that sums of four never wrap.
                if ((w + h + nPhase) % 5 == 0)
                    std::fill(src.begin(), src.end(), uint8_t(255));
                bool bGuards = false;
                const std::vector<uint8_t> out = RunOneBlock(PROCEDURES[nPhase], src, w, h, &bGuards);
                ASSERT_TRUE(bGuards) << w << "x" << h << " phase " << nPhase;
                ASSERT_EQ(Expected(nPhase, src, w, h), out) << w << "x" << h << " phase " << nPhase;
            }
}

TEST(BayerDemosaic, EdgesAndWorkedValues)
{
    // A 4-pixel-wide picture: black, two computed pixels, black; rows 0 and H - 1 untouched.
    {
        std::vector<uint8_t> src(4 * 4, 100);
        const std::vector<uint8_t> out = RunOneBlock(DemosaicRGGB, src, 4, 4);
        for (int x = 0; x < 4; ++x)
        {
            EXPECT_EQ(UNTOUCHED, Pixel(out, 4, 0, x)[0]);
            EXPECT_EQ(UNTOUCHED, Pixel(out, 4, 3, x)[2]);
        }
        for (int y = 1; y <= 2; ++y)
        {
            EXPECT_EQ(std::vector<uint8_t>({0, 0, 0, 100, 100, 100, 100, 100, 100, 0, 0, 0}),
                      std::vector<uint8_t>(Pixel(out, 4, y, 0), Pixel(out, 4, y, 4)));
        }
    }
    // A uniform grey mosaic stays grey in every phase, wide enough for the vector path.
    for (int nPhase = 0; nPhase < 4; ++nPhase)
    {
        std::vector<uint8_t> src(70 * 5, 77);
        const std::vector<uint8_t> out = RunOneBlock(PROCEDURES[nPhase], src, 70, 5);
        for (int y = 1; y < 4; ++y)
            for (int x = 0; x < 70; ++x)
            {
                const uint8_t v = (x == 0 || x == 69) ? 0 : 77;
                ASSERT_EQ(v, Pixel(out, 70, y, x)[0]);
                ASSERT_EQ(v, Pixel(out, 70, y, x)[1]);
                ASSERT_EQ(v, Pixel(out, 70, y, x)[2]);
            }
    }
    // Truncation. RGGB, image row 1 is G B G B: (1, 1) is blue, its green neighbours are
    // 1, 1, 1, 2; (1, 2) is green with blue neighbours 1 and 2 beside it.
    {
        std::vector<uint8_t> src = {
            9, 1, 9, 9, //
            1, 1, 1, 2, //
            9, 2, 9, 9, //
        };
        const std::vector<uint8_t> out = RunOneBlock(DemosaicRGGB, src, 4, 3);
        EXPECT_EQ(1, Pixel(out, 4, 1, 1)[1]); // (1 + 1 + 1 + 2) >> 2
        EXPECT_EQ(1, Pixel(out, 4, 1, 2)[0]); // (1 + 2) >> 1
    }
    // Empty blocks write nothing.
    for (int nRows : {0, -1})
    {
        std::vector<uint8_t> src(8 * 4, 50);
        GuardedBuffer out(8 * 4 * 3, UNTOUCHED);
        ConvertParams block{nRows, 8, src.data(), src.data() + 8, src.data() + 16, out.Data() + 24};
        for (ConvertProc proc : PROCEDURES)
            EXPECT_EQ(0u, proc(&block));
        EXPECT_EQ(std::vector<uint8_t>(out.Size(), UNTOUCHED), out.Contents());
        EXPECT_TRUE(out.GuardsIntact());
    }
}
