#include "views/overview.h"

#include "app/main_dialog.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/fonts.h"
#include "app/preferences.h"
#include "app/project_state.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "platform/clock.h"
#include "platform/skin_registry.h"
#include "protocol/unit_network.h"
#include "views/meter_law.h"
#include "views/underview.h"

COverviewWnd* g_pOverview = nullptr;
int g_nOverviewWidth = 0;

namespace {

using overview_meter::Picture;

// Win32-style rectangle (left, top, right, bottom) to a QRect.
constexpr QRect Box(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

// Places within one strip.
constexpr QRect kChannelNumber = Box(4, 28, 73, 45);
constexpr QRect kFader = Box(5, 48, 18, 148);
constexpr QRect kMeter = Box(19, 48, 27, 148);
constexpr QRect kLinkLabel = Box(28, 126, 71, 150);
constexpr QRect kGainText = Box(4, 150, 73, 167);
constexpr QRect kStripEdge = Box(75, 24, 77, 168);
// The slot's right edge, within the slot.
constexpr QRect kSlotEdge = Box(604, 0, 617, 168);

// The header pieces are kept as layout entries placed 23 px lower.
const char* const kHeaderLayout[] = {
    "TopUnitLeft 0 23 220 49",
    "UnitName 220 23 400 49",
    "TopUnitRight 400 23 618 49",
};
constexpr int kHeaderLayoutShift = 23;

QRect LayoutEntry(const char* text)
{
    char name[64] = {};
    int l = 0, t = 0, r = 0, b = 0;
    if (std::sscanf(text, "%63s %d %d %d %d", name, &l, &t, &r, &b) != 5)
        return QRect();
    return Box(l, t - kHeaderLayoutShift, r, b - kHeaderLayoutShift);
}

enum SwitchKind { Pol, Pad, Phantom, Mute, Split, Safe, Rbin, Sqrt };

struct SwitchPlace {
    int id;
    QRect box;
    int off, on, disabled;
    std::array<CNewCustomBtn*, kChannelCount> COverviewWnd::*table;
    bool withDisabledPicture; // made with CreateNewCustomBtnEx
};

const SwitchPlace kSwitches[] = {
    {3000, Box(28, 48, 50, 67), 131, 138, 131, &COverviewWnd::m_pPolButton, false},
    {5000, Box(51, 48, 72, 67), 144, 145, 144, &COverviewWnd::m_pPadButton, false},
    {6000, Box(28, 68, 50, 86), 146, 147, 222, &COverviewWnd::m_p48vButton, true},
    {7000, Box(51, 68, 71, 87), 142, 143, 142, &COverviewWnd::m_pMuteButton, false},
    {10000, Box(28, 87, 50, 106), 5321, 5322, 5321, &COverviewWnd::m_pSplitButton, false},
    {11000, Box(51, 87, 71, 105), 6321, 6322, 6321, &COverviewWnd::m_pSafeButton, false},
    {12000, Box(28, 106, 50, 125), 4321, 4322, 225, &COverviewWnd::m_pRbinButton, true},
    {13000, Box(51, 106, 71, 125), 7321, 7322, 7321, &COverviewWnd::m_pSqrtButton, false},
};

const QColor kTeal(81, 165, 187);
const QColor kHeaderText(164, 164, 164);
const QColor kNumberText(250, 250, 250);

void MakeSwitch(COverviewWnd* view, SwitchKind kind, int channel, const QPoint& origin)
{
    const SwitchPlace& sw = kSwitches[kind];
    const QRect box = sw.box.translated(origin);
    if (sw.withDisabledPicture)
        CreateNewCustomBtnEx(view, sw.id, channel, sw.off, sw.on, sw.disabled, box);
    else
        CreateNewCustomBtn(view, sw.id, channel, sw.off, sw.on, box);
    (view->*sw.table)[std::size_t(channel)] = g_pLastCustomBtn;
}

void Stretch(QPainter& p, int bitmap, const QRect& r, qreal dpr)
{
    p.drawPixmap(r.topLeft(), SkinRegistry::instance().pixmap(bitmap, r.size(), dpr));
}

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < kChannelCount;
}

// How many meter test steps a peak is held: 2.25 s worth of reports, never
// fewer than one (a period of 0 or above 2250 ms would otherwise divide by
// zero or hold for none).
int HoldCallsForPeriod()
{
    return std::max(1, 2250 / std::max(g_MeterPeriodMs, 1));
}

} // namespace

