#pragma once

// Internal to platform/ui: one control of a dialog, the widget that shows it and the state that
// the program's other threads read without waiting for the user-interface thread.

#include "platform/ui/dialog_template.h"
#include "platform/ui/ui_types.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <string>

#include <QValidator>

class DialogImpl;
class ScrollBarLogic;
class QButtonGroup;

class EditInputRule : public QValidator
{
  public:
    EditInputRule(bool bDigitsOnly, QObject* pParent);
    State validate(QString& input, int& nPos) const override;
    int m_nLimit = 0; // 0: none
    const bool m_bDigitsOnly;
};

class ControlImpl : public QObject
{
  public:
    ControlImpl(DialogImpl& owner, const ControlTemplate& tmpl, QWidget* pWidget);
    ~ControlImpl() override;

    // Creates the control's widget in pParent at rc (pixels) and wires its notifications to the
    // dialog. pPrevious is the control before it in the template (an up-down's buddy, a radio's
    // group).
    static std::unique_ptr<ControlImpl> Build(DialogImpl& owner, const ControlTemplate& tmpl, QRect rc,
                                              ControlImpl* pPrevious, QWidget* pParent);

    std::string GetText() const;
    void SetText(const std::string& strText);
    void SetCheck(int nCheck);

    DialogImpl& m_owner;
    const int m_nId;
    const ControlKind m_kind;
    QPointer<QWidget> m_pWidget;

    // Check boxes and radio buttons: 0 unchecked, 1 checked. Any thread.
    std::atomic<int> m_nCheck{0};
    // Drop-down lists and tab controls: the selected index, -1 for none. Any thread.
    std::atomic<int> m_nSel{-1};
    // Set while the program changes the control, so that its change is not reported as the user's.
    bool m_bProgrammatic = false;

    // Edits: what the keyboard may enter.
    EditInputRule* m_pInputRule = nullptr;

    // Radio buttons: the group they belong to and the id of its first button.
    QButtonGroup* m_pRadioGroup = nullptr;
    int m_nRadioFirstId = 0;

    // Scroll-bar controls.
    std::unique_ptr<ScrollBarLogic> m_pScroll;

    // Up-down controls: range as given (nLower may exceed nUpper), position, buddy edit.
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
    ControlImpl* m_pBuddy = nullptr;
    void StepUpDown(bool bUp);
    int ReadPosFromBuddy(bool* pValid);
    void SetUpDownPos(int nPos);

    // Progress bars: range, and the latest position any thread asked for, applied on the
    // user-interface thread by at most one queued request at a time.
    int m_nProgressLower = 0;
    int m_nProgressUpper = 100;
    std::atomic<int> m_nProgressLatest{0};
    std::atomic<bool> m_bProgressPending{false};
    std::atomic<int> m_nProgressApplied{0};
    void PostProgress(int nPos);
    void ApplyProgress(int nPos);

  protected:
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
};
