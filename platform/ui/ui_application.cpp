#include "platform/ui/ui_application.h"

#include "platform/ui/dialog_impl.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/key_codes.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QThread>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace
{
UiApplication* g_pUiApplication = nullptr;

std::string Env(const char* pName)
{
    const char* pValue = std::getenv(pName);
    return pValue != nullptr ? pValue : "";
}

std::string Quoted(const std::string& str)
{
    return "\"" + str + "\"";
}

// Whether a platform plug-in whose file name starts with libq<strName> is where the toolkit looks.
bool PluginInstalled(const std::string& strName)
{
    QStringList dirs = qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    dirs.append(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    const QStringList filter{QStringLiteral("libq%1*").arg(QString::fromStdString(strName))};
    for (const QString& dir : dirs)
    {
        if (!QDir(dir + QStringLiteral("/platforms")).entryList(filter, QDir::Files).isEmpty())
            return true;
    }
    return false;
}

// A server with no other client (Xvfb, as started by xvfb-run) resets when its last client leaves,
// and refuses connections while it does: the toolkit connecting right after the probe has gone
// would fail. So the probe's connection stays open until the toolkit has made its own.
xcb_connection_t* g_pProbeConnection = nullptr; // user-interface thread only, before and at start-up

void HoldProbeConnection(xcb_connection_t* pConnection)
{
    if (g_pProbeConnection != nullptr)
        xcb_disconnect(g_pProbeConnection);
    g_pProbeConnection = pConnection;
}

// X11: a server must accept a connection (the library reads the authorisation as the toolkit does).
bool XServerAccepts(std::string& strWhy)
{
    const std::string strDisplay = Env("DISPLAY");
    if (strDisplay.empty())
    {
        strWhy = "DISPLAY is not set";
        return false;
    }
    xcb_connection_t* pConnection = xcb_connect(strDisplay.c_str(), nullptr);
    const int nError = xcb_connection_has_error(pConnection);
    if (nError == 0)
        HoldProbeConnection(pConnection);
    else
        xcb_disconnect(pConnection);
    switch (nError)
    {
    case 0:
        if (PluginInstalled("xcb"))
            return true;
        strWhy = "the X11 platform plug-in of Qt is not installed";
        return false;
    case XCB_CONN_CLOSED_PARSE_ERR:
        strWhy = "DISPLAY " + Quoted(strDisplay) + " is not a display name";
        return false;
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        strWhy = "the X server of DISPLAY " + Quoted(strDisplay) + " has no such screen";
        return false;
    default:
        strWhy = "no X server accepts a connection on DISPLAY " + Quoted(strDisplay);
        return false;
    }
}

// Wayland: a compositor must listen on the socket, named absolutely or in XDG_RUNTIME_DIR.
bool WaylandCompositorListens(std::string& strWhy)
{
    std::string strName = Env("WAYLAND_DISPLAY");
    if (strName.empty())
        strName = "wayland-0";
    std::string strPath = strName;
    if (strName.front() != '/')
    {
        const std::string strDir = Env("XDG_RUNTIME_DIR");
        if (strDir.empty())
        {
            strWhy =
                "XDG_RUNTIME_DIR is not set, so the Wayland socket " + Quoted(strName) + " cannot be found";
            return false;
        }
        strPath = strDir + "/" + strName;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    bool bListens = false;
    if (strPath.size() < sizeof address.sun_path)
    {
        std::memcpy(address.sun_path, strPath.c_str(), strPath.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        bListens = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (fd >= 0)
            ::close(fd);
    }
    if (!bListens)
    {
        strWhy = "no Wayland compositor listens at " + Quoted(strPath);
        return false;
    }
    if (PluginInstalled("wayland"))
        return true;
    strWhy = "the Wayland platform plug-in of Qt is not installed";
    return false;
}

// The platforms the toolkit tries, in order, and whether one of them will open; strWhy gathers
// why each will not.
bool FindDisplay(std::string& strWhy)
{
    std::vector<std::string> platforms;
    const std::string strChosen = Env("QT_QPA_PLATFORM");
    if (!strChosen.empty())
    {
        std::istringstream list(strChosen);
        for (std::string strItem; std::getline(list, strItem, ';');)
            platforms.push_back(strItem.substr(0, strItem.find(':'))); // options follow a colon
    }
    else
    {
        const bool bWaylandSession = !Env("WAYLAND_DISPLAY").empty() || Env("XDG_SESSION_TYPE") == "wayland";
        if (Env("DISPLAY").empty() && !bWaylandSession)
        {
            strWhy = "neither DISPLAY nor WAYLAND_DISPLAY is set";
            return false;
        }
        if (bWaylandSession)
            platforms.push_back("wayland");
        platforms.push_back("xcb");
    }
    for (const std::string& strPlatform : platforms)
    {
        std::string strReason;
        bool bOpens = true; // offscreen and the other platforms without a display
        if (strPlatform == "xcb")
            bOpens = XServerAccepts(strReason);
        else if (strPlatform.starts_with("wayland"))
            bOpens = WaylandCompositorListens(strReason);
        if (bOpens)
            return true;
        strWhy += (strWhy.empty() ? "" : "; ") + strReason;
    }
    return false;
}

// The pop-up window of a combo box that holds the combo box's own list.
bool IsDropDownList(const QWidget* p)
{
    const auto* pCombo = qobject_cast<const QComboBox*>(p->parentWidget());
    return p->windowType() == Qt::Popup && pCombo != nullptr && pCombo->view()->window() == p;
}
} // namespace

class UiApplicationImpl;

// The toolkit application, which hands each key and mouse-button message to the filters before
// the toolkit dispatches it.
class RoutingApplication : public QApplication
{
  public:
    RoutingApplication(int& argc, char** argv, UiApplicationImpl& owner)
        : QApplication(argc, argv), m_owner(owner)
    {
    }
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
    default:
        break;
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
        // Another window (a file dialog, a message box, a context menu), whoever its parent: its
        // input is its own. Only a combo box's open list still belongs to the combo box.
        if (p->isWindow() && !IsDropDownList(p))
            return false;
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
    case QEvent::MouseButtonPress:
        msg.nMessage = bLeft ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
        break;
    case QEvent::MouseButtonRelease:
        msg.nMessage = bLeft ? WM_LBUTTONUP : WM_RBUTTONUP;
        break;
    default:
        msg.nMessage = bLeft ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK;
        break;
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

UiApplication::UiApplication(int& argc, char** argv)
    : m_pImpl(std::make_unique<UiApplicationImpl>(argc, argv))
{
    g_pUiApplication = this;
    HoldProbeConnection(nullptr); // the toolkit holds its own connection now
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
        QCoreApplication::processEvents(QEventLoop::AllEvents,
                                        std::max(1, nMs - static_cast<int>(timer.elapsed())));
    } while (timer.elapsed() < nMs);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool UiApplication::IsUiThread()
{
    return QCoreApplication::instance() != nullptr &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool UiApplication::DisplayAvailable(std::string* pWhy)
{
    std::string strWhy;
    const bool bAvailable = FindDisplay(strWhy);
    if (pWhy != nullptr)
        *pWhy = bAvailable ? std::string() : strWhy;
    return bAvailable;
}
