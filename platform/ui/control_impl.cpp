#include "platform/ui/control_impl.h"

#include "platform/ui/dialog_impl.h"
#include "platform/ui/scroll_bar_logic.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace
{
const QEvent::Type PROGRESS_EVENT = static_cast<QEvent::Type>(QEvent::User + 102);
// After a posted position is shown, later ones wait this long and are shown together: a line-scan
// recording posts one a frame, tens of thousands a second, and each request costs the poster an
// event and the user-interface thread a wake-up, while a screen shows far fewer.
constexpr int PROGRESS_INTERVAL_MS = 20;

Qt::Alignment TextAlignment(unsigned nStyle)
{
    if (nStyle & CTL_CENTER)
        return Qt::AlignHCenter | Qt::AlignVCenter;
    if (nStyle & CTL_RIGHT)
        return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

// What an edit takes from the keyboard: digits only when asked, and at most its limit. The
// program's own texts are set past it.
EditInputRule::EditInputRule(bool bDigitsOnly, QObject* pParent)
    : QValidator(pParent), m_bDigitsOnly(bDigitsOnly)
{
}

QValidator::State EditInputRule::validate(QString& input, int&) const
{
    if (m_nLimit > 0 && input.size() > m_nLimit)
        return Invalid;
    if (m_bDigitsOnly)
        for (const QChar c : input)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
    return Acceptable;
}

namespace
{
// A check box or radio button that, like its Windows counterpart, takes a click anywhere in its
// rectangle, not only on its box and caption.
template <class Button> class WholeRectButton : public Button
{
  public:
    using Button::Button;

  protected:
    bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
};

// Two stacked arrow buttons that step the position of an up-down control.
class UpDownWidget : public QWidget
{
  public:
    UpDownWidget(QWidget* pParent, std::function<void(bool)> step) : QWidget(pParent)
    {
        auto* pLayout = new QVBoxLayout(this);
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->setSpacing(0);
        for (bool bUp : {true, false})
        {
            auto* pButton = new QToolButton(this);
            pButton->setArrowType(bUp ? Qt::UpArrow : Qt::DownArrow);
            pButton->setAutoRepeat(true);
            pButton->setFocusPolicy(Qt::NoFocus);
            pButton->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
            pButton->setProperty("twUp", bUp);
            QObject::connect(pButton, &QToolButton::clicked, this, [step, bUp] { step(bUp); });
            pLayout->addWidget(pButton);
        }
    }
};
} // namespace

ControlImpl::ControlImpl(DialogImpl& owner, const ControlTemplate& tmpl, QWidget* pWidget)
    : m_owner(owner), m_nId(tmpl.nId), m_kind(tmpl.kind), m_pWidget(pWidget)
{
}

ControlImpl::~ControlImpl() = default;

std::unique_ptr<ControlImpl> ControlImpl::Build(DialogImpl& owner, const ControlTemplate& ct, QRect rc,
                                                ControlImpl* pPrevious, QWidget* pParent)
{
    const QString text = QString::fromStdString(ct.text);
    QWidget* pWidget = nullptr;
    EditInputRule* pInputRule = nullptr;
    switch (ct.kind)
    {
    case ControlKind::PushButton:
    {
        auto* p = new QPushButton(text, pParent);
        p->setAutoDefault(false); // Enter is the dialog's business, through its filters
        p->setDefault(false);
        pWidget = p;
        break;
    }
    case ControlKind::CheckBox:
        pWidget = new WholeRectButton<QCheckBox>(text, pParent);
        break;
    case ControlKind::RadioButton:
    {
        auto* p = new WholeRectButton<QRadioButton>(text, pParent);
        p->setAutoExclusive(false); // exclusive within its template group, not its parent
        pWidget = p;
        break;
    }
    case ControlKind::Edit:
    {
        auto* p = new QLineEdit(text, pParent);
        p->setAlignment(TextAlignment(ct.nStyle));
        p->setReadOnly((ct.nStyle & CTL_READONLY) != 0);
        pInputRule = new EditInputRule((ct.nStyle & CTL_NUMBER) != 0, p);
        p->setValidator(pInputRule);
        pWidget = p;
        break;
    }
    case ControlKind::Static:
    {
        auto* p = new QLabel(text, pParent);
        p->setTextFormat(Qt::PlainText);
        p->setAlignment((TextAlignment(ct.nStyle) & ~Qt::AlignVCenter) | Qt::AlignTop);
        p->setWordWrap(true);
        pWidget = p;
        break;
    }
    case ControlKind::GroupBox:
        pWidget = new QGroupBox(text, pParent);
        break;
    case ControlKind::DropDownList:
    {
        auto* p = new QComboBox(pParent);
        // The template's height includes the dropped list; the closed box is one line high.
        rc.setHeight(std::min(rc.height(), p->sizeHint().height()));
        pWidget = p;
        break;
    }
    case ControlKind::HScrollBar:
        pWidget = new QScrollBar(Qt::Horizontal, pParent);
        break;
    case ControlKind::UpDown:
        break; // below, once the control object exists
    case ControlKind::Progress:
    {
        auto* p = new QProgressBar(pParent);
        p->setTextVisible(false);
        p->setRange(0, 100);
        p->setValue(0);
        pWidget = p;
        break;
    }
    case ControlKind::Tab:
        pWidget = new QTabWidget(pParent);
        break;
    }

    auto pControl = std::make_unique<ControlImpl>(owner, ct, pWidget);
    ControlImpl* pSelf = pControl.get();
    pControl->m_pInputRule = pInputRule;
    const int nId = ct.nId;

    if (ct.kind == ControlKind::UpDown)
    {
        pWidget = new UpDownWidget(pParent, [pSelf](bool bUp) { pSelf->StepUpDown(bUp); });
        pControl->m_pWidget = pWidget;
        if (!(ct.nStyle & CTL_NOBUDDY) && pPrevious != nullptr && pPrevious->m_kind == ControlKind::Edit &&
            pPrevious->m_pWidget != nullptr)
        {
            // Sits at the buddy's right edge, inside it, and steps it with the arrow keys too.
            pControl->m_pBuddy = pPrevious;
            QWidget* pBuddy = pPrevious->m_pWidget;
            QRect rcBuddy = pBuddy->geometry();
            rcBuddy.setWidth(std::max(0, rcBuddy.width() - rc.width()));
            pBuddy->setGeometry(rcBuddy);
            rc = QRect(rcBuddy.right() + 1, rcBuddy.top(), rc.width(), rcBuddy.height());
            pBuddy->installEventFilter(pSelf);
        }
    }

    pWidget->setGeometry(rc);
    pWidget->setProperty("twCtrlId", nId);
    if (ct.nStyle & CTL_DISABLED)
        pWidget->setEnabled(false);
    if (!(ct.nStyle & CTL_TABSTOP))
        pWidget->setFocusPolicy(ct.kind == ControlKind::Static || ct.kind == ControlKind::GroupBox
                                    ? Qt::NoFocus
                                    : Qt::ClickFocus);
    if (ct.kind == ControlKind::GroupBox)
        pWidget->lower();
    pWidget->setVisible(!(ct.nStyle & CTL_HIDDEN));

    DialogImpl* pOwner = &owner;
    switch (ct.kind)
    {
    case ControlKind::PushButton:
        QObject::connect(static_cast<QPushButton*>(pWidget), &QPushButton::clicked, pSelf,
                         [pOwner, nId] { pOwner->DispatchCommand(nId); });
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    {
        auto* pButton = static_cast<QAbstractButton*>(pWidget);
        pButton->setCheckable(true);
        if (ct.kind == ControlKind::RadioButton)
        {
            const bool bContinues = pPrevious != nullptr && pPrevious->m_kind == ControlKind::RadioButton &&
                                    !(ct.nStyle & CTL_GROUP);
            if (bContinues)
            {
                pControl->m_pRadioGroup = pPrevious->m_pRadioGroup;
                pControl->m_nRadioFirstId = pPrevious->m_nRadioFirstId;
            }
            else
            {
                pControl->m_pRadioGroup = new QButtonGroup(pSelf);
                pControl->m_nRadioFirstId = nId;
            }
            pControl->m_pRadioGroup->addButton(pButton);
        }
        QObject::connect(pButton, &QAbstractButton::toggled, pSelf,
                         [pSelf](bool b) { pSelf->m_nCheck = b ? 1 : 0; });
        QObject::connect(pButton, &QAbstractButton::clicked, pSelf,
                         [pOwner, nId] { pOwner->DispatchCommand(nId); });
        break;
    }
    case ControlKind::DropDownList:
        QObject::connect(static_cast<QComboBox*>(pWidget), &QComboBox::activated, pSelf,
                         [pSelf, pOwner, nId](int n)
                         {
                             pSelf->m_nSel = n;
                             pOwner->NotifySelChange(nId);
                         });
        break;
    case ControlKind::HScrollBar:
        pControl->m_pScroll = std::make_unique<ScrollBarLogic>(false, 100);
        pControl->m_pScroll->Attach(static_cast<QScrollBar*>(pWidget), [pOwner, nId](int nCode, int nPos)
                                    { pOwner->NotifyScroll(true, nCode, nPos, nId); });
        break;
    case ControlKind::Tab:
        QObject::connect(static_cast<QTabWidget*>(pWidget), &QTabWidget::currentChanged, pSelf,
                         [pSelf, pOwner, nId](int n)
                         {
                             pSelf->m_nSel = n;
                             if (!pSelf->m_bProgrammatic)
                                 pOwner->NotifyTabSelChange(nId);
                         });
        break;
    default:
        break;
    }
    return pControl;
}

std::string ControlImpl::GetText() const
{
    QWidget* p = m_pWidget;
    if (p == nullptr)
        return {};
    if (auto* pEdit = qobject_cast<QLineEdit*>(p))
        return pEdit->text().toStdString();
    if (auto* pButton = qobject_cast<QAbstractButton*>(p))
        return pButton->text().toStdString();
    if (auto* pLabel = qobject_cast<QLabel*>(p))
        return pLabel->text().toStdString();
    if (auto* pGroup = qobject_cast<QGroupBox*>(p))
        return pGroup->title().toStdString();
    if (auto* pCombo = qobject_cast<QComboBox*>(p))
        return pCombo->currentText().toStdString();
    return p->windowTitle().toStdString();
}

void ControlImpl::SetText(const std::string& strText)
{
    QWidget* p = m_pWidget;
    if (p == nullptr)
        return;
    const QString text = QString::fromStdString(strText);
    if (auto* pEdit = qobject_cast<QLineEdit*>(p))
    {
        // The program's text is shown as it is, whatever the edit would accept from the keyboard.
        const QValidator* pValidator = pEdit->validator();
        pEdit->setValidator(nullptr);
        pEdit->setText(text);
        pEdit->setValidator(pValidator);
    }
    else if (auto* pButton = qobject_cast<QAbstractButton*>(p))
        pButton->setText(text);
    else if (auto* pLabel = qobject_cast<QLabel*>(p))
        pLabel->setText(text);
    else if (auto* pGroup = qobject_cast<QGroupBox*>(p))
        pGroup->setTitle(text);
    else
        p->setWindowTitle(text);
}

void ControlImpl::SetCheck(int nCheck)
{
    auto* pButton = qobject_cast<QAbstractButton*>(m_pWidget.data());
    if (pButton == nullptr)
        return;
    // An exclusive group refuses to uncheck its checked button; a group may have none checked.
    if (m_pRadioGroup != nullptr)
        m_pRadioGroup->setExclusive(false);
    pButton->setChecked(nCheck != 0);
    if (m_pRadioGroup != nullptr)
        m_pRadioGroup->setExclusive(true);
    m_nCheck = nCheck != 0 ? 1 : 0;
}

int ControlImpl::ReadPosFromBuddy(bool* pValid)
{
    *pValid = false;
    if (m_pBuddy == nullptr)
        return m_nPos;
    bool bOk = false;
    const int nValue = QString::fromStdString(m_pBuddy->GetText()).trimmed().toInt(&bOk);
    if (!bOk)
        return m_nPos;
    *pValid = true;
    return std::clamp(nValue, std::min(m_nLower, m_nUpper), std::max(m_nLower, m_nUpper));
}

void ControlImpl::SetUpDownPos(int nPos)
{
    m_nPos = std::clamp(nPos, std::min(m_nLower, m_nUpper), std::max(m_nLower, m_nUpper));
    if (m_pBuddy != nullptr)
        m_pBuddy->SetText(std::to_string(m_nPos));
}

void ControlImpl::StepUpDown(bool bUp)
{
    // The step starts from what the buddy shows, which the user or the program may have changed.
    bool bValid = false;
    const int nPos = ReadPosFromBuddy(&bValid);
    m_nPos = nPos;
    UpDownNotify nm{nPos, (bUp == (m_nUpper >= m_nLower)) ? 1 : -1};
    if (!m_owner.NotifyDeltaPos(m_nId, nm))
        return;
    SetUpDownPos(nPos + nm.iDelta);
}

void ControlImpl::ApplyProgress(int nPos)
{
    auto* pBar = qobject_cast<QProgressBar*>(m_pWidget.data());
    if (pBar != nullptr)
        pBar->setValue(std::clamp(nPos, m_nProgressLower, std::max(m_nProgressLower, m_nProgressUpper)));
    ++m_nProgressApplied;
}

void ControlImpl::PostProgress(int nPos)
{
    m_nProgressLatest = nPos;
    if (!m_bProgressPending.exchange(true))
        QCoreApplication::postEvent(this, new QEvent(PROGRESS_EVENT));
}

bool ControlImpl::event(QEvent* pEvent)
{
    if (pEvent->type() != PROGRESS_EVENT)
        return QObject::event(pEvent);
    ApplyProgress(m_nProgressLatest);
    // Still pending for a while: positions posted meanwhile only update the latest one, which is
    // shown when the wait ends. Cleared before that showing, so no later position is lost.
    QTimer::singleShot(PROGRESS_INTERVAL_MS, this,
                       [this]
                       {
                           m_bProgressPending = false;
                           ApplyProgress(m_nProgressLatest);
                       });
    return true;
}

bool ControlImpl::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // The buddy edit of an up-down control: the arrow keys step it.
    if (m_pBuddy != nullptr && pWatched == m_pBuddy->m_pWidget && pEvent->type() == QEvent::KeyPress)
    {
        const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
        if (nKey == Qt::Key_Up || nKey == Qt::Key_Down)
        {
            if (m_pWidget != nullptr && m_pWidget->isEnabled())
                StepUpDown(nKey == Qt::Key_Up);
            return true;
        }
    }
    return QObject::eventFilter(pWatched, pEvent);
}
