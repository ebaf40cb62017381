#include "platform/capture/sim/sim_scene.h"

#include <algorithm>

namespace
{
struct Rgb
{
    int r, g, b;
};

// A small fixed hash for the pattern of the text-like bars.
uint32_t Hash(uint32_t a, uint32_t b)
{
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

Rgb ScenePixel(int u, int v)
{
    // Background: a dim blue-grey that brightens along the line.
    Rgb c{30 + u * 40 / SimScene::WIDTH, 34 + u * 40 / SimScene::WIDTH, 48 + u * 50 / SimScene::WIDTH};

    // Ruler: black and white squares of 32 pixels with a tick row below them.
    if (v < 32)
    {
        int n = ((u / 32) + (v / 16)) & 1;
        return n ? Rgb{200, 200, 200} : Rgb{10, 10, 10};
    }
    if (v < 44)
        return (u % 64 == 0 || (u % 16 == 0 && v < 38)) ? Rgb{200, 200, 200} : c;

    // Coloured discs, radius 80, in a row.
    static const Rgb s_discColors[] = {{210, 30, 30},  {30, 190, 40},  {40, 60, 220},
                                       {210, 200, 40}, {40, 190, 200}, {200, 50, 190}};
    if (v >= 80 && v < 260)
    {
        int nDisc = u / 214;
        int du = u - (nDisc * 214 + 107);
        int dv = v - 170;
        if (du * du + dv * dv <= 80 * 80)
            return s_discColors[nDisc % 6];
    }

    // Lines of text: bright bars on a dark band, 16-pixel glyph cells with gaps between words.
    if (v >= 300 && v < 620)
    {
        int nLine = (v - 300) / 40;
        int nInLine = (v - 300) % 40;
        if (nInLine < 28)
        {
            Rgb ink{230, 230, 220};
            Rgb paper{16, 16, 24};
            int nCell = u / 16;
            int nInCell = u % 16;
            uint32_t h = Hash(nLine, nCell);
            bool bWordGap = (h & 7) == 0;
            if (bWordGap || nInCell >= 12 || u < 32 || u >= SimScene::WIDTH - 32)
                return paper;
            // Each glyph: some of its four horizontal strokes and two vertical ones.
            int nStroke = nInLine / 7;
            bool bHorizontal = (h >> (3 + nStroke)) & 1;
            bool bLeft = (h >> 8) & 1;
            bool bRight = (h >> 9) & 1;
            bool bInk = (bHorizontal && nInLine % 7 < 3) || (bLeft && nInCell < 3) || (bRight && nInCell >= 9);
            return bInk ? ink : paper;
        }
        return c;
    }

    // Diagonal stripes in the six colours.
    if (v >= 660 && v < 980)
    {
        int n = ((u + v) / 40) % 6;
        Rgb s = s_discColors[n];
        return Rgb{s.r * 3 / 4, s.g * 3 / 4, s.b * 3 / 4};
    }
    return c;
}
} // namespace

const SimScene& SimScene::Instance()
{
    static const SimScene s_scene;
    return s_scene;
}

SimScene::SimScene() : m_pixels(static_cast<size_t>(WIDTH) * ROWS * CHANNELS)
{
    uint8_t* p = m_pixels.data();
    for (int v = 0; v < ROWS; ++v)
    {
        for (int u = 0; u < WIDTH; ++u)
        {
            Rgb c = ScenePixel(u, v);
            p[0] = static_cast<uint8_t>(std::clamp(c.r, 0, 255));
            p[1] = static_cast<uint8_t>(std::clamp(c.g, 0, 255));
            p[2] = static_cast<uint8_t>(std::clamp(c.b, 0, 255));
            p[3] = static_cast<uint8_t>((p[0] * 77 + p[1] * 150 + p[2] * 29) >> 8);
            p += CHANNELS;
        }
    }
}
