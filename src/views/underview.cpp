#include "views/underview.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/fonts.h"
#include "app/main_dialog.h"
#include "app/preferences.h"
#include "app/project_state.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "platform/clock.h"
#include "platform/skin_registry.h"
#include "protocol/unit_network.h"
#include "views/meter_law.h"
#include "views/window_frame.h"

CUnderviewWnd* g_pUnderview = nullptr;
std::array<int, kChannelCount> g_MeterHoldCalls{};
std::array<int, kChannelCount> g_MeterStepCount{};
std::array<int, kChannelCount> g_TestPeakReadout{};
int g_nMeterTestLevel = 0;
std::array<QRect, kSlotCount> g_rcUnitBlock{};

namespace {

using namespace strip_meter;

// Win32-style rectangle (left, top, right, bottom) to a QRect.
constexpr QRect Box(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

// Places within one strip.
constexpr QRect kFader = Box(6, 127, 38, 361);
constexpr QRect kLinkLabel = Box(48, 443, 81, 467);
constexpr QRect kNumber = Box(6, 38, 82, 71);
constexpr QRect kGain = Box(8, 358, 79, 388);
constexpr QRect kScale = Box(37, 130, 57, 361);
constexpr QRect kMeterBox = Box(57, 132, 78, 359);
constexpr QRect kTitle = Box(5, 469, 82, 497);
constexpr QRect kChannelEdge = Box(82, 35, 87, 477);
// Places within one slot.
constexpr QRect kHeaderLeft = Box(2, 0, 230, 36);
constexpr QRect kUnitHeader = Box(230, 0, 420, 36);
constexpr QRect kHeaderRight = Box(420, 0, 659, 36);
constexpr QRect kBadge = Box(60, 4, 180, 32);
constexpr QRect kUnitEdge = Box(657, 36, 661, 512);
// The peak read-out: the top rows of the meter box, and the blank picture
// that covers its number, 1 px right and 2 px down of the box's corner.
constexpr int kReadoutClickHeight = 14;
constexpr int kBlankReadoutBitmap = 226;
constexpr QPoint kBlankReadoutAt(1, 2);

// The view is a bordered window: its frame takes the outermost pixel on
// every side, and every element sits in the client area inside the frame.
constexpr int kFrame = window_frame::kWidth;

// An element's place in the view, for a strip or slot starting at client x.
QRect Place(const QRect& box, int x)
{
    return box.translated(x + kFrame, kFrame);
}

struct SwitchPlace {
    int id;
    QRect box;
    int off, on, disabled;
    std::array<CNewCustomBtn*, kChannelCount> CUnderviewWnd::*table;
};

const SwitchPlace kSwitches[] = {
    {3000, Box(8, 77, 43, 101), 12329, 12330, 12329, &CUnderviewWnd::m_pPolButton},
    {5000, Box(44, 77, 79, 101), 238, 241, 238, &CUnderviewWnd::m_pPadButton},
    {6000, Box(8, 104, 43, 128), 244, 245, 189, &CUnderviewWnd::m_p48vButton},
    {7000, Box(43, 104, 78, 128), 247, 248, 247, &CUnderviewWnd::m_pMuteButton},
    {10000, Box(8, 389, 43, 413), 270, 271, 270, &CUnderviewWnd::m_pSplitButton},
    {11000, Box(44, 389, 79, 413), 272, 273, 272, &CUnderviewWnd::m_pSafeButton},
    {12000, Box(8, 416, 43, 440), 274, 275, 190, &CUnderviewWnd::m_pRbinButton},
    {13000, Box(44, 416, 79, 440), 276, 277, 276, &CUnderviewWnd::m_pSqrtButton},
    {4000, Box(8, 443, 47, 467), 235, 236, 235, &CUnderviewWnd::m_pLinkButton},
};

const QColor kTeal(81, 165, 187);

int StripX(int channel)
{
    return channel * CUnderviewWnd::kStripWidth;
}

// The channel whose strip holds view x (-1 on the frame left of the first).
int ChannelAt(int x)
{
    return x < kFrame ? -1 : (x - kFrame) / CUnderviewWnd::kStripWidth;
}

} // namespace

CUnderviewWnd::CUnderviewWnd(QWidget* parent, const Clock& clock) : QWidget(parent), m_clock(clock)
{
    setObjectName(QStringLiteral("UnderviewWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kWidth, kHeight);
    m_fPeak.fill(kNoPeak);
    // The cursor tells what takes a click, so it follows the mouse.
    setMouseTracking(true);
}

CUnderviewWnd::~CUnderviewWnd()
{
    if (g_pUnderview == this)
        g_pUnderview = nullptr;
}

QRect CUnderviewWnd::MeterRect(int channel) const
{
    // The meter picture lands at the top-left corner of the meter box.
    return QRect(Place(kMeterBox, StripX(channel)).topLeft(), QSize(strip_meter::kWidth, strip_meter::kHeight));
}

QRect CUnderviewWnd::GainRect(int channel) const
{
    return Place(kGain, StripX(channel));
}

QRect CUnderviewWnd::LinkLabelRect(int channel) const
{
    return Place(kLinkLabel, StripX(channel));
}

QRect CUnderviewWnd::TitleRect(int channel) const
{
    return Place(kTitle, StripX(channel));
}

void CUnderviewWnd::BuildUnderviewLayout()
{
    SkinRegistry& skin = SkinRegistry::instance();
    if (!skin.contains(132))
        ShowMessage(QStringLiteral("ERROR - failed to Load thumb bitmap"));
    const QSize thumb = skin.naturalSize(132);

    for (int s = 0; s < kSlotCount; ++s)
        g_UnitName[s] = QStringLiteral("UNIT %1").arg(s + 1);

    for (int s = 0; s < kSlotCount; ++s) {
        const int slotX = s * kSlotWidth;
        auto& labels = m_labels[std::size_t(s)];
        const auto label = [&](int id, int index, const QString& text, const QRect& rect) {
            labels.emplace_back(CreateStaticTextButton(this, id, index, text, rect));
            return labels.back().get();
        };
        label(36000 + s, s, QString(), Place(kHeaderLeft, slotX));
        label(35000 + s, s * 8, QString(), Place(kUnitHeader, slotX));
        label(37000 + s, s, QString(), Place(kHeaderRight, slotX));
        label(40000 + s, s, QString(), Place(kBadge, slotX));

        for (int k = 0; k < 8; ++k) {
            const int ch = s * 8 + k;
            const int x = StripX(ch);
            auto* fader = new CMySlider(this);
            fader->setGeometry(Place(kFader, x));
            fader->Setup(ch, thumb, 133, 132);
            m_Slider[std::size_t(ch)] = fader;
            for (const SwitchPlace& sw : kSwitches) {
                CreateNewCustomBtnEx(this, sw.id, ch, sw.off, sw.on, sw.disabled, Place(sw.box, x));
                (this->*sw.table)[std::size_t(ch)] = g_pLastCustomBtn;
            }
            label(34000 + ch, ch, QString(), Place(kNumber, x));
            m_pGainLabel[std::size_t(ch)] = label(14000 + ch, ch, QString(), Place(kGain, x));
            m_pScaleLabel[std::size_t(ch)] = label(32000 + ch, ch, QString(), Place(kScale, x));
            label(31000 + ch, ch, QString(), Place(kMeterBox, x));
            m_pTitleLabel[std::size_t(ch)] =
                label(33000 + ch, ch, QStringLiteral("Ch %1").arg(ch + 1), Place(kTitle, x));
            label(38000 + ch, ch, QString(), Place(kChannelEdge, x));
            // The remote units have no Split, Safe, Rbin or Sqrt.
            if (s >= 32) {
                for (auto* table : {&m_pSplitButton, &m_pRbinButton, &m_pSqrtButton, &m_pSafeButton})
                    (*table)[std::size_t(ch)]->hide();
            }
        }
        label(39000 + s, s, QString(), Place(kUnitEdge, slotX));
        g_rcUnitBlock[std::size_t(s)] = QRect(0, 0, kSlotWidth, kHeight);
    }
    g_pUnderview = this;
}

void CUnderviewWnd::SetGainText(int channel, int gain)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    const bool kr9x = g_ChannelUnitType[std::size_t(channel)] == UNIT_TYPE_KR9X;
    int shown = kr9x ? gain : gain - 5;
    const CNewCustomBtn* pad = m_pPadButton[std::size_t(channel)];
    if (pad && pad->m_nState == CNewCustomBtn::kOn)
        shown -= kr9x ? 14 : 20;
    g_ChannelGainShortText[std::size_t(channel)] = QString::asprintf("%+d ", shown);
    update(GainRect(channel));
}

void CUnderviewWnd::SetLinkLabel(int channel, const QString&)
{
    DrawLinkLabel(channel);
}

void CUnderviewWnd::DrawLinkLabel(int channel)
{
    if (channel >= 0 && channel < kChannelCount)
        update(LinkLabelRect(channel));
}

void CUnderviewWnd::SetChannelTitle(int channel, const QString&)
{
    if (channel >= 0 && channel < kChannelCount)
        update(TitleRect(channel));
}

void CUnderviewWnd::DrawMeterDb(int channel, float levelDb)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    const std::size_t c = std::size_t(channel);
    float& held = m_fPeak[c];
    if (m_peakInTestPixels[c]) {
        m_peakInTestPixels[c] = false;
        held = kNoPeak;
    }
    ApplyPeakHold(levelDb, held, g_MeterPeakTime[c], m_clock.nowMs(), g_nPeakHoldMs);
    MeterView v;
    v.unlitBottom = UnlitBottomForLevel(levelDb);
    v.peakLine = PeakLineForLevel(held);
    if (held != kNoPeak) {
        if (held >= 0.0f) {
            v.over = true;
        } else {
            v.hasReadout = true;
            v.readoutValue = static_cast<int>(held) + (g_bMeterScaleDbu ? g_nDbuMaxLevel : 0);
        }
    }
    if (v == m_meter[c])
        return;
    m_meter[c] = v;
    UpdateIfShown(MeterRect(channel));
}

void CUnderviewWnd::DrawMeterStep(int channel, int litPx)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    const std::size_t c = std::size_t(channel);
    litPx = std::clamp(litPx, 0, kTestTravel);
    MeterView v;
    // The test covers the bar down to 200 - litPx.
    v.unlitBottom = std::max(kBarTop, 200 - litPx);
    const int step = static_cast<int>((1.0 - double(litPx) / kTestTravel) * 20.0);
    const bool scale = g_bMeterScaleDbu || g_bMeterScaleDbfs;

