#pragma once

#include "platform/ui/dialog_template.h"

// The program's dialog templates as data, one function per template id of resource.h. Each
// returns the same object every time; built on first use, so windows constructed during static
// initialisation find it ready.

// IDD_TARNWICK_DIALOG (102): the main dialog, 255 x 474 dialog units, its controls in tab order.
const DialogTemplate& TarnwickDlgTemplate();

// IDD_TARNWICK_WND (104): the viewer, no controls and no caption text, 744 x 642 dialog units.
const DialogTemplate& TarnwickWndTemplate();
