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
    static const char* const GOTHIC_NAMES[] = {"MS UI Gothic", "MS Gothic", "MS PGothic", "ＭＳ ゴシック",
                                               "ＭＳ Ｐゴシック"};
    static const char* const GOTHIC_FACES[] = {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP", "VL Gothic",
                                               "TakaoGothic"};
    for (const char* pGothic : GOTHIC_NAMES)
    {
        if (name.compare(QString::fromUtf8(pGothic), Qt::CaseInsensitive) != 0)
            continue;
        for (const char* pFace : GOTHIC_FACES)
            if (families.contains(QString::fromUtf8(pFace)))
                return pFace;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString();
}

int DialogFontPixelSize(int nPointSize)
{
    return MulDivRound(nPointSize, 96, 72);
}