    // How many test steps a peak is held; never 0, and a period of 0 counts as 1 ms.
    const int period = std::max(g_MeterPeriodMs, 1);
    int& holdCalls = g_MeterHoldCalls[c];
    switch (g_nPeakHoldMs) {
    case 0:
        holdCalls = 2;
        break;
    case -1:
        holdCalls = 750000 / period;
        break;
    case 3000:
        holdCalls = 2250 / period;
        break;
    case 10000:
        holdCalls = 7500 / period;
        break;
    default:
        break;
    }
    holdCalls = std::max(holdCalls, 1);

    float& held = m_fPeak[c];
    if (!m_peakInTestPixels[c]) {
        m_peakInTestPixels[c] = true;
        held = kNoPeak;
    }
    int peakPos;
    if (held < float(litPx)) {
        peakPos = 202 - litPx;
        held = float(litPx);
        g_TestPeakReadout[c] = step <= 0 && scale ? 5000 : std::max(g_TestPeakReadout[c], g_nMeterTestLevel);
    } else {
        peakPos = 202 - static_cast<int>(held);
    }
    if (g_MeterStepCount[c] % holdCalls == 0) {
        held = float(litPx);
        g_TestPeakReadout[c] = step <= 0 && scale ? 5000 : g_nMeterTestLevel;
    }
    ++g_MeterStepCount[c];

