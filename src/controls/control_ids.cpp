#include "controls/control_ids.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr char kIdProperty[] = "corvaneControlId";
} // namespace

void SetControlId(QWidget* widget, int id)
{
    if (widget)
        widget->setProperty(kIdProperty, id);
}

int ControlId(const QWidget* widget)
{
    if (!widget)
        return kStaticControlId;
    bool ok = false;
    const int id = widget->property(kIdProperty).toInt(&ok);
    return ok ? id : kStaticControlId;
}

QWidget* FindChildById(const QWidget* parent, int id)
{
    if (!parent)
        return nullptr;
    for (QObject* child : parent->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow()
            && ControlId(widget) == id)
            return widget;
    }
    return nullptr;
}
