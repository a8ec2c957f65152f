#include "UIToolTip.h"

#include "UIControl.h"
#include "UILabelControl.h"

#include <QCoreApplication>

namespace {
const char *const AttachedProperty = "_uiToolTipAttached";
} // namespace

UIToolTip::UIToolTip()
    : QObject(QCoreApplication::instance())
{}

UIToolTip *UIToolTip::toolTipInstance()
{
    // Owned by the application, so it goes before Qt does.
    static QPointer<UIToolTip> instance;
    if (!instance)
        instance = new UIToolTip;
    return instance;
}

void UIToolTip::attachWidget(UIControl *control, const QString &text)
{
    if (!control)
        return;
    QString shown = text;
    if (shown.isEmpty()) {
        if (const auto *label = qobject_cast<const UILabelControl *>(control))
            shown = label->text();
    }
    // The scene shows item tool tips on its own; the control only needs the text.
    control->setToolTip(shown);
    control->setProperty(AttachedProperty, true);
}

void UIToolTip::detachWidget(UIControl *control)
{
    if (!control || !isAttached(control))
        return;
    control->setToolTip(QString());
    control->setProperty(AttachedProperty, QVariant());
}

bool UIToolTip::isAttached(const UIControl *control) const
{
    return control && control->property(AttachedProperty).toBool();
}