    v.peakLine = peakPos;
    if (scale) {
        if (g_TestPeakReadout[c] == 5000) {
            v.over = true;
        } else {
            v.hasReadout = true;
            v.readoutValue = g_TestPeakReadout[c];
        }
    }
    if (v == m_meter[c])
        return;
    m_meter[c] = v;
    UpdateIfShown(MeterRect(channel));
}

void CUnderviewWnd::ClearMeter(int channel)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    const std::size_t c = std::size_t(channel);
    m_fPeak[c] = kNoPeak;
    if (m_meter[c] == MeterView{})
        return;
    m_meter[c] = MeterView{};
    UpdateIfShown(MeterRect(channel));
}

void CUnderviewWnd::RepaintMeterScales()
{
    for (const CMyStaticTextButton* scale : m_pScaleLabel)
        if (scale && IsShown(scale->m_rect))
            update(scale->m_rect);
}

bool CUnderviewWnd::IsShown(const QRect& rect) const
{
    if (!isVisible())
        return false;
    const QWidget* parent = parentWidget();
    const int left = x() + rect.left();
    const int right = x() + rect.right();
    return !parent || (right >= 0 && left < parent->width());
}

void CUnderviewWnd::UpdateIfShown(const QRect& rect)
{
    if (!IsShown(rect))
        return;
    ++m_meterUpdates;
    update(rect);
}