UnitHeader OverviewUnitHeader(int s)
{
    if (s < 0 || s >= kSlotCount)
        return {};
    const QString& name = g_UnitName[std::size_t(s)];
    if (s >= 32)
        return {name, QString()};
    if (s % 2 == 0) // odd slot number: the A half, or a whole 8-channel unit
        return {name, g_SlotModel[s + 1] == UNIT_TYPE_KR960_8 ? QString() : QStringLiteral(" - A")};
    // even slot number: the B half, which an 8-channel unit in the pair's first slot lacks
    if (g_SlotModel[s] == UNIT_TYPE_KR960_8)
        return {};
    return {name, QStringLiteral(" - B")};
}

QString OverviewLinkLabelText(int channel)
{
    if (!ValidChannel(channel))
        return QStringLiteral("-");
    return g_ChannelLinkOn[std::size_t(channel)] ? g_ChannelLinkLabel[std::size_t(channel)] : QStringLiteral("-");
}

QColor OverviewLinkLabelColour(int channel)
{
    if (OverviewLinkLabelText(channel) == QLatin1String("-"))
        return kTeal;
    return LinkLabelColour(channel);
}

COverviewWnd::COverviewWnd(QWidget* parent, const Clock& clock) : QWidget(parent), m_clock(clock)
{
    setObjectName(QStringLiteral("OverviewWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kWidth, kHeight);
    m_nMeterPeak.fill(kNoMeterPeak);
    // The cursor tells what takes a click, so it follows the mouse.
    setMouseTracking(true);
}

COverviewWnd::~COverviewWnd()
{
    if (g_pOverview == this)
        g_pOverview = nullptr;
}

QPoint COverviewWnd::SlotOrigin(int slotIndex)
{
    return QPoint(kColumnOffset * (slotIndex % 2), kRowHeight * (slotIndex / 2));
}

QPoint COverviewWnd::StripOrigin(int channel)
{
    return SlotOrigin(channel / kChannelsPerSlot) + QPoint(kStripWidth * (channel % kChannelsPerSlot), 0);
}

QRect COverviewWnd::MeterPictureRect(int channel) const
{
    return QRect(m_rcMeter[std::size_t(channel)].topLeft(), QSize(overview_meter::kWidth, overview_meter::kHeight));
}

void COverviewWnd::BuildLayout()
{
    SkinRegistry& skin = SkinRegistry::instance();
    QSize thumb = skin.naturalSize(135);
    if (!skin.contains(135) || !thumb.isValid()) {
        ShowMessage(QStringLiteral("ERROR - failed to Load thumb bitmap"));
        thumb = QSize(0, 0);
    }
    const QRect headerLeft = LayoutEntry(kHeaderLayout[0]);
    const QRect unitName = LayoutEntry(kHeaderLayout[1]);
    const QRect headerRight = LayoutEntry(kHeaderLayout[2]);

    g_nOverviewWidth = 0;
    for (int row = 0; row < kRowCount; ++row) {
        for (int column = 0; column < 2; ++column) {
            const int s = row * 2 + column;
            const QPoint slot = SlotOrigin(s);
            m_rcTopUnitLeft[std::size_t(s)] = headerLeft.translated(slot);
            m_rcUnitName[std::size_t(s)] = unitName.translated(slot);
            m_rcTopUnitRight[std::size_t(s)] = headerRight.translated(slot);

            for (int k = 0; k < kChannelsPerSlot; ++k) {
                const int ch = s * kChannelsPerSlot + k;
                const std::size_t c = std::size_t(ch);
                const QPoint strip = StripOrigin(ch);
                auto* fader = new CMySlider(this);
                fader->setGeometry(kFader.translated(strip));
                fader->Setup(ch, thumb, 134, 135);
                m_Slider[c] = fader;
                MakeSwitch(this, Pol, ch, strip);
                MakeSwitch(this, Pad, ch, strip);
                MakeSwitch(this, Phantom, ch, strip);
                MakeSwitch(this, Mute, ch, strip);
                m_rcLinkLabel[c] = kLinkLabel.translated(strip);
                MakeSwitch(this, Rbin, ch, strip);
                MakeSwitch(this, Split, ch, strip);
                MakeSwitch(this, Safe, ch, strip);
                MakeSwitch(this, Sqrt, ch, strip);
                // The remote units (slots 33 to 48) have no Rbin, Split, Safe or Sqrt.
                if (s >= 32) {
                    for (auto table : {&COverviewWnd::m_pRbinButton, &COverviewWnd::m_pSplitButton,
                                       &COverviewWnd::m_pSafeButton, &COverviewWnd::m_pSqrtButton})
                        (this->*table)[c]->hide();
                }
                m_rcChannelNumber[c] = kChannelNumber.translated(strip);
                m_rcGainText[c] = kGainText.translated(strip);
                m_rcMeter[c] = kMeter.translated(strip);
                m_rcStripEdge[c] = kStripEdge.translated(strip);
            }
            m_rcUnitRightEdge[std::size_t(s)] = kSlotEdge.translated(slot);
            if (row == 0)
                g_nOverviewWidth += headerLeft.width() + unitName.width() + headerRight.width() + kSlotEdge.width();
        }
    }
    g_nOverviewWidth -= 20;
    resize(g_nOverviewWidth, kHeight);
    g_pOverview = this;
}

void COverviewWnd::SetGainText(int channel, int gain)
{
    if (!ValidChannel(channel))
        return;
    const std::size_t c = std::size_t(channel);
    const bool kr9x = g_ChannelUnitType[c] == UNIT_TYPE_KR9X;
    int shown = kr9x ? gain : gain - 5;
    const CNewCustomBtn* pad = m_pPadButton[c];
    if (pad && pad->m_nState == CNewCustomBtn::kOn)
        shown -= kr9x ? 14 : 20;
    g_ChannelGainText[c] = QString::asprintf("%+d dB", shown);
    update(m_rcGainText[c]);
}

void COverviewWnd::SetLinkLabel(int channel, const QString&)
{
    DrawLinkLabel(channel);
}

void COverviewWnd::DrawLinkLabel(int channel)
{
    if (ValidChannel(channel))
        update(m_rcLinkLabel[std::size_t(channel)]);
}

void COverviewWnd::DrawMeterDb(int channel, float levelDb)
{
    if (!ValidChannel(channel) || std::isnan(levelDb))
        return;
    const std::size_t c = std::size_t(channel);
    const float level = std::clamp(levelDb, -1000.0f, 1000.0f);
    const float share = overview_meter::ShareForLevel(level);
    g_MeterHoldCalls[c] = HoldCallsForPeriod();

    // The held peak is kept in whole dB (truncated towards zero).
    int& peak = m_nMeterPeak[c];
    if (m_peakInTestPixels[c]) {
        m_peakInTestPixels[c] = false;
        peak = kNoMeterPeak;
    }
    float held = peak == kNoMeterPeak ? kNoPeak : float(peak);
    ApplyPeakHold(level, held, g_MeterPeakTime[c], m_clock.nowMs(), g_nPeakHoldMs);
    peak = static_cast<int>(held);

    Picture pic;
    pic.lit = true;
    const int length = overview_meter::BarLength(share);
    pic.barTop = overview_meter::kBase - length;
    pic.colourIndex = overview_meter::ColourIndex(share);
    pic.wellBottom = overview_meter::WellBottom(length);
    pic.markerY = ShownMarkerRow(channel);
    pic.redZoneThreshold = g_nRedZoneThreshold;
    SetMeterPicture(channel, pic);
}

void COverviewWnd::DrawMeterStep(int channel, int step, int colourIndex)
{
    if (!ValidChannel(channel))
        return;
    const std::size_t c = std::size_t(channel);
    step = std::clamp(step, 0, 20);
    const int length = (20 - step) * overview_meter::kTravel / 20;

    const int holdCalls = HoldCallsForPeriod();
    g_MeterHoldCalls[c] = holdCalls;

    int& peak = m_nMeterPeak[c];
    if (!m_peakInTestPixels[c]) {
        m_peakInTestPixels[c] = true;
        peak = kNoMeterPeak;
    }
    if (peak == kNoMeterPeak || peak < length)
        peak = length;
    const int markerY = ShownMarkerRow(channel);
    if (g_MeterStepCount[c]++ % holdCalls == 0)
        peak = length; // the peak falls back at the next call

    Picture pic;
    pic.lit = true;
    pic.barTop = overview_meter::kBase - length;
    pic.colourIndex = std::max(0, colourIndex);
    pic.wellBottom = overview_meter::WellBottom(length);
    pic.markerY = markerY;
    pic.redZoneThreshold = g_nRedZoneThreshold;
    SetMeterPicture(channel, pic);
}

int COverviewWnd::ShownMarkerRow(int channel) const
{
    const std::size_t c = std::size_t(channel);
    const int peak = m_nMeterPeak[c];
    if (!g_bMeterPeakOverVu || peak == kNoMeterPeak)
        return overview_meter::kNoMarker;
    // Held in bar pixels during the meter test, else in whole dB.
    return m_peakInTestPixels[c] ? overview_meter::kBase - std::clamp(peak, -1000, 1000)
                                 : overview_meter::MarkerRowForPeak(peak);
}

void COverviewWnd::ApplyMeterPreferences()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        Picture pic = m_meter[std::size_t(ch)];
        if (!pic.lit)
            continue;
        pic.markerY = ShownMarkerRow(ch);
        pic.redZoneThreshold = g_nRedZoneThreshold;
        SetMeterPicture(ch, pic);
    }
}

