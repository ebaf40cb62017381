#pragma once

// A dialog that records what the framework hands it, and the small helpers the framework's tests share.

#include "platform/ui/dialog_impl.h"
#include "platform/ui/ui_application.h"

inline DialogTemplate MakeTemplate(int cx, int cy, unsigned nStyle,
                                   std::vector<ControlTemplate> controls = {})
{
    return {.cx = cx, .cy = cy, .caption = "test", .nStyle = nStyle, .controls = std::move(controls)};
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
    bool OnInitDialog() override
    {
        if (m_nEndInInit != 0)
            EndDialog(m_nEndInInit);
        return Dialog::OnInitDialog();
    }
    void OnOK() override { m_log.push_back("ok"); }
    void OnCancel() override { m_log.push_back("cancel"); }
    bool PreTranslateMessage(const Message& msg) override
    {
        m_filtered.push_back(msg);
        if (m_nClaimKey != 0 && msg.nMessage == WM_KEYDOWN && msg.nKey == m_nClaimKey)
            return true;
        return m_bUseBase ? Dialog::PreTranslateMessage(msg) : false;
    }
    void OnSize(int nType, int cx, int cy) override { Log("size " + std::to_string(nType), Point{cx, cy}); }
    void OnHScroll(int nCode, int nPos, int nBar) override
    {
        m_scroll.push_back({nCode, nPos, nBar});
        m_scrollCodes.push_back(nCode);
    }
    void OnLButtonDown(unsigned, Point pt) override { Log("ldown", pt); }
    void OnLButtonUp(unsigned, Point pt) override { Log("lup", pt); }
    void OnLButtonDblClk(unsigned, Point pt) override { Log("ldbl", pt); }
    void OnRButtonDown(unsigned, Point pt) override { Log("rdown", pt); }
    void OnMouseMove(unsigned, Point pt) override { Log("move", pt); }
    bool OnMouseWheel(unsigned nFlags, int zDelta, Point) override
    {
        m_log.push_back("wheel " + std::to_string(zDelta) + ((nFlags & MK_SHIFT) ? " shift" : ""));
        return true;
    }
    void OnTimer(int nId) override // each timer runs once
    {
        m_timers.push_back(nId);
        KillTimer(nId);
    }
    void Log(const std::string& strWhat, Point pt)
    {
        m_log.push_back(strWhat + " " + std::to_string(pt.x) + "," + std::to_string(pt.y));
    }

    struct ScrollCall
    {
        int nCode, nPos, nBar;
    };
    std::vector<std::string> m_log;
    std::vector<Message> m_filtered;
    std::vector<ScrollCall> m_scroll;
    std::vector<int> m_scrollCodes;
    std::vector<int> m_timers;
    unsigned m_nClaimKey = 0;
    int m_nEndInInit = 0; // ends a modal run from its own initialisation
    bool m_bUseBase = true;
};