bool CUnderviewWnd::HasMeterLevel(int channel) const
{
    MeterView shown = m_meter[std::size_t(channel)];
    shown.readoutCovered = false; // a click on the read-out is no level
    return shown != MeterView{};
}

void CUnderviewWnd::PaintMeter(QPainter& p, int channel) const
{
    // Without a level the meter's label shows its empty recess.
    if (!HasMeterLevel(channel))
        return;
    const MeterView& v = m_meter[std::size_t(channel)];
    const QRect r = MeterRect(channel);
    p.save();
    p.translate(r.topLeft());
    p.drawPixmap(0, 0, SkinRegistry::instance().pixmap(40201, devicePixelRatioF()));
    if (v.unlitBottom > kBarTop)
        p.fillRect(QRect(2, kBarTop, strip_meter::kWidth - 2, v.unlitBottom - kBarTop), ToQColor(kMeterUnlitColour));
    p.fillRect(QRect(0, 1, strip_meter::kWidth, 12), Qt::black);
    p.setFont(g_hFontMeter);
    if (v.over) {
        p.setPen(ToQColor(kOverColour));
        p.drawText(QRect(0, 1, strip_meter::kWidth, 12), Qt::AlignCenter, QStringLiteral("Ovr"));
    } else if (v.hasReadout) {
        p.setPen(kTeal);
        p.drawText(QRect(0, 1, strip_meter::kWidth, 12), Qt::AlignCenter, QString::number(v.readoutValue));
    }
    p.fillRect(QRect(0, 12, strip_meter::kWidth, 16), Qt::black);
    p.setPen(kTeal);
    p.drawText(QRect(0, 12, strip_meter::kWidth, 16), Qt::AlignCenter, QStringLiteral("dB"));
    if (v.peakLine >= 0)
        p.fillRect(QRect(3, v.peakLine - 2, strip_meter::kWidth - 5, 3)
                       & QRect(0, 0, strip_meter::kWidth, strip_meter::kHeight),
                   ToQColor(kPeakLineColour));
    if (v.readoutCovered)
        p.drawPixmap(kBlankReadoutAt, SkinRegistry::instance().pixmap(kBlankReadoutBitmap, devicePixelRatioF()));
    p.restore();
}

QColor LinkLabelColour(int channel)
{
    if (channel < 0 || channel >= kChannelCount
        || g_ChannelLinkLabel[std::size_t(channel)] == QLatin1String("-"))
        return kTeal;
    const int group = g_ChannelLinkIndex[std::size_t(channel)];
    return group >= 0 && group < kLinkGroupCount ? ToQColor(g_LinkGroupColor[std::size_t(group)]) : kTeal;
}

void CUnderviewWnd::PaintLinkLabel(QPainter& p, int channel) const
{
    const QRect r = LinkLabelRect(channel);
    p.drawPixmap(r.topLeft(), SkinRegistry::instance().pixmap(249, r.size(), devicePixelRatioF()));
    const QString& text = g_ChannelLinkLabel[std::size_t(channel)];
    p.setFont(g_hFontLinkLabel);
    p.setPen(LinkLabelColour(channel));
    p.drawText(r.translated(-4, 0), Qt::AlignCenter | Qt::TextSingleLine, text);
}

