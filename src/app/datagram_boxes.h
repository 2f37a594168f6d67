#pragma once

#include <QPointer>
#include <QString>

#include <deque>
#include <vector>

#include "app/app_services.h"

class QWidget;

// The boxes that unit datagrams raise, as the operator sees them. A datagram
// is handled to its end at once, so its box is shown without a loop of its
// own and without taking the keyboard focus. There is one box per kind and
// slot: a repeat puts its text into the box that is up (or still waiting)
// and brings it to the front (never over a modal dialog, nor does a box
// that opens). At most kMaxOnScreen are on screen; the others wait, one per
// kind and slot, and open as boxes close.
class DatagramBoxes {
public:
    static constexpr int kMaxOnScreen = 3;

    // The boxes of the main window (owner of every box).
    static DatagramBoxes& instance();

    void Raise(DatagramBoxKind kind, int slot, const QString& text);

    // The boxes up now, oldest first.
    std::vector<QWidget*> onScreen();
    // Boxes waiting for room on screen.
    int waitingCount() const { return int(m_waiting.size()); }

private:
    struct Entry {
        DatagramBoxKind kind;
        int slot;
        QString text;
        QPointer<QWidget> box;
    };

    void Forget(QWidget* box);
    void Open(Entry& entry);
    static void Refresh(Entry& entry);
    // Drops boxes that went without telling (their owner went).
    void Prune();

    // The main window the boxes belong to.
    QPointer<QWidget> m_owner;
    QWidget* m_ownerAddress = nullptr;
    std::vector<Entry> m_open;
    std::deque<Entry> m_waiting;
};
