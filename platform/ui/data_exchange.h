#pragma once

class Control;
class Dialog;

// Moves data between a dialog's controls and its members: binds control wrappers to their
// controls, and radio-group indexes to ints. Dialog::UpdateData runs the dialog's
// DoDataExchange with one of these.
class DataExchange
{
  public:
    DataExchange(Dialog& dialog, bool bSaveAndValidate)
        : m_dialog(dialog), m_bSaveAndValidate(bSaveAndValidate)
    {
    }

    // True when data goes from the controls into the members.
    bool IsSaving() const { return m_bSaveAndValidate; }
    // Binds the wrapper to control nId of the dialog (either direction).
    void BindControl(int nId, Control& control);
    // Towards the controls: checks button nIndex of the group that starts at nFirstId (none for
    // -1). From the controls: the checked button's index, -1 when none is checked.
    void Radio(int nFirstId, int& nIndex);

  private:
    Dialog& m_dialog;
    bool m_bSaveAndValidate;
};
