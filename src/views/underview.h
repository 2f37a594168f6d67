#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "protocol/numbering.h"
#include "views/strip_labels.h"

class CMySlider;
class CNewCustomBtn;
class Clock;

// Meter-test bookkeeping per channel: how many test steps a peak is held,
// test steps drawn, and the number the read-out shows (5000 stands for over).
extern std::array<int, kChannelCount> g_MeterHoldCalls;
extern std::array<int, kChannelCount> g_MeterStepCount;
extern std::array<int, kChannelCount> g_TestPeakReadout;
// The level the meter test computes for the read-outs.
extern int g_nMeterTestLevel;
// Each slot's block of the channel-strip view, in the block's own coordinates.
extern std::array<QRect, kSlotCount> g_rcUnitBlock;

// The channel-strip view: all 384 strips of the 48 slots side by side in one
// 31584-px wide window that the main window moves sideways to scroll. The
// switches and faders are child widgets; every other element (labels, link
// labels, meters) is painted by the view itself from the project tables and
// the meter state, one rectangle at a time. The window draws a thin frame
// around its client area, in which every element has its place.
class CUnderviewWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kStripWidth = 82;
    static constexpr int kSlotWidth = 656;
    static constexpr int kWidth = 31584;
    static constexpr int kHeight = 534;

    CUnderviewWnd(QWidget* parent, const Clock& clock);
    ~CUnderviewWnd() override;

    // Builds every strip once; the elements keep their places for good.
    void BuildUnderviewLayout();

    // The gain read-out of a channel for a gain in dB (as the core computes it).
    void SetGainText(int channel, int gain);
    void SetLinkLabel(int channel, const QString& label);
    void DrawLinkLabel(int channel);
    void SetChannelTitle(int channel, const QString& title);
    // The meter from a unit's level in dB.
    void DrawMeterDb(int channel, float levelDb);
    // The meter during the meter test: litPx 0..167.
    void DrawMeterStep(int channel, int litPx);
    // The meter as before any level: dark, no peak line, no read-out.
    void ClearMeter(int channel);
    // The scales beside the meters show the meter preferences now set.
    void RepaintMeterScales();

    // Element rectangles of a channel, in view coordinates (the frame included).
    QRect MeterRect(int channel) const;
    QRect GainRect(int channel) const;
    QRect LinkLabelRect(int channel) const;
    QRect TitleRect(int channel) const;

    // What the meter of a channel shows now.
    struct MeterView {
        int unlitBottom = 228; // bar dark down to here (picture coordinates)
        int peakLine = -1;     // y of the peak line, -1: none
        int readoutValue = 0;  // the number the peak read-out shows
        bool hasReadout = false;
        bool over = false;     // the read-out shows "Ovr"
        bool readoutCovered = false; // the blank picture covers the read-out
        bool operator==(const MeterView&) const = default;
    };
    const MeterView& meterView(int channel) const { return m_meter[std::size_t(channel)]; }

    // Meter repaint requests since start (for measurements).
    std::uint64_t meterUpdates() const { return m_meterUpdates; }

    // A left or right click on the view itself, at a point no label covers.
    void OnLButtonDown(const QPoint& at);
    void OnRButtonDown(const QPoint& at);

    std::array<CNewCustomBtn*, kChannelCount> m_pPolButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pLinkButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pPadButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_p48vButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pMuteButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pSplitButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pSafeButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pRbinButton{};
    std::array<CNewCustomBtn*, kChannelCount> m_pSqrtButton{};
    std::array<CMyStaticTextButton*, kChannelCount> m_pGainLabel{};
    std::array<CMyStaticTextButton*, kChannelCount> m_pScaleLabel{};
    std::array<CMyStaticTextButton*, kChannelCount> m_pTitleLabel{};
    std::array<CMySlider*, kChannelCount> m_Slider{};
    // The held peak of each meter: dB from units, lit pixels in the meter test.
    std::array<float, kChannelCount> m_fPeak{};

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // A click at the point does something: on a label or a link label.
    bool TakesClickAt(const QPoint& point) const;
    // The meter has a level or a meter-test step to paint; it has none before
    // its first one and once cleared.
    bool HasMeterLevel(int channel) const;
    void PaintMeter(QPainter& painter, int channel) const;
    void PaintLinkLabel(QPainter& painter, int channel) const;
    // Repaints a rectangle only while it is on screen.
    void UpdateIfShown(const QRect& rect);
    bool IsShown(const QRect& rect) const;
    CMyStaticTextButton* LabelAt(const QPoint& point) const;

    const Clock& m_clock;
    // Labels by slot index, in painting order.
    std::array<std::vector<std::unique_ptr<CMyStaticTextButton>>, kSlotCount> m_labels;
    std::array<MeterView, kChannelCount> m_meter{};
    // The held peak is in the meter test's pixels (else in dB): whichever
    // drives the meter next starts from an empty hold when it is the other.
    std::array<bool, kChannelCount> m_peakInTestPixels{};
    std::uint64_t m_meterUpdates = 0;
};

extern CUnderviewWnd* g_pUnderview;

// The colour of a channel's link label: teal for "-" (no group), else the
// colour of its group; a group index outside the ten groups stays teal.
QColor LinkLabelColour(int channel);
