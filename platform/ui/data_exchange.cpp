#include "platform/ui/data_exchange.h"

#include "platform/ui/control.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_impl.h"

void DataExchange::BindControl(int nId, Control& control)
{
    // Every exchange passes here, but only the first binds: other threads read bound controls
    // (check states, scroll positions) while the dialog moves its data.
    ControlImpl* pImpl = m_dialog.Impl().FindControl(nId);
    if (control.Impl() != pImpl)
        control.Attach(pImpl);
}

void DataExchange::Radio(int nFirstId, int& nIndex)
{
    if (m_bSaveAndValidate)
        nIndex = m_dialog.GetRadioIndex(nFirstId);
    else
        m_dialog.SetRadioIndex(nFirstId, nIndex);
}
