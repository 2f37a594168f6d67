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

// Lays the message out in centred lines of the given width, line by line as
// drawn text is: broken at blanks, and inside a word only where the word
// alone is wider than a line (a path or a name without blanks), so no part
// of it falls outside the box. Returns the height the lines take.
int LayOutMessage(QTextLayout& layout, int width)
{
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(layout.font()).leading();
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return int(std::ceil(height));
}

// The message's text with its line breaks as a text layout takes them; each
// break stays one character, so the lines' places are the text's own.
QString MessageLines(QString text)
{
    return text.replace(QLatin1Char('\n'), QChar::LineSeparator);
}

// The height the message takes in a static of the given width, in logical
// pixels. It is laid out at scale 1 and at scale 2 (the font drawn at twice
// its size, hinted on its own, may break its lines elsewhere) and the taller
// of the two counts, so it fits on either screen.
int WrappedTextHeight(const QFont& font, int width, const QString& text)
{
    int height = 0;
    for (const int scale : {1, 2}) {
        QFont scaled = font;
        if (font.pixelSize() > 0)
            scaled.setPixelSize(font.pixelSize() * scale);
        else
            scaled.setPointSizeF(font.pointSizeF() * scale);
        QTextLayout layout(MessageLines(text), scaled);
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
    LayOutMessage(layout, area.width());
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
