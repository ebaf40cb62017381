#include "platform/ui/control_impl.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_impl.h"
#include "resources/dialog_templates.h"
#include "resources/page_templates.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

#include <gtest/gtest.h>

namespace
{
// Where a control draws its caption and how it lays it out there: statics wrap at word breaks,
// buttons centre their lines, check boxes, radio buttons and group titles keep to one line.
std::pair<QRect, int> CaptionArea(const QWidget& widget, ControlKind kind, const QString& text)
{
    const QStyle& style = *widget.style();
    QStyleOptionButton button;
    button.initFrom(&widget);
    button.text = text;
    QStyleOptionGroupBox group;
    group.initFrom(&widget);
    group.text = text;
    group.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    group.textAlignment = Qt::AlignLeft;
    switch (kind)
    {
    case ControlKind::Static:
        return {widget.contentsRect(),
                static_cast<int>(static_cast<const QLabel&>(widget).alignment()) | Qt::TextWordWrap};
    case ControlKind::PushButton:
        return {style.subElementRect(QStyle::SE_PushButtonContents, &button, &widget), Qt::AlignCenter};
    case ControlKind::CheckBox:
        return {style.subElementRect(QStyle::SE_CheckBoxContents, &button, &widget), Qt::AlignLeft};
    case ControlKind::RadioButton:
        return {style.subElementRect(QStyle::SE_RadioButtonContents, &button, &widget), Qt::AlignLeft};
    case ControlKind::GroupBox:
        return {style.subControlRect(QStyle::CC_GroupBox, &group, QStyle::SC_GroupBoxLabel, &widget) &
                    widget.rect(),
                Qt::AlignLeft};
    default:
        return {};
    }
}

// Every caption of every template shows whole in its control, in the font the dialog gives it.
TEST(CaptionFit, EveryCaptionShowsWholeInItsControl)
{
    const std::pair<const char*, const DialogTemplate*> templates[] = {
        {"main dialog", &TarnwickDlgTemplate()}, {"Gain", &TabGUIGainTemplate()},
        {"Shutter", &TabGUIShutterTemplate()},   {"Resolution", &TabGUIPartialTemplate()},
        {"Rec", &TabGUIRecTemplate()},           {"viewer", &TarnwickWndTemplate()},
    };
    for (const auto& [pName, pTemplate] : templates)
    {
        DialogTemplate tmpl = *pTemplate;
        tmpl.nStyle &= ~(DLG_CHILD | DLG_VISIBLE); // a page measured on its own
        Dialog dlg(tmpl);
        ASSERT_TRUE(dlg.Create(nullptr)) << pName;
        const auto& controls = dlg.Impl().m_controls;
        ASSERT_EQ(controls.size(), tmpl.controls.size()) << pName;
        for (size_t i = 0; i < controls.size(); ++i)
        {
            const QString text = QString::fromStdString(tmpl.controls[i].text);
            if (text.isEmpty())
                continue;
            const QWidget& widget = *controls[i]->m_pWidget;
            const auto [rc, nFlags] = CaptionArea(widget, tmpl.controls[i].kind, text);
            const QRect need = QFontMetrics(widget.font()).boundingRect(rc, nFlags, text);
            EXPECT_TRUE(rc.width() >= need.width() && rc.height() >= need.height())
                << pName << " \"" << text.toStdString() << "\" needs " << need.width() << "x" << need.height()
                << ", its control shows " << rc.width() << "x" << rc.height();
        }
        dlg.DestroyWindow();
    }
}
} // namespace
