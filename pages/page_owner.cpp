#include "pages/page_owner.h"

#include "platform/ui/dialog.h"
#include "platform/ui/ui_application.h"

PageOwner* GetPageOwner()
{
    UiApplication* pApp = UiApplication::Instance();
    if (pApp == nullptr)
        return nullptr;
    return dynamic_cast<PageOwner*>(pApp->GetMainDialog());
}
