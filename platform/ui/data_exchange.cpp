#include "platform/ui/data_exchange.h"

#include "platform/ui/control.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_impl.h"

void DataExchange::BindControl(int nId, Control& control)
{
    control.Attach(m_dialog.Impl().FindControl(nId));
}

void DataExchange::Radio(int nFirstId, int& nIndex)
{
    if (m_bSaveAndValidate)
        nIndex = m_dialog.GetRadioIndex(nFirstId);
    else
        m_dialog.SetRadioIndex(nFirstId, nIndex);
}
