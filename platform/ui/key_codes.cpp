#include "platform/ui/key_codes.h"

#include "platform/ui/ui_types.h"

#include <Qt>

unsigned VirtualKeyFromQtKey(int nQtKey, bool bKeypad)
{
    if (nQtKey >= Qt::Key_A && nQtKey <= Qt::Key_Z)
        return static_cast<unsigned>('A' + (nQtKey - Qt::Key_A));
    if (nQtKey >= Qt::Key_0 && nQtKey <= Qt::Key_9)
        return bKeypad ? VK_NUMPAD0 + (nQtKey - Qt::Key_0)
                       : static_cast<unsigned>('0' + (nQtKey - Qt::Key_0));
    if (nQtKey >= Qt::Key_F1 && nQtKey <= Qt::Key_F24)
        return VK_F1 + (nQtKey - Qt::Key_F1);
    switch (nQtKey)
    {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    // The ',' and '.' keys give the same code with or without Shift.
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return VK_OEM_COMMA;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return bKeypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Minus:
        return bKeypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Plus:
        return bKeypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Equal:
        return VK_OEM_PLUS;
    case Qt::Key_Asterisk:
        return VK_MULTIPLY;
    case Qt::Key_Slash:
        return bKeypad ? VK_DIVIDE : VK_OEM_2;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return VK_OEM_1;
    default:
        return 0;
    }
}
