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

// The scene as the viewers show it: picture row py runs along the sensor line (py = 1283 - u,
// the raw frame's rows are camera columns from the last), picture column px is the scene row
// v, the direction of motion. Built in those coordinates so that text lines run across the
// picture.
Rgb ScenePixel(int u, int v)
{
    const int py = SimScene::WIDTH - 1 - u;
    const int px = v;
    static const Rgb s_colors[] = {{210, 30, 30},  {30, 190, 40},  {40, 60, 220},
                                   {210, 200, 40}, {40, 190, 200}, {200, 50, 190}};
    // Background: a dim blue-grey that brightens down the picture.
    Rgb c{30 + py * 40 / SimScene::WIDTH, 34 + py * 40 / SimScene::WIDTH, 48 + py * 50 / SimScene::WIDTH};

    // Ruler along the top: black and white squares of 32 pixels, ticks below them.
    if (py < 32)
        return (((px / 32) + (py / 16)) & 1) ? Rgb{200, 200, 200} : Rgb{10, 10, 10};
    if (py < 44)
        return (px % 64 == 0 || (px % 16 == 0 && py < 38)) ? Rgb{200, 200, 200} : c;

    // Six coloured discs of radius 70 in a row.
    if (py >= 80 && py < 240)
    {
        int nDisc = px / 170;
        int dx = px - (nDisc * 170 + 85);
        int dy = py - 160;
        if (nDisc < 6 && dx * dx + dy * dy <= 70 * 70)
            return s_colors[nDisc];
    }

    // Eight lines of text-like glyphs: bright strokes on a dark band, 16-pixel cells with gaps
    // between words.
    if (py >= 280 && py < 600)
    {
        int nLine = (py - 280) / 40;
        int nInLine = (py - 280) % 40;
        if (nInLine >= 28)
            return c;
        const Rgb ink{230, 230, 220};
        const Rgb paper{16, 16, 24};
        int nCell = px / 16;
        int nInCell = px % 16;
        uint32_t h = Hash(nLine, nCell);
        if ((h & 7) == 0 || nInCell >= 12 || px < 16 || px >= SimScene::ROWS - 16)
            return paper;
        int nStroke = nInLine / 7;
        bool bHorizontal = (h >> (3 + nStroke)) & 1;
        bool bLeft = (h >> 8) & 1;
        bool bRight = (h >> 9) & 1;
        bool bInk = (bHorizontal && nInLine % 7 < 3) || (bLeft && nInCell < 3) || (bRight && nInCell >= 9);
        return bInk ? ink : paper;
    }

    // Diagonal stripes in the six colours.
    if (py >= 640 && py < 960)
    {
        Rgb s = s_colors[((px + py) / 32) % 4]; // a period that divides the scene length
        return Rgb{s.r * 3 / 4, s.g * 3 / 4, s.b * 3 / 4};
    }

    // A grey wedge of eight steps, to judge gain and shutter.
    if (py >= 1020 && py < 1180)
    {
        int n = 16 + (px * 8 / SimScene::ROWS) * 30;
        return Rgb{n, n, n};
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