void COverviewWnd::ClearMeter(int channel)
{
    if (!ValidChannel(channel))
        return;
    m_nMeterPeak[std::size_t(channel)] = kNoMeterPeak;
    SetMeterPicture(channel, Picture{});
}

void COverviewWnd::SetMeterPicture(int channel, const Picture& pic)
{
    Picture& current = m_meter[std::size_t(channel)];
    if (pic == current)
        return;
    current = pic;
    const QRect rect = MeterPictureRect(channel);
    if (!IsShown(rect))
        return;
    ++m_meterUpdates;
    update(rect);
}

bool COverviewWnd::IsShown(const QRect& rect) const
{
    if (!isVisible())
        return false;
    const QWidget* parent = parentWidget();
    return !parent || rect.translated(pos()).intersects(parent->rect());
}

void COverviewWnd::SendToMainWindow(int id)
{
    SendMainCommand(id);
}

void COverviewWnd::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    // Meters far apart repaint as one region of many rectangles. Each is
    // painted under its own rectangular clip: drawing under the clip of the
    // whole region costs several times as much (every line is cut against
    // the region and tall pictures are handed to worker threads).
    for (const QRect& part : event->region()) {
        p.setClipRect(part);
        p.fillRect(part, QColor(kBackground));
        const int firstRow = std::max(0, part.top() / kRowHeight);
        const int lastRow = std::min(kRowCount - 1, part.bottom() / kRowHeight);
        for (int row = firstRow; row <= lastRow; ++row)
            PaintRow(p, part, row);
    }
}

