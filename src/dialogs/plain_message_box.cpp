#include "dialogs/plain_message_box.h"

#include "dialogs/message_text.h"

#include <QLabel>
#include <QLayout>

namespace {

// The box's text in the place of the toolkit's label. The box finds its
// width by asking its label's size with word wrapping off (the text on
// unbroken lines) and, when that is wider than it likes, with wrapping on
// (then only as wide as the widest word must be). This static answers the
// same two questions for the label, which stays out of sight and holds the
// text for the box: since it breaks a word wherever it must, wrapped it
// needs no width of its own, and the box takes its usual width for a long
// text instead of that of its longest word.
class PlainMessageText : public CMessageStatic {
public:
    PlainMessageText(QLabel* label, QWidget* parent) : CMessageStatic(parent), m_label(label)
    {
        setAlignment(label->alignment());
        setWordWrap(true);
    }

    QSize sizeHint() const override
    {
        const int natural = naturalTextWidth();
        return QSize(m_label->wordWrap() ? 0 : natural, heightForWidth(natural));
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    QLabel* m_label;
};

} // namespace

CPlainMessageBox::CPlainMessageBox(const QString& text, QWidget* owner)
    : QMessageBox(QMessageBox::NoIcon, QStringLiteral("Corvane"), text, QMessageBox::Ok, owner)
{
    auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label || !layout())
        return;
    m_message = new PlainMessageText(label, this);
    m_message->setText(text);
    QLayoutItem* replaced = layout()->replaceWidget(label, m_message);
    if (!replaced) {
        delete m_message;
        m_message = nullptr;
        return;
    }
    delete replaced;
    // Out of sight, the label still tells the box's layout when its word
    // wrapping changes, so the static's answers are asked for again.
    QSizePolicy policy = label->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    label->setSizePolicy(policy);
    label->hide();
}

CPlainMessageBox::~CPlainMessageBox() = default;

void CPlainMessageBox::SetMessage(const QString& text)
{
    // The static first: the box sizes itself anew as its text changes.
    if (m_message)
        m_message->setText(text);
    setText(text);
}
