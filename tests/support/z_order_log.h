#pragma once

// Records the windows brought to the front (QWidget::raise sends each a
// ZOrderChange), so a test sees what was stacked over what even where the
// platform keeps no stacking order of its own (offscreen).

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <vector>

namespace console_test {

class ZOrderLog : public QObject {
public:
    ZOrderLog() { QCoreApplication::instance()->installEventFilter(this); }
    ~ZOrderLog() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ZOrderChange) {
            if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow())
                raised.push_back(widget);
        }
        return false;
    }

    // The windows raised, in order.
    std::vector<QWidget*> raised;
};

} // namespace console_test