void COverviewWnd::PaintRow(QPainter& p, const QRect& part, int row) const
{
    const qreal dpr = devicePixelRatioF();
    const int firstSlot = row * 2;
    const int lastSlot = firstSlot + 1;
    const int firstChannel = firstSlot * kChannelsPerSlot;
    const int lastChannel = firstChannel + 2 * kChannelsPerSlot - 1;

    // Headers: every left piece, every name box, every right piece, so the
    // A slot's right piece lies over the B slot's left piece where they meet.
    for (int s = firstSlot; s <= lastSlot; ++s)
        if (part.intersects(m_rcTopUnitLeft[std::size_t(s)]))
            Stretch(p, 198, m_rcTopUnitLeft[std::size_t(s)], dpr);
    p.setFont(g_hFontOverviewUnitName);
    p.setPen(kHeaderText);
    for (int s = firstSlot; s <= lastSlot; ++s) {
        const QRect& box = m_rcUnitName[std::size_t(s)];
        if (!part.intersects(box))
            continue;
        Stretch(p, 200, box, dpr);
        DrawUnitHeader(p, box.adjusted(10, 4, -10, 4), OverviewUnitHeader(s));
    }
    for (int s = firstSlot; s <= lastSlot; ++s)
        if (part.intersects(m_rcTopUnitRight[std::size_t(s)]))
            Stretch(p, 199, m_rcTopUnitRight[std::size_t(s)], dpr);

    p.setFont(g_hFontOverviewChannelNumber);
    p.setPen(kNumberText);
    for (int ch = firstChannel; ch <= lastChannel; ++ch) {
        const QRect& box = m_rcChannelNumber[std::size_t(ch)];
        if (!part.intersects(box))
            continue;
        Stretch(p, 251, box, dpr);
        p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, QString::number(ch + 1));
    }
    for (int ch = firstChannel; ch <= lastChannel; ++ch)
        if (part.intersects(m_rcStripEdge[std::size_t(ch)]))
            Stretch(p, 254, m_rcStripEdge[std::size_t(ch)], dpr);
    for (int s = firstSlot; s <= lastSlot; ++s)
        if (part.intersects(m_rcUnitRightEdge[std::size_t(s)]))
            Stretch(p, 290, m_rcUnitRightEdge[std::size_t(s)], dpr);

    p.setFont(g_hFontOverviewGain);
    p.setPen(kTeal);
    for (int ch = firstChannel; ch <= lastChannel; ++ch) {
        const QRect& box = m_rcGainText[std::size_t(ch)];
        if (!part.intersects(box))
            continue;
        Stretch(p, 212, box, dpr);
        p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, g_ChannelGainText[std::size_t(ch)]);
    }

    for (int ch = firstChannel; ch <= lastChannel; ++ch) {
        const QRect picture = MeterPictureRect(ch);
        if (!part.intersects(picture))
            continue;
        Stretch(p, 211, m_rcMeter[std::size_t(ch)], dpr);
        p.save();
        p.translate(picture.topLeft());
        overview_meter::Paint(p, m_meter[std::size_t(ch)]);
        p.restore();
    }

    p.setFont(g_hFontOverviewScribble);
    for (int ch = firstChannel; ch <= lastChannel; ++ch) {
        const QRect& box = m_rcLinkLabel[std::size_t(ch)];
        if (!part.intersects(box))
            continue;
        Stretch(p, 148, box, dpr);
        p.setPen(OverviewLinkLabelColour(ch));
        p.drawText(box.translated(0, 4), Qt::AlignCenter | Qt::TextSingleLine, OverviewLinkLabelText(ch));
    }
}

