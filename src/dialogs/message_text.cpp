#include "dialogs/message_text.h"

#include "controls/control_ids.h"
#include "dialogs/skinned_dialog.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// Lays the message out in lines of the given width (centred unless told
// otherwise), line by line as a label draws its text, so a text that fits
// looks as it would in a label: broken at blanks, and inside a word only
// where the word alone is wider than a line (a path or a name without
// blanks), so no part of it falls outside the box. Returns the height the
// lines take.
int LayOutMessage(QTextLayout& layout, int width, Qt::Alignment alignment = Qt::AlignHCenter)
{
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(layout.font()).leading();
    qreal height = -leading;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        // A line is placed by its advance, as in a label, but never so far
        // that the ink of its last glyph (an underscore that ends a broken
        // piece of a name reaches past its advance) leaves the static.
        const qreal room = width - line.horizontalAdvance();
        qreal x = 0;
        if (alignment & Qt::AlignHCenter)
            x = room / 2;
        else if (alignment & Qt::AlignRight)
            x = room;
        x = std::max<qreal>(0, std::min(x, width - line.naturalTextWidth()));
        // Each line starts on a whole pixel.
        height = std::ceil(height + leading);
        line.setPosition(QPointF(x, height));
        height += line.ascent() + line.descent();
    }
    layout.endLayout();
    return int(std::ceil(std::max<qreal>(height, 0)));
}

// The message's text with its line breaks as a text layout takes them; each
// break stays one character, so the lines' places are the text's own.
QString MessageLines(QString text)
{
    return text.replace(QLatin1Char('\n'), QChar::LineSeparator);
}

// The font as a screen of the given scale draws it: at that multiple of
// its size, hinted on its own, so its lines may break elsewhere.
QFont ScaledFont(const QFont& font, int scale)
{
    QFont scaled = font;
    if (font.pixelSize() > 0)
        scaled.setPixelSize(font.pixelSize() * scale);
    else
        scaled.setPointSizeF(font.pointSizeF() * scale);
    return scaled;
}

// The height the message takes in a static of the given width, in logical
// pixels. It is laid out at scale 1 and at scale 2 and the taller of the two
// counts, so it fits on either screen.
int WrappedTextHeight(const QFont& font, int width, const QString& text)
{
    int height = 0;
    for (const int scale : {1, 2}) {
        QTextLayout layout(MessageLines(text), ScaledFont(font, scale));
        height = std::max(height, (LayOutMessage(layout, width * scale) + scale - 1) / scale);
    }
    return height;
}

// The height of the frame the desktop puts round the box: known once it is
// on screen, else that of a title bar unless the box is borderless.
int FrameHeight(const QWidget& box)
{
    const int known = box.frameGeometry().height() - box.height();
    if (known > 0 || (box.windowFlags() & Qt::FramelessWindowHint))
        return known;
    return box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
}

} // namespace

CMessageStatic::CMessageStatic(QWidget* parent) : QLabel(parent) {}

CMessageStatic::~CMessageStatic() = default;

QPoint CMessageStatic::LayOut(QTextLayout& layout) const
{
    const QRect area = contentsRect();
    LayOutMessage(layout, area.width(), alignment() & Qt::AlignHorizontal_Mask);
    return area.topLeft();
}

std::vector<MessageTextLine> CMessageStatic::lines() const
{
    const QString shown = text();
    QTextLayout layout(MessageLines(shown), font(), this);
    const QPoint origin = LayOut(layout);
    std::vector<MessageTextLine> result;
    result.reserve(size_t(layout.lineCount()));
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        result.push_back({shown.mid(line.textStart(), line.textLength()),
                          line.naturalTextRect().translated(origin)});
    }
    return result;
}

void CMessageStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    QTextLayout layout(MessageLines(text()), font(), this);
    layout.draw(&painter, LayOut(layout));
}

int CMessageStatic::textHeight(const QString& text) const
{
    return WrappedTextHeight(font(), contentsRect().width(), text);
}

int CMessageStatic::heightForWidth(int width) const
{
    const QMargins margins = contentsMargins();
    return WrappedTextHeight(font(), width - margins.left() - margins.right(), text()) + margins.top()
        + margins.bottom();
}

int CMessageStatic::naturalTextWidth() const
{
    int widest = 0;
    for (const int scale : {1, 2}) {
        QTextLayout layout(MessageLines(text()), ScaledFont(font(), scale));
        LayOutMessage(layout, QWIDGETSIZE_MAX, Qt::AlignLeft);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const int width = int(std::ceil(layout.lineAt(i).naturalTextWidth()));
            widest = std::max(widest, (width + scale - 1) / scale);
        }
    }
    return widest;
}

void CMessageStatic::FitBox(const QString& text)
{
    QWidget* box = parentWidget();
    if (!box)
        return;
    const int layoutHeight = height() - m_growth;
    int growth = std::max(0, textHeight(text) - layoutHeight);
    // The box, title bar and all, stays within the screen: a text longer
    // than even that holds (thousands of characters; a path of a few hundred
    // takes a few lines) is clipped at the box's lower edge.
    const QWidget* owner = box->parentWidget() ? box->parentWidget()->window() : box;
    const QScreen* screen = owner->screen();
    if (screen) {
        const int room = screen->availableGeometry().height() - FrameHeight(*box)
            - (box->height() - m_growth);
        growth = std::min(growth, std::max(0, room));
    }
    const int delta = growth - m_growth;
    if (delta == 0)
        return;

    // The buttons' placeholders and the buttons over them (and anything
    // else below the text) move with the static's lower edge.
    const int below = y() + height();
    resize(width(), height() + delta);
    for (QObject* child : box->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control && control != this && !control->isWindow() && control->y() >= below)
            control->move(control->x(), control->y() + delta);
    }
    box->setFixedSize(box->width(), box->height() + delta);
    m_growth = growth;

    // A box placed before its text changed (one that shows a new text
    // while up) stays centred where it was, within the screen. One that
    // is not up yet is centred on its owner when it opens.
    if (!box->isVisible() || !screen)
        return;
    if (auto* dialog = qobject_cast<CSkinnedDialog*>(box))
        dialog->SyncPlacement();
    const QRect available = screen->availableGeometry();
    const int lowest = std::max(available.top(), available.bottom() + 1 - box->frameGeometry().height());
    box->move(box->x(), std::clamp(box->y() - delta / 2, available.top(), lowest));
}

CMessageStatic* FindMessageStatic(const QWidget* box, int id)
{
    return qobject_cast<CMessageStatic*>(FindChildById(box, id));
}
