#pragma once

// A dialog that records what the framework hands it, and the small helpers the framework's tests share.

#include "platform/ui/dialog.h"
#include "platform/ui/dialog_impl.h"
#include "platform/ui/ui_application.h"

#include <QWidget>

#include <string>
#include <vector>

constexpr unsigned VIEWER_STYLE = DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU | DLG_THICKFRAME | DLG_MINIMIZEBOX |
                                  DLG_MAXIMIZEBOX | DLG_HSCROLL | DLG_VSCROLL;

inline DialogTemplate MakeTemplate(int cx, int cy, unsigned nStyle,
                                   std::vector<ControlTemplate> controls = {})
{
    DialogTemplate t;
    t.cx = cx;
    t.cy = cy;
    t.caption = "test";
    t.nStyle = nStyle;
    t.controls = std::move(controls);
    return t;
}

// The toolkit widget behind control nId, for the tests that click or type into it.
inline QWidget* ControlWidget(Dialog& dlg, int nId)
{
    for (QWidget* p : dlg.Impl().Client()->findChildren<QWidget*>())
        if (p->property("twCtrlId").toInt() == nId)
            return p;
    return nullptr;
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
        if (m_nEndInInit != 0)
            EndDialog(m_nEndInInit);
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
    void OnSize(int nType, int cx, int cy) override
    {
        m_log.push_back("size " + std::to_string(nType) + " " + std::to_string(cx) + "x" +
                        std::to_string(cy));
    }
    void OnHScroll(int nCode, int nPos, int nBar) override { m_scroll.push_back({nCode, nPos, nBar}); }
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
    std::vector<int> ScrollCodes() const
    {
        std::vector<int> codes;
        for (const ScrollCall& call : m_scroll)
            codes.push_back(call.nCode);
        return codes;
    }
    std::vector<std::string> m_log;
    std::vector<Message> m_filtered;
    std::vector<ScrollCall> m_scroll;
    std::vector<int> m_timers;
    unsigned m_nClaimKey = 0;
    int m_nEndInInit = 0; // ends a modal run from its own initialisation
    bool m_bUseBase = true;
    bool m_bCancelDestroys = false;
    bool m_bOneShot = false;

  private:
    void Mouse(const char* pName, Point pt)
    {
        m_log.push_back(std::string(pName) + " " + std::to_string(pt.x) + "," + std::to_string(pt.y));
    }
};
