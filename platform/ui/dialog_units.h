#pragma once

#include "platform/ui/ui_types.h"

#include <string>

// Dialog units: a horizontal unit is a quarter of the dialog font's average character width, a
// vertical unit an eighth of its character height. Conversions round to the nearest pixel.
int DialogUnitsToPixelsX(int nUnits, int nBaseUnitX);
int DialogUnitsToPixelsY(int nUnits, int nBaseUnitY);
Rect DialogRectToPixels(const Rect& rcUnits, int nBaseUnitX, int nBaseUnitY);

// The installed font family that stands in for a dialog font name: the Japanese Gothic faces map
// to an installed Japanese Gothic font, anything missing to the default sans font.
std::string ResolveDialogFontFamily(const std::string& strName);
// The pixel height of a point size on a 96-dpi screen, as dialog templates assume.
int DialogFontPixelSize(int nPointSize);
// How wide the face of a dialog font is drawn, in percent. A stand-in's letters run wider than those
// of the Windows face the templates were laid out with, so it is drawn condensed, at the width at
// which the captions take the room they took there; an installed face is drawn as it is.
int DialogFontStretch(const std::string& strName);
