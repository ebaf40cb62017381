#pragma once

#include <cstdint>
#include <vector>

// The scene that moves past a simulated camera: 1024 rows of 1284 pixels, repeating, each pixel
// red, green, blue and grey. Made once per process.
//
// It is laid out as the viewers show it: scene row v is picture column v (the direction of
// motion, left to right), and pixel u of a row, which sensor pixel u sees, is picture row u
// from the top. A live frame and a line-scan recording both show it upright and unmirrored: a
// ruler numbered left to right along the top, coloured discs, a band of text beside an arrow
// pointing up, diagonal colour stripes, a grey wedge and the word "BOTTOM" at the bottom.
//
// The text is drawn in the toolkit's font, which needs the toolkit's application object and its
// thread: the program makes the scene there when it lists its cameras. A process without the
// application (the camera tests) gets the scene without text; everything else is the same.
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
