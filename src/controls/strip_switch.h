#pragma once

#include <QRect>
#include <QWidget>

#include "protocol/numbering.h"

// The two-state switch of a channel strip (Pol, Pad, 48v, Mute, Split, Safe,
// Rbin, Sqrt, Link). A click toggles its picture and raises the strip
// command at the main window; holding the button and sweeping across
// switches of the same kind repeats the command channel by channel.
class CNewCustomBtn : public QWidget {
    Q_OBJECT
public:
    enum State : int { kOff = SWITCH_OFF, kOn = SWITCH_ON, kDisabled = SWITCH_DISABLED };

    CNewCustomBtn(QWidget* parent, int id, int channel, int bmpOff, int bmpOn, int bmpDisabled);

    // Channels whose unit cannot take the switch now: disabled, the unit of
    // the channel inactive or off line, or the missing half of an
    // 8-channel unit.
    bool IsBlocked() const;

    // Sets the state and repaints; the switch itself only toggles on a click.
    void SetState(int state);

    int m_nState = kOff;
    QRect m_rcClient;
    int m_nIndex = 0;
    unsigned m_nId = 0;
    QWidget* m_pParent = nullptr;
    int m_nBmpOff = 0;
    int m_nBmpOn = 0;
    int m_nBmpDisabled = 0;
    int m_nKind = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void UpdateCursor();
};

// The switch created last (the creating view copies it into its table).
extern CNewCustomBtn* g_pLastCustomBtn;

// Creates a switch over rect (parent coordinates); the disabled picture
// defaults to the off picture. The switch carries its kind's control id
// (kind * 1000), which every switch of that kind in a view shares.
CNewCustomBtn* CreateNewCustomBtnEx(QWidget* parent, int id, int channel, int bmpOff, int bmpOn,
                                    int bmpDisabled, const QRect& rect);
CNewCustomBtn* CreateNewCustomBtn(QWidget* parent, int id, int channel, int bmpOff, int bmpOn,
                                  const QRect& rect);

// The slot whose unit a strip control of the channel consults: the first
// slot of its pair below channel 256, the channel's own slot above (every
// 8-channel remote unit owns its slot).
int ControlUnitSlot(int channel);
