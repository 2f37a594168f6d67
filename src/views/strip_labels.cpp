#include "views/strip_labels.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <utility>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/fonts.h"
#include "app/main_dialog.h"
#include "app/project_state.h"
#include "platform/skin_registry.h"
#include "views/meter_art.h"
#include "views/meter_law.h"

CMyStaticTextButton* g_pLastStaticTextButton = nullptr;

namespace {

const QColor kTeal(81, 165, 187);

void Stretch(QPainter& p, int bitmap, const QRect& r, const QWidget* w)
{
    p.drawPixmap(r.topLeft(), SkinRegistry::instance().pixmap(bitmap, r.size(), w->devicePixelRatioF()));
}

// Text centred in box, or left-aligned when it does not fit its width.
void DrawFitted(QPainter& p, const QRect& box, const QString& text)
{
    const int flags = QFontMetrics(p.font()).horizontalAdvance(text) <= box.width()
        ? Qt::AlignHCenter
        : Qt::AlignLeft;
    p.drawText(box, flags | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

} // namespace

CMyStaticTextButton::CMyStaticTextButton(QWidget* parent, int id, int index, QString text,
                                         const QRect& rect)
    : m_rect(rect), m_rcClient(QPoint(0, 0), rect.size()), m_nIndex(index), m_strText(std::move(text)),
      m_pParent(parent), m_nKind(id / 1000)
{
}

CMyStaticTextButton* CreateStaticTextButton(QWidget* parent, int id, int index, const QString& text,
                                            const QRect& rect)
{
    g_pLastStaticTextButton = new CMyStaticTextButton(parent, id, index, text, rect);
    return g_pLastStaticTextButton;
}

UnitHeader StripUnitHeader(int index)
{
    const int s = index / 8;
    if (s < 0 || s >= kSlotCount)
        return {};
    if (s >= 32)
        return {g_UnitName[s], QString()};
    return {g_UnitName[s], s % 2 == 0 ? QStringLiteral(" - A") : QStringLiteral(" - B")};
}

void DrawUnitHeader(QPainter& p, const QRect& box, const UnitHeader& header)
{
    p.save();
    p.setClipRect(box, Qt::IntersectClip);
    DrawFitted(p, box, header.text());
    p.restore();
}

void CMyStaticTextButton::Invalidate() const
{
    if (m_pParent)
        m_pParent->update(m_rect);
}

void CMyStaticTextButton::Draw(QPainter& p) const
{
    const QRect& r = m_rect;
    const QWidget* w = m_pParent;
    switch (m_nKind) {
    case TEXT_GAIN_READOUT:
        Stretch(p, 253, r, w);
        p.setFont(g_hFontGainReadout);
        p.setPen(kTeal);
        if (m_nIndex >= 0 && m_nIndex < kChannelCount)
            p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, g_ChannelGainShortText[m_nIndex]);
        break;
    case TEXT_METER:
        Stretch(p, 256, r, w);
        break;
    case TEXT_METER_SCALE: {
        const int bitmap = MeterScaleBitmap();
        p.drawPixmap(r.topLeft(), SkinRegistry::instance().pixmap(bitmap, w->devicePixelRatioF()));
        break;
    }
    case TEXT_CHANNEL_TITLE:
        Stretch(p, 252, r, w);
        p.setFont(g_hFontChannelScribble);
        p.setPen(Qt::black);
        if (m_nIndex >= 0 && m_nIndex < kChannelCount)
            DrawFitted(p, r.adjusted(2, 0, -2, 0), g_ChannelTitle[m_nIndex].left(12));
        break;
    case TEXT_CHANNEL_NUMBER:
        Stretch(p, 251, r, w);
        p.setFont(g_hFontChannelNumber);
        p.setPen(QColor(250, 250, 250));
        p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, QString::number(m_nIndex + 1));
        break;
    case TEXT_UNIT_HEADER:
        Stretch(p, 170, r, w);
        p.setFont(g_hFontUnitHeader);
        p.setPen(QColor(164, 164, 164));
        DrawUnitHeader(p, r.adjusted(10, 8, -10, 8), StripUnitHeader(m_nIndex));
        break;
    case TEXT_HEADER_LEFT:
        Stretch(p, 171, r, w);
        break;
    case TEXT_HEADER_RIGHT:
        Stretch(p, 172, r, w);
        break;
    case TEXT_CHANNEL_EDGE:
        Stretch(p, 254, r, w);
        break;
    case TEXT_UNIT_EDGE:
        Stretch(p, 260, r, w);
        break;
    case TEXT_UNIT_BADGE:
        if (m_nIndex >= 0 && m_nIndex < kSlotCount && g_UnitOption[m_nIndex + 1] == "MIDI")
            Stretch(p, 7324, r, w);
        break;
    default:
        break;
    }
}

void CMyStaticTextButton::OnLButtonDown()
{
    g_nCurrentChannel = m_nIndex;
    g_nStripCommandKind = m_nKind;
    Invalidate();
    SendMainCommand(ID_STRIP_COMMAND);
}

void CMyStaticTextButton::OnRButtonDown()
{
    switch (m_nKind) {
    case TEXT_CHANNEL_TITLE:
        g_nCurrentChannel = m_nIndex;
        g_nStripCommandKind = STRIP_CHANNEL_TITLE;
        SendMainCommand(ID_STRIP_COMMAND);
        break;
    case TEXT_METER:
        SendMainCommand(ID_METER_PREFERENCES);
        break;
    case TEXT_UNIT_HEADER:
        if (g_pMainDlg)
            g_pMainDlg->OnUnitNaming(m_nIndex / 8);
        break;
    default:
        break;
    }
}
