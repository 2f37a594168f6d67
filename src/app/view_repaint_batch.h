#pragma once

#include <QWidget>

#include <initializer_list>
#include <vector>

// Holds back the repaints of the views while many of their strip controls
// change at once (a project loading, a scene recalled, every channel reset):
// each view then repaints once, whole, when the batch ends. Without it every
// switch that changed is a widget of its own to repaint, and the toolkit
// weighs each one against all the thousands of controls beside it.
// Batches nest; only the outermost lets the views repaint again.
class ViewRepaintBatch {
public:
    explicit ViewRepaintBatch(std::initializer_list<QWidget*> views)
    {
        for (QWidget* view : views) {
            if (view && view->updatesEnabled()) {
                view->setUpdatesEnabled(false);
                m_held.push_back(view);
            }
        }
    }
    ~ViewRepaintBatch()
    {
        for (QWidget* view : m_held)
            view->setUpdatesEnabled(true); // repaints the whole view
    }
    ViewRepaintBatch(const ViewRepaintBatch&) = delete;
    ViewRepaintBatch& operator=(const ViewRepaintBatch&) = delete;

private:
    std::vector<QWidget*> m_held;
};
