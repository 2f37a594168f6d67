#pragma once

// Numeric control ids on child widgets. The layouts, the command handlers
// and the skinned buttons name their controls by these ids; several
// controls may share one id (the skinned buttons all carry 1030), in which
// case a lookup finds the first in creation order.

class QWidget;

// The id the layouts give to controls whose id nothing looks up.
constexpr int kStaticControlId = -1;

void SetControlId(QWidget* widget, int id);
// The control id of widget; kStaticControlId when it has none.
int ControlId(const QWidget* widget);
// The first direct child of parent that carries id; nullptr when there is none.
QWidget* FindChildById(const QWidget* parent, int id);
