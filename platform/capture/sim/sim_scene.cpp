#include "platform/capture/sim/sim_scene.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QThread>

#include <algorithm>

namespace
{
struct Rgb
{
    int r, g, b;
};

// The picture is SimScene::ROWS columns (px) by SimScene::WIDTH rows (py).
constexpr int PICTURE_WIDTH = SimScene::ROWS;
constexpr int PICTURE_HEIGHT = SimScene::WIDTH;

// The band of text, its eight lines of 40 pixels, and the arrow at its left.
constexpr int TEXT_TOP = 280;
constexpr int TEXT_LINE = 40;
constexpr int TEXT_LINES = 8;
constexpr int TEXT_LEFT = 128;
constexpr int ARROW_LEFT = 24;
constexpr int ARROW_WIDTH = 80;

const Rgb INK{230, 230, 220};
const Rgb PAPER{16, 16, 24};
const Rgb ARROW{240, 200, 30};

// The pattern under the marks, at picture column px and row py.
Rgb BasePixel(int px, int py)
{
    static const Rgb s_colors[] = {{210, 30, 30},  {30, 190, 40},  {40, 60, 220},
                                   {210, 200, 40}, {40, 190, 200}, {200, 50, 190}};
    // Background: a dim blue-grey that brightens down the picture.
    const Rgb c{30 + py * 40 / PICTURE_HEIGHT, 34 + py * 40 / PICTURE_HEIGHT, 48 + py * 50 / PICTURE_HEIGHT};

    // Ruler along the top: black and white squares of 32 pixels, ticks below them (long every 64).
    if (py < 32)
        return (((px / 32) + (py / 16)) & 1) ? Rgb{200, 200, 200} : Rgb{10, 10, 10};
    if (py < 44)
        return (px % 64 == 0 || (px % 16 == 0 && py < 38)) ? Rgb{200, 200, 200} : c;

    // Six coloured discs of radius 70 in a row.
    if (py >= 80 && py < 240)
    {
        const int nDisc = px / 170;
        const int dx = px - (nDisc * 170 + 85);
        const int dy = py - 160;
        if (nDisc < 6 && dx * dx + dy * dy <= 70 * 70)
            return s_colors[nDisc];
    }

    // The dark band that the text is written on.
    if (py >= TEXT_TOP && py < TEXT_TOP + TEXT_LINES * TEXT_LINE)
        return PAPER;

    // Diagonal stripes in four of the colours (a period that divides the scene length).
    if (py >= 640 && py < 960)
    {
        const Rgb s = s_colors[((px + py) / 32) % 4];
        return Rgb{s.r * 3 / 4, s.g * 3 / 4, s.b * 3 / 4};
    }

    // A grey wedge of eight steps, to judge gain and shutter.
    if (py >= 1020 && py < 1180)
    {
        const int n = 16 + (px * 8 / PICTURE_WIDTH) * 30;
        return Rgb{n, n, n};
    }
    return c;
}

QColor ToColor(const Rgb& c)
{
    return QColor(c.r, c.g, c.b);
}

// The arrow beside the text, pointing to the top of the picture.
void DrawArrow(QPainter& painter)
{
    const double x0 = ARROW_LEFT, x1 = ARROW_LEFT + ARROW_WIDTH, xm = (x0 + x1) / 2;
    const double shaft = ARROW_WIDTH / 6.0;
    const double top = TEXT_TOP + 8, head = TEXT_TOP + 88, bottom = TEXT_TOP + TEXT_LINES * TEXT_LINE - 8;
    const QPolygonF arrow{QPointF(xm, top),
                          QPointF(x1, head),
                          QPointF(xm + shaft, head),
                          QPointF(xm + shaft, bottom),
                          QPointF(xm - shaft, bottom),
                          QPointF(xm - shaft, head),
                          QPointF(x0, head)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToColor(ARROW));
    painter.drawPolygon(arrow);
}

// The text: numbers under the ruler's long ticks, the lines of the band, and the bottom's name.
void DrawText(QPainter& painter)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    painter.setPen(ToColor(INK));

    font.setPixelSize(18);
    painter.setFont(font);
    for (int x = 0; x < PICTURE_WIDTH; x += 128)
        painter.drawText(x + 3, 64, QString::number(x));

    static const char* const s_lines[TEXT_LINES] = {
        "TOP: THE ARROW POINTS UP",           "THIS TEXT READS LEFT TO RIGHT", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
        "abcdefghijklmnopqrstuvwxyz",         "0123456789  +-=/()[]",          "SENSOR PIXEL 0 IS AT THE TOP",
        "THE SCENE REPEATS EVERY 1024 LINES", "TARNWICK SIMULATED CAMERA",
    };
    font.setPixelSize(26);
    painter.setFont(font);
    for (int i = 0; i < TEXT_LINES; ++i)
        painter.drawText(TEXT_LEFT, TEXT_TOP + i * TEXT_LINE + 30, QString::fromLatin1(s_lines[i]));

    font.setPixelSize(40);
    painter.setFont(font);
    painter.drawText(16, 1250, QStringLiteral("BOTTOM"));
}

// The marks over the pattern, premultiplied: transparent where there is none.
QImage Marks()
{
    QImage marks(PICTURE_WIDTH, PICTURE_HEIGHT, QImage::Format_ARGB32_Premultiplied);
    marks.fill(Qt::transparent);
    QPainter painter(&marks);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawArrow(painter);
    // Fonts exist only with the toolkit's application, and only on its thread.
    const QCoreApplication* pApp = QCoreApplication::instance();
    if (qobject_cast<const QGuiApplication*>(pApp) != nullptr && QThread::currentThread() == pApp->thread())
        DrawText(painter);
    painter.end();
    return marks;
}

uint8_t Channel(int nBase, int nMark, int nAlpha)
{
    return static_cast<uint8_t>(std::clamp(nBase * (255 - nAlpha) / 255 + nMark, 0, 255));
}
} // namespace

const SimScene& SimScene::Instance()
{
    static const SimScene s_scene;
    return s_scene;
}

SimScene::SimScene() : m_pixels(static_cast<size_t>(WIDTH) * ROWS * CHANNELS)
{
    const QImage marks = Marks();
    for (int py = 0; py < PICTURE_HEIGHT; ++py)
    {
        const QRgb* pMarks = reinterpret_cast<const QRgb*>(marks.constScanLine(py));
        for (int px = 0; px < PICTURE_WIDTH; ++px)
        {
            const Rgb c = BasePixel(px, py);
            const QRgb m = pMarks[px];
            uint8_t* p = &m_pixels[(static_cast<size_t>(px) * WIDTH + py) * CHANNELS];
            p[0] = Channel(c.r, qRed(m), qAlpha(m));
            p[1] = Channel(c.g, qGreen(m), qAlpha(m));
            p[2] = Channel(c.b, qBlue(m), qAlpha(m));
            p[3] = static_cast<uint8_t>((p[0] * 77 + p[1] * 150 + p[2] * 29) >> 8);
        }
    }
}
