#pragma once

#include "platform/ui/dialog_template.h"

// The control pages' dialog templates as data, one function per page template id of
// page_resource.h. Each page is a 233 x 312 child dialog without caption, hidden when created; the
// main dialog places it over its tab control and shows it. Each function returns the same object
// every time, built on first use.

const DialogTemplate& TabGUIGainTemplate();    // IDD_TAB_GUI_GAIN (103)
const DialogTemplate& TabGUIShutterTemplate(); // IDD_TAB_GUI_SHUTTER (105)
const DialogTemplate& TabGUIPartialTemplate(); // IDD_TAB_GUI_PARTIAL (106)
const DialogTemplate& TabGUIRecTemplate();     // IDD_TAB_GUI_REC (107)
