#pragma once

// A dialog that records what the framework hands it, for the framework's tests.

#include "platform/ui/dialog.h"
#include "platform/ui/ui_application.h"

#include <string>
#include <vector>

inline DialogTemplate MakeTemplate(int cx, int cy, unsigned nStyle, std::vector<ControlTemplate> controls = {})
{
    DialogTemplate t;
    t.cx = cx;
    t.cy = cy;
    t.caption = "test";
    t.nStyle = nStyle;
    t.controls = std::move(controls);
    return t;
}

class RecordingDialog : public Dialog
{
public:
    using Dialog::Dialog;
    using Dialog::MapClicked;
    using Dialog::MapDeltaPos;
    using Dialog::MapSelChange;
    using Dialog::MapTabSelChange;

    bool OnInitDialog() override
    {
        m_log.push_back("init");
        return Dialog::OnInitDialog();
    }
    void OnOK() override { m_log.push_back("ok"); }
    void OnCancel() override
    {
        m_log.push_back("cancel");
        if (m_bCancelDestroys)
            DestroyWindow();
    }
    bool PreTranslateMessage(const Message& msg) override
    {
        m_filtered.push_back(msg);
        if (m_nClaimKey != 0 && msg.nMessage == WM_KEYDOWN && msg.nKey == m_nClaimKey)
            return true;
        return m_bUseBase ? Dialog::PreTranslateMessage(msg) : false;
    }
    void OnSize(int nType, int cx, int cy) override { m_log.push_back("size " + std::to_string(nType) + " " + std::to_string(cx) + "x" + std::to_string(cy)); }
    void OnHScroll(int nCode, int nPos, int nBar) override
    {
        m_scroll.push_back({nCode, nPos, nBar});
    }
    void OnVScroll(int nCode, int nPos, int nBar) override { m_scroll.push_back({nCode, nPos, nBar + 10000}); }
    void OnLButtonDown(unsigned, Point pt) override { Mouse("ldown", pt); }
    void OnLButtonUp(unsigned, Point pt) override { Mouse("lup", pt); }
    void OnLButtonDblClk(unsigned, Point pt) override { Mouse("ldbl", pt); }
    void OnRButtonDown(unsigned, Point pt) override { Mouse("rdown", pt); }
    void OnMouseMove(unsigned, Point pt) override { Mouse("move", pt); }
    bool OnMouseWheel(unsigned nFlags, int zDelta, Point) override
    {
        m_log.push_back("wheel " + std::to_string(zDelta) + ((nFlags & MK_SHIFT) ? " shift" : ""));
        return true;
    }
    void OnTimer(int nId) override
    {
        m_timers.push_back(nId);
        if (m_bOneShot)
            KillTimer(nId);
    }

    struct ScrollCall
    {
        int nCode, nPos, nBar;
    };
    std::vector<std::string> m_log;
    std::vector<Message> m_filtered;
    std::vector<ScrollCall> m_scroll;
    std::vector<int> m_timers;
    unsigned m_nClaimKey = 0;
    bool m_bUseBase = true;
    bool m_bCancelDestroys = false;
    bool m_bOneShot = false;

private:
    void Mouse(const char* pName, Point pt)
    {
        m_log.push_back(std::string(pName) + " " + std::to_string(pt.x) + "," + std::to_string(pt.y));
    }
};
