#pragma once

// The main dialog's stand-in for the pages' tests: a visible top-level dialog whose filter records
// what the pages pass on, with the four pages as its children.

#include "pages/tab_gui_gain.h"
#include "pages/tab_gui_partial.h"
#include "pages/tab_gui_rec.h"
#include "pages/tab_gui_shutter.h"
#include "tests/platform/ui/test_dialog.h"

#include <string>
#include <vector>

// The key-downs a dialog's filter was offered, as their virtual-key codes.
inline std::vector<unsigned> KeyDowns(const RecordingDialog& dlg)
{
    std::vector<unsigned> keys;
    for (const Message& msg : dlg.m_filtered)
        if (msg.nMessage == WM_KEYDOWN)
            keys.push_back(msg.nKey);
    return keys;
}

class PageHost
{
  public:
    PageHost() : m_main(MakeTemplate(240, 320, DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU))
    {
        m_main.m_bUseBase = false;
        m_main.Create(nullptr);
        m_main.m_log.clear();
    }
    // Creates the page as the main dialog's child and shows it, as a tab change does.
    bool Add(TabPage& page)
    {
        if (!page.Create(&m_main))
            return false;
        page.ShowWindow(ShowState::Show);
        return true;
    }

    RecordingDialog m_main;
};
