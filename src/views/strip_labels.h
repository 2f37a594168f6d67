#pragma once

#include <QRect>
#include <QString>

class QPainter;
class QWidget;

// The painted labels of the channel-strip view: channel number, gain
// read-out, meter box, meter scale, channel title, unit header pieces, edge
// pictures and the unit badge. A label is not a window of its own: the view
// paints it in its place from the project tables every time and hands it
// the clicks inside its box. Its kind (control id / 1000) decides both.
enum StaticTextKind : int {
    TEXT_GAIN_READOUT = 14,
    TEXT_METER = 31,
    TEXT_METER_SCALE = 32,
    TEXT_CHANNEL_TITLE = 33,
    TEXT_CHANNEL_NUMBER = 34,
    TEXT_UNIT_HEADER = 35,
    TEXT_HEADER_LEFT = 36,
    TEXT_HEADER_RIGHT = 37,
    TEXT_CHANNEL_EDGE = 38,
    TEXT_UNIT_EDGE = 39,
    TEXT_UNIT_BADGE = 40,
};

class CMyStaticTextButton {
public:
    CMyStaticTextButton(QWidget* parent, int id, int index, QString text, const QRect& rect);

    // Paints the label by its kind at its place (parent coordinates).
    void Draw(QPainter& painter) const;
    // Asks the parent to paint the label again.
    void Invalidate() const;

    // Clicks inside the label.
    void OnLButtonDown();
    void OnRButtonDown();

    QRect m_rect;      // in the parent's coordinates
    QRect m_rcClient;  // (0, 0, width, height)
    int m_nIndex = 0;  // channel, slot index, or the slot's first channel (unit header)
    QString m_strText;
    QWidget* m_pParent = nullptr;
    int m_nKind = 0;
};

// The label created last, copied by the creating view into its tables.
extern CMyStaticTextButton* g_pLastStaticTextButton;

CMyStaticTextButton* CreateStaticTextButton(QWidget* parent, int id, int index, const QString& text,
                                            const QRect& rect);

// A unit header: the unit's name and, over the two halves of a 16-channel
// unit, the " - A" or " - B" that tells them apart (empty elsewhere).
struct UnitHeader {
    QString name;
    QString half;
    QString text() const { return name + half; }
};

// The header of the channel-strip view for the header label's index (the
// slot's first channel): "<name> - A" / "<name> - B" for the two halves of a
// 16-channel unit, the name alone for the remote units.
UnitHeader StripUnitHeader(int index);

// Draws a header whole in the painter's font and pen, vertically centred:
// centred in the box when it fits, else from the box's left edge and cut
// where the box ends.
void DrawUnitHeader(QPainter& painter, const QRect& box, const UnitHeader& header);
