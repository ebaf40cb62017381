#include "platform/ui/dialog_services.h"

#include "platform/ui/dialog.h"
#include "platform/ui/dialog_impl.h"
#include "platform/ui/ui_application.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace
{
QWidget* OwnerWidget(Dialog* pOwner)
{
    if (pOwner == nullptr && UiApplication::Instance() != nullptr)
        pOwner = UiApplication::Instance()->GetMainDialog();
    return pOwner != nullptr && pOwner->IsWindow() ? pOwner->Impl().Window() : nullptr;
}

// "Text (*.a)|*.a|Other (*.b)|*.b||" to the toolkit's "Text (*.a);;Other (*.b)".
QString ToolkitFilter(const std::string& strFilter)
{
    const QStringList parts = QString::fromStdString(strFilter).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2)
    {
        if (parts[i].isEmpty())
            break;
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << (parts[i].contains(QLatin1Char('('))
                        ? parts[i]
                        : parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

class QtDialogServices : public DialogServices
{
  public:
    int MessageBox(Dialog* pOwner, const std::string& strText, const std::string& strCaption,
                   unsigned nType) override
    {
        QString caption = QString::fromStdString(strCaption);
        if (caption.isEmpty() && UiApplication::Instance() != nullptr)
            caption = QString::fromStdString(UiApplication::Instance()->GetAppName());
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        switch (nType & 0xF0)
        {
        case MB_ICONERROR:
            icon = QMessageBox::Critical;
            break;
        case MB_ICONQUESTION:
            icon = QMessageBox::Question;
            break;
        case MB_ICONWARNING:
            icon = QMessageBox::Warning;
            break;
        case MB_ICONINFORMATION:
            icon = QMessageBox::Information;
            break;
        default:
            break;
        }
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        if ((nType & 0x0F) == MB_OKCANCEL)
            buttons = QMessageBox::Ok | QMessageBox::Cancel;
        else if ((nType & 0x0F) == MB_YESNO)
            buttons = QMessageBox::Yes | QMessageBox::No;
        QMessageBox box(icon, caption, QString::fromStdString(strText), buttons, OwnerWidget(pOwner));
        switch (box.exec())
        {
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
        }
    }

    bool SaveFile(Dialog* pOwner, const SaveFileRequest& request, std::string* pPath) override
    {
        QFileDialog dialog(OwnerWidget(pOwner), QString(), QString::fromStdString(request.strInitialFolder),
                           ToolkitFilter(request.strFilter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // No question before an existing file is replaced.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.setDefaultSuffix(QString::fromStdString(request.strDefaultExt));
        if (!request.strInitialName.empty())
            dialog.selectFile(QString::fromStdString(request.strInitialName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        if (pPath != nullptr)
            *pPath = dialog.selectedFiles().front().toStdString();
        return true;
    }

    bool BrowseForFolder(Dialog* pOwner, const std::string& strTitle, std::string* pFolder) override
    {
        const QString folder =
            QFileDialog::getExistingDirectory(OwnerWidget(pOwner), QString::fromStdString(strTitle));
        if (folder.isEmpty())
            return false;
        if (pFolder != nullptr)
            *pFolder = folder.toStdString();
        return true;
    }
};

QtDialogServices g_qtDialogServices;
DialogServices* g_pDialogServices = &g_qtDialogServices;
} // namespace

DialogServices& GetDialogServices()
{
    return *g_pDialogServices;
}

void SetDialogServices(DialogServices* pServices)
{
    g_pDialogServices = pServices != nullptr ? pServices : &g_qtDialogServices;
}
