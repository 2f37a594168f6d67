#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

#include "protocol/numbering.h"
#include "views/overview_meter.h"
#include "views/strip_labels.h"

class CMySlider;
class CNewCustomBtn;
class Clock;

// Width of the overview as its layout measures it (1242 once laid out).
extern int g_nOverviewWidth;

// The overview: all 48 slots at once as 24 rows of two small slots, the odd
// slot of each pair on the left ("A"), the even one on the right ("B").
// Switches and faders are child widgets; headers, channel numbers, gain
// read-outs, link labels and meters are painted by the view from the
// project tables and the meter state. The main window scrolls it vertically
// by moving the whole window inside its parent, so element rectangles never
// change after the layout.
class COverviewWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRowCount = 24;
    static constexpr int kRowHeight = 168;
    static constexpr int kStripWidth = 75;
    static constexpr int kColumnOffset = 616; // the B slot's origin
    static constexpr int kWidth = 1242;
    static constexpr int kHeight = kRowCount * kRowHeight;
    static constexpr QRgb kBackground = qRgb(80, 96, 128);

    COverviewWnd(QWidget* parent, const Clock& clock);
    ~COverviewWnd() override;

    // Builds every slot and strip once; sets g_nOverviewWidth and g_pOverview.
    void BuildLayout();

    // The overview's gain read-out ("%+d dB") for a gain in dB as the core computes it.
    void SetGainText(int channel, int gain);
    // Repaint a channel's link label from the link tables (the label argument
    // is what the tables already hold).
    void SetLinkLabel(int channel, const QString& label);
    void DrawLinkLabel(int channel);
    // The meter from a unit's level in dB.
    void DrawMeterDb(int channel, float levelDb);
    // The meter during the meter test: step 0 (full) to 20 (empty) and the
    // gradient index of the bar's top.
    void DrawMeterStep(int channel, int step, int colourIndex);
    // The meter as before any level: unlit, no held peak.
    void ClearMeter(int channel);
    // The meters drawn so far show the meter preferences now set (peak
    // markers, red zone) at once, without waiting for their next level.
    void ApplyMeterPreferences();

    // Origin of a slot (index 0..47) and of a channel's strip, in view coordinates.
    static QPoint SlotOrigin(int slotIndex);
    static QPoint StripOrigin(int channel);
    // The rectangle the meter picture (8 x 101) covers.
    QRect MeterPictureRect(int channel) const;

    const overview_meter::Picture& meterPicture(int channel) const { return m_meter[std::size_t(channel)]; }
    // Meter repaint requests since start (for measurements and tests).
    std::uint64_t meterUpdates() const { return m_meterUpdates; }

    // Per slot index: the header pieces and the slot's right edge.
    std::array<QRect, kSlotCount> m_rcTopUnitLeft{};
    std::array<QRect, kSlotCount> m_rcTopUnitRight{};
    std::array<QRect, kSlotCount> m_rcUnitName{};
    std::array<QRect, kSlotCount> m_rcUnitRightEdge{};
    // Per channel: the painted boxes.
    std::array<QRect, kChannelCount> m_rcChannelNumber{};
    std::array<QRect, kChannelCount> m_rcStripEdge{};
    std::array<QRect, kChannelCount> m_rcGainText{};
    std::array<QRect, kChannelCount> m_rcMeter{};
    std::array<QRect, kChannelCount> m_rcLinkLabel{};

    std::array<CNewCustomBtn*, kChannelCount> m_pPolButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pPadButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_p48vButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pMuteButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pRbinButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pSplitButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pSafeButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pSqrtButton{};
    std::array<CMySlider*, kChannelCount> m_Slider{};
    // The held peak of each meter: whole dB from units, bar pixels in the
    // meter test; kNoMeterPeak until the first level.
    static constexpr int kNoMeterPeak = overview_meter::kNoMarker;
    std::array<int, kChannelCount> m_nMeterPeak{};

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // Hands a command to the main window (tests record it instead).
    virtual void SendToMainWindow(int id);

private:
    // What a click at the point lands on: a slot's unit name, a channel's
    // meter or link label (-1: none of them).
    int UnitNameAt(const QPoint& point) const;
    int MeterAt(const QPoint& point) const;
    int LinkLabelAt(const QPoint& point) const;
    void PaintRow(QPainter& painter, const QRect& part, int row) const;
    void SetMeterPicture(int channel, const overview_meter::Picture& picture);
    // Where the held peak's marker shows, or kNoMarker when the preferences hide it.
    int ShownMarkerRow(int channel) const;
    // The meter is inside the part of the view its parent shows.
    bool IsShown(const QRect& rect) const;

    const Clock& m_clock;
    std::array<overview_meter::Picture, kChannelCount> m_meter{};
    // The held peak is in the meter test's pixels (else in dB): whichever
    // drives the meter next starts from an empty hold when it is the other.
    std::array<bool, kChannelCount> m_peakInTestPixels{};
    std::uint64_t m_meterUpdates = 0;
};

extern COverviewWnd* g_pOverview;

// The header of a slot (index 0..47), whose text reads "<name> - A" / "<name> - B" for
// the halves of a 16-channel unit, the plain name over the A half of an
// 8-channel unit (whose B half stays empty) and over every slot from 33 on.
UnitHeader OverviewUnitHeader(int slotIndex);

// The text a channel's link label shows in the overview: the group label
// while the channel's Link is on, else "-".
QString OverviewLinkLabelText(int channel);
// Its colour: teal for "-", else the colour of the channel's group.
QColor OverviewLinkLabelColour(int channel);
