#include "platform/ui/dialog_units.h"

#include <QFontDatabase>
#include <QStringList>

#include <cstdlib>

namespace
{
// a * b / c rounded half away from zero.
int MulDivRound(int a, int b, int c)
{
    const long long n = static_cast<long long>(a) * b;
    const long long q = (std::llabs(n) * 2 + c) / (2LL * c);
    return static_cast<int>(n < 0 ? -q : q);
}
} // namespace

int DialogUnitsToPixelsX(int nUnits, int nBaseUnitX)
{
    return MulDivRound(nUnits, nBaseUnitX, 4);
}

int DialogUnitsToPixelsY(int nUnits, int nBaseUnitY)
{
    return MulDivRound(nUnits, nBaseUnitY, 8);
}

Rect DialogRectToPixels(const Rect& rc, int nBaseUnitX, int nBaseUnitY)
{
    return Rect{DialogUnitsToPixelsX(rc.left, nBaseUnitX), DialogUnitsToPixelsY(rc.top, nBaseUnitY),
                DialogUnitsToPixelsX(rc.right, nBaseUnitX), DialogUnitsToPixelsY(rc.bottom, nBaseUnitY)};
}

std::string ResolveDialogFontFamily(const std::string& strName)
{
    const QStringList families = QFontDatabase::families();
    const QString name = QString::fromStdString(strName);
    if (families.contains(name, Qt::CaseInsensitive))
        return strName;
    // The proportional Windows faces take a proportional stand-in first, so that captions sized for
    // them fit their controls; the fixed-pitch face takes a fixed-pitch one.
    struct Substitute
    {
        const char* pName;
        bool bProportional;
    };
    static const Substitute GOTHIC_NAMES[] = {{"MS UI Gothic", true},
                                              {"MS PGothic", true},
                                              {"ＭＳ Ｐゴシック", true},
                                              {"MS Gothic", false},
                                              {"ＭＳ ゴシック", false}};
    static const char* const PROPORTIONAL_FACES[] = {"IPAPGothic", "Noto Sans CJK JP", "VL PGothic",
                                                     "IPAGothic", "TakaoGothic"};
    static const char* const FIXED_FACES[] = {"IPAGothic", "VL Gothic", "TakaoGothic", "IPAPGothic",
                                              "Noto Sans CJK JP"};
    for (const Substitute& gothic : GOTHIC_NAMES)
    {
        if (name.compare(QString::fromUtf8(gothic.pName), Qt::CaseInsensitive) != 0)
            continue;
        for (const char* pFace : gothic.bProportional ? PROPORTIONAL_FACES : FIXED_FACES)
            if (families.contains(QString::fromUtf8(pFace)))
                return pFace;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString();
}

int DialogFontPixelSize(int nPointSize)
{
    return MulDivRound(nPointSize, 96, 72);
}

int DialogFontStretch(const std::string& strName)
{
    constexpr int STAND_IN_STRETCH = 88;
    return ResolveDialogFontFamily(strName) == strName ? 100 : STAND_IN_STRETCH;
}