void CUnderviewWnd::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    // Meters far apart repaint as one region of many rectangles. Each is
    // painted under its own rectangular clip: drawing under the clip of the
    // whole region costs several times as much (every line is cut against
    // the region and tall pictures are handed to worker threads).
    const QBrush background(SkinRegistry::instance().pixmap(QStringLiteral("BACKGROUND"), devicePixelRatioF()));
    const QRect client = window_frame::ClientRect(rect());
    for (const QRect& part : event->region()) {
        p.setClipRect(part);
        // A meter's lit picture is opaque: a part inside one needs no ground.
        const int meterChannel = ChannelAt(part.left());
        if (meterChannel < 0 || meterChannel >= kChannelCount || !HasMeterLevel(meterChannel)
            || !MeterRect(meterChannel).contains(part))
            p.fillRect(part, background);
        // Only the slots the part touches (their pieces reach 5 px into the next slot).
        const int firstSlot = std::max(0, (part.left() - kFrame - 8) / kSlotWidth);
        const int lastSlot = std::min(kSlotCount - 1, (part.right() - kFrame) / kSlotWidth);
        for (int s = firstSlot; s <= lastSlot; ++s) {
            for (const auto& label : m_labels[std::size_t(s)])
                if (part.intersects(label->m_rect))
                    label->Draw(p);
            for (int ch = s * 8; ch < s * 8 + 8; ++ch) {
                if (part.intersects(LinkLabelRect(ch)))
                    PaintLinkLabel(p, ch);
                if (part.intersects(MeterRect(ch)))
                    PaintMeter(p, ch);
            }
        }
        if (!client.contains(part))
            window_frame::Paint(p, rect());
    }
}

CMyStaticTextButton* CUnderviewWnd::LabelAt(const QPoint& point) const
{
    const int s = (point.x() - kFrame) / kSlotWidth;
    for (int slot : {s, s - 1}) {
        if (slot < 0 || slot >= kSlotCount)
            continue;
        const auto& labels = m_labels[std::size_t(slot)];
        for (auto it = labels.rbegin(); it != labels.rend(); ++it)
            if ((*it)->m_rect.contains(point))
                return it->get();
    }
    return nullptr;
}

void CUnderviewWnd::OnLButtonDown(const QPoint& at)
{
    const int ch = ChannelAt(at.x());
    if (ch < 0 || ch >= kChannelCount)
        return;
    const QRect meterBox = Place(kMeterBox, StripX(ch));
    if (QRect(meterBox.topLeft(), QSize(meterBox.width(), kReadoutClickHeight)).contains(at)) {
        // The blank picture covers the number until the meter is drawn
        // again; of the held peaks only the meter test's number starts over.
        const std::size_t c = std::size_t(ch);
        m_meter[c].readoutCovered = true;
        g_TestPeakReadout[c] = 0;
        UpdateIfShown(MeterRect(ch));
    }
    if (LinkLabelRect(ch).contains(at)) {
        g_nCurrentChannel = ch;
        g_nStripCommandKind = STRIP_LINK_MENU;
        SendMainCommand(ID_STRIP_COMMAND);
    }
}

void CUnderviewWnd::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    // The labels lie over the view and take the clicks inside their boxes
    // (the meter label its whole box, the peak read-out included); the view
    // handles a click that no label takes.
    if (CMyStaticTextButton* label = LabelAt(at)) {
        if (event->button() == Qt::LeftButton)
            label->OnLButtonDown();
        else if (event->button() == Qt::RightButton)
            label->OnRButtonDown();
        return;
    }
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(at);
    else if (event->button() == Qt::RightButton)
        OnRButtonDown(at);
}

void CUnderviewWnd::OnRButtonDown(const QPoint& at)
{
    // A unit header names the unit; else a channel's title box names the
    // channel and its meter box opens the meter preferences.
    for (int s = 0; s < kSlotCount; ++s) {
        if (Place(kUnitHeader, s * kSlotWidth).contains(at)) {
            // The slot goes to the dialog as an argument: the shared current
            // index is the active scene's, which a naming must not move.
            if (g_pMainDlg)
                g_pMainDlg->OnUnitNaming(s);
            return;
        }
    }
    const int ch = ChannelAt(at.x());
    if (ch < 0 || ch >= kChannelCount)
        return;
    if (TitleRect(ch).contains(at)) {
        g_nCurrentChannel = ch;
        g_nStripCommandKind = STRIP_CHANNEL_TITLE;
        SendMainCommand(ID_STRIP_COMMAND);
    }
    if (Place(kMeterBox, StripX(ch)).contains(at))
        SendMainCommand(ID_METER_PREFERENCES);
}

bool CUnderviewWnd::TakesClickAt(const QPoint& point) const
{
    const int ch = ChannelAt(point.x());
    if (ch >= 0 && ch < kChannelCount && LinkLabelRect(ch).contains(point))
        return true;
    // Every label sends the strip command when clicked.
    return LabelAt(point) != nullptr;
}

void CUnderviewWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (TakesClickAt(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    QWidget::mouseMoveEvent(event);
}
