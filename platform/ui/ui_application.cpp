#include "platform/ui/ui_application.h"

#include "platform/ui/dialog_impl.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/key_codes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>

#include <cstdlib>

namespace
{
UiApplication* g_pUiApplication = nullptr;
} // namespace

class UiApplicationImpl;

// The toolkit application, which hands each key and mouse-button message to the filters before
// the toolkit dispatches it.
class RoutingApplication : public QApplication
{
public:
    RoutingApplication(int& argc, char** argv, UiApplicationImpl& owner) : QApplication(argc, argv), m_owner(owner) {}
    bool notify(QObject* pReceiver, QEvent* pEvent) override;

private:
    UiApplicationImpl& m_owner;
};

class UiApplicationImpl
{
public:
    UiApplicationImpl(int& argc, char** argv) : m_app(argc, argv, *this) {}

    // True when a filter claimed the message.
    bool Route(QWidget* pReceiver, QEvent* pEvent);

    RoutingApplication m_app;
    Dialog* m_pMainDialog = nullptr;
    std::string m_strAppName;

private:
    static bool BuildMessage(QWidget* pReceiver, QEvent* pEvent, Message& msg);
};

bool RoutingApplication::notify(QObject* pReceiver, QEvent* pEvent)
{
    switch (pEvent->type())
    {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // Only the input itself; events the toolkit re-sends to other widgets are not offered again.
        if (pEvent->spontaneous() && pReceiver->isWidgetType() &&
            m_owner.Route(static_cast<QWidget*>(pReceiver), pEvent))
            return true;
        break;
    default: break;
    }
    return QApplication::notify(pReceiver, pEvent);
}

bool UiApplicationImpl::BuildMessage(QWidget* pReceiver, QEvent* pEvent, Message& msg)
{
    // The dialog the receiver belongs to, and the control within it.
    DialogImpl* pDialog = nullptr;
    QWidget* pTarget = nullptr;
    for (QWidget* p = pReceiver; p != nullptr; p = p->parentWidget())
    {
        if (auto* pClient = dynamic_cast<ClientWidget*>(p))
        {
            pDialog = pClient->m_pOwner;
            pTarget = pTarget != nullptr ? pTarget : p;
            break;
        }
        if (auto* pFrame = dynamic_cast<DialogWidget*>(p))
        {
            pDialog = pFrame->m_pOwner;
            pTarget = pTarget != nullptr ? pTarget : p;
            break;
        }
        if (pTarget == nullptr)
        {
            const QVariant id = p->property("twCtrlId");
            if (id.isValid())
            {
                msg.nCtrlId = id.toInt();
                pTarget = p;
            }
        }
    }
    if (pDialog == nullptr || !pDialog->m_bAlive)
        return false;
    msg.pDialog = &pDialog->m_owner;

    if (pEvent->type() == QEvent::KeyPress || pEvent->type() == QEvent::KeyRelease)
    {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        const bool bAlt = pKey->modifiers().testFlag(Qt::AltModifier);
        const bool bDown = pEvent->type() == QEvent::KeyPress;
        msg.nMessage = bDown ? (bAlt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (bAlt ? WM_SYSKEYUP : WM_KEYUP);
        msg.nKey = VirtualKeyFromQtKey(pKey->key(), pKey->modifiers().testFlag(Qt::KeypadModifier));
        msg.bRepeat = pKey->isAutoRepeat();
        return msg.nKey != 0;
    }

    const auto* pMouse = static_cast<QMouseEvent*>(pEvent);
    const bool bLeft = pMouse->button() == Qt::LeftButton;
    if (!bLeft && pMouse->button() != Qt::RightButton)
        return false;
    switch (pEvent->type())
    {
    case QEvent::MouseButtonPress: msg.nMessage = bLeft ? WM_LBUTTONDOWN : WM_RBUTTONDOWN; break;
    case QEvent::MouseButtonRelease: msg.nMessage = bLeft ? WM_LBUTTONUP : WM_RBUTTONUP; break;
    default: msg.nMessage = bLeft ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK; break;
    }
    msg.nKey = pDialog->MouseFlags(pMouse->buttons(), pMouse->modifiers());
    const QPoint pt = pReceiver->mapTo(pTarget, pMouse->position().toPoint());
    msg.pt = Point{pt.x(), pt.y()};
    return true;
}

bool UiApplicationImpl::Route(QWidget* pReceiver, QEvent* pEvent)
{
    Message msg;
    if (!BuildMessage(pReceiver, pEvent, msg))
        return false;
    // The target's dialog, then its parents up to the top-level dialog.
    DialogImpl* pDialog = &msg.pDialog->Impl();
    DialogImpl* pTop = pDialog;
    while (pDialog != nullptr)
    {
        if (pDialog->m_owner.PreTranslateMessage(msg))
            return true;
        pTop = pDialog;
        Dialog* pParent = pDialog->m_pParent;
        const bool bChild = (pDialog->m_template.nStyle & DLG_CHILD) != 0;
        pDialog = bChild && pParent != nullptr && pParent->IsWindow() ? &pParent->Impl() : nullptr;
    }
    // Another top-level window (a viewer): the main dialog has the last word.
    if (m_pMainDialog != nullptr && pTop != &m_pMainDialog->Impl() && m_pMainDialog->IsWindow())
        return m_pMainDialog->PreTranslateMessage(msg);
    return false;
}

UiApplication::UiApplication(int& argc, char** argv) : m_pImpl(std::make_unique<UiApplicationImpl>(argc, argv))
{
    g_pUiApplication = this;
    // The templates name a Windows Gothic face; an installed Japanese Gothic font stands in for it.
    const QString gothic = QString::fromStdString(ResolveDialogFontFamily("MS UI Gothic"));
    QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), gothic);
    QFont font(gothic);
    font.setPixelSize(DialogFontPixelSize(9));
    QApplication::setFont(font);
}

UiApplication::~UiApplication()
{
    if (g_pUiApplication == this)
        g_pUiApplication = nullptr;
}

UiApplication* UiApplication::Instance()
{
    return g_pUiApplication;
}

void UiApplication::SetMainDialog(Dialog* pDialog)
{
    m_pImpl->m_pMainDialog = pDialog;
}

Dialog* UiApplication::GetMainDialog() const
{
    return m_pImpl->m_pMainDialog;
}

void UiApplication::SetAppName(const std::string& strName)
{
    m_pImpl->m_strAppName = strName;
    QApplication::setApplicationName(QString::fromStdString(strName));
}

std::string UiApplication::GetAppName() const
{
    return m_pImpl->m_strAppName;
}

void UiApplication::PumpEvents(int nMs)
{
    QElapsedTimer timer;
    timer.start();
    do
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, std::max(1, nMs - static_cast<int>(timer.elapsed())));
    } while (timer.elapsed() < nMs);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool UiApplication::IsUiThread()
{
    return QCoreApplication::instance() != nullptr && QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool UiApplication::DisplayAvailable()
{
    for (const char* pName : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
    {
        const char* pValue = std::getenv(pName);
        if (pValue != nullptr && *pValue != '\0')
            return true;
    }
    return false;
}
