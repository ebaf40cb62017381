#pragma once

#include <cstdint>
#include <vector>

// The scene that moves past a simulated camera: 1024 rows of 1284 pixels, repeating, each pixel
// red, green, blue and grey. Made once per process. A line-scan recording composes it into a
// picture of coloured discs, lines of text-like bars, diagonal colour stripes and a ruler.
class SimScene
{
public:
    static constexpr int WIDTH = 1284;
    static constexpr int ROWS = 1024;
    static constexpr int CHANNELS = 4; // red, green, blue, grey

    static const SimScene& Instance();

    // The pixels of scene row v (taken modulo ROWS): CHANNELS bytes a pixel.
    const uint8_t* Row(uint64_t v) const { return &m_pixels[(v % ROWS) * WIDTH * CHANNELS]; }

private:
    SimScene();

    std::vector<uint8_t> m_pixels;
};