namespace {

// The index of the first box that holds the point, or -1.
template <std::size_t N>
int IndexOfBoxAt(const std::array<QRect, N>& boxes, const QPoint& point)
{
    for (std::size_t i = 0; i < N; ++i)
        if (boxes[i].contains(point))
            return int(i);
    return -1;
}

} // namespace

int COverviewWnd::UnitNameAt(const QPoint& point) const
{
    return IndexOfBoxAt(m_rcUnitName, point);
}

int COverviewWnd::MeterAt(const QPoint& point) const
{
    return IndexOfBoxAt(m_rcMeter, point);
}

int COverviewWnd::LinkLabelAt(const QPoint& point) const
{
    return IndexOfBoxAt(m_rcLinkLabel, point);
}

void COverviewWnd::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        if (const int s = UnitNameAt(at); s >= 0) {
            if (g_pMainDlg)
                g_pMainDlg->OnUnitNaming(s);
            return;
        }
        if (MeterAt(at) >= 0)
            SendToMainWindow(ID_METER_PREFERENCES);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        if (const int ch = LinkLabelAt(at); ch >= 0) {
            g_nCurrentChannel = ch;
            g_nStripCommandKind = STRIP_LINK_MENU;
            SendToMainWindow(ID_STRIP_COMMAND);
        }
    }
}

void COverviewWnd::mouseMoveEvent(QMouseEvent* event)
{
    // The hand over the unit names, meters and link labels: what the
    // overview itself answers clicks on.
    const QPoint at = event->position().toPoint();
    if (UnitNameAt(at) >= 0 || MeterAt(at) >= 0 || LinkLabelAt(at) >= 0)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    QWidget::mouseMoveEvent(event);
}
