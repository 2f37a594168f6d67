#include "app/datagram_boxes.h"

#include <algorithm>

#include "app/project_state.h"
#include "dialogs/modeless_notice.h"
#include "dialogs/plain_message_box.h"
#include "dialogs/self_closing_dialog.h"

DatagramBoxes& DatagramBoxes::instance()
{
    static DatagramBoxes boxes;
    return boxes;
}

void DatagramBoxes::Raise(DatagramBoxKind kind, int slot, const QString& text)
{
    Prune();
    const auto same = [&](const Entry& e) { return e.kind == kind && e.slot == slot; };
    if (const auto up = std::find_if(m_open.begin(), m_open.end(), same); up != m_open.end()) {
        up->text = text;
        Refresh(*up);
        return;
    }
    if (const auto waiting = std::find_if(m_waiting.begin(), m_waiting.end(), same);
        waiting != m_waiting.end()) {
        waiting->text = text;
        return;
    }
    Entry entry{kind, slot, text, {}};
    if (int(m_open.size()) < kMaxOnScreen) {
        m_open.push_back(entry);
        Open(m_open.back());
    } else {
        m_waiting.push_back(entry);
    }
}

std::vector<QWidget*> DatagramBoxes::onScreen()
{
    Prune();
    std::vector<QWidget*> boxes;
    for (const Entry& e : m_open)
        boxes.push_back(e.box);
    return boxes;
}

void DatagramBoxes::Open(Entry& entry)
{
    QWidget* owner = m_owner;
    QDialog* box = nullptr;
    if (entry.kind == DatagramBoxKind::PlainMessage) {
        box = new CPlainMessageBox(entry.text, owner);
    } else {
        // The box takes its text when it opens.
        g_strMessage = entry.text;
        box = new CSelfClosingDlg(owner);
    }
    box->setModal(false);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    entry.box = box;
    QObject::connect(box, &QDialog::finished, box, [this, box] { Forget(box); });
    ShowBelowModalDialogs(box);
}

void DatagramBoxes::Refresh(Entry& entry)
{
    if (!entry.box)
        return;
    if (auto* plain = qobject_cast<CPlainMessageBox*>(entry.box.data()))
        plain->SetMessage(entry.text);
    else if (auto* selfClosing = qobject_cast<CSelfClosingDlg*>(entry.box.data()))
        selfClosing->ShowAgain(entry.text);
    // To the front, but the keyboard stays where the operator has it, and
    // a question the operator must answer stays on top.
    RaiseBelowModalDialogs(entry.box);
}

void DatagramBoxes::Forget(QWidget* box)
{
    std::erase_if(m_open, [box](const Entry& e) { return e.box == box; });
    Prune();
}

void DatagramBoxes::Prune()
{
    // Boxes belong to the main window: a new window starts without any.
    QWidget* owner = g_hMainWnd.load();
    if (owner != m_ownerAddress || (m_ownerAddress && !m_owner)) {
        m_open.clear();
        m_waiting.clear();
        m_owner = owner;
        m_ownerAddress = owner;
    }
    std::erase_if(m_open, [](const Entry& e) { return !e.box || !e.box->isVisible(); });
    while (int(m_open.size()) < kMaxOnScreen && !m_waiting.empty()) {
        m_open.push_back(m_waiting.front());
        m_waiting.pop_front();
        Open(m_open.back());
    }
}
