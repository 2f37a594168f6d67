#include "dialogs/text_fields.h"

#include <QApplication>
#include <QTextCursor>
#include <QValidator>

#include <algorithm>

namespace {

// The characters Windows-1252 places at 0x80..0x9F (five of its codes are unused).
constexpr char16_t kAnsiExtra[] = {
    0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178,
};

// Line ends of a note as single '\n'.
QString NormaliseLineEnds(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // Paragraph and line separators of rich text are line ends too.
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    return text;
}

int CharacterCost(QChar c, bool multiLine)
{
    return multiLine && c == QLatin1Char('\n') ? 2 : 1;
}

// Keeps the characters that may go in, as long as they fit into room.
QString FilterAndFit(const QString& text, bool multiLine, int room, const QString& forbidden)
{
    QString result;
    int used = 0;
    for (QChar c : text) {
        if (!IsStorableCharacter(c, multiLine) || forbidden.contains(c))
            continue;
        const int cost = CharacterCost(c, multiLine);
        if (used + cost > room)
            break;
        used += cost;
        result.append(c);
    }
    return result;
}

std::function<void()>& BeepHandler()
{
    static std::function<void()> handler;
    return handler;
}

} // namespace

bool IsStorableCharacter(QChar c, bool multiLine)
{
    const char16_t u = c.unicode();
    if (multiLine && (u == u'\n' || u == u'\t'))
        return true;
    if ((u >= 0x20 && u <= 0x7E) || (u >= 0xA0 && u <= 0xFF))
        return true;
    return std::find(std::begin(kAnsiExtra), std::end(kAnsiExtra), u) != std::end(kAnsiExtra);
}

int StoredTextLength(const QString& fieldText, bool multiLine)
{
    const QString text = multiLine ? NormaliseLineEnds(fieldText) : fieldText;
    int length = 0;
    for (QChar c : text)
        length += CharacterCost(c, multiLine);
    return length;
}

QString ToStoredText(const QString& fieldText, bool multiLine, int limit, const QString& forbidden)
{
    const QString text = multiLine ? NormaliseLineEnds(fieldText) : fieldText;
    QString stored = FilterAndFit(text, multiLine, std::max(limit, 0), forbidden);
    if (multiLine)
        stored.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return stored;
}

QString ToFieldText(const QString& stored, bool multiLine)
{
    return multiLine ? NormaliseLineEnds(stored) : stored;
}

ConstrainedEdit ConstrainEdit(const QString& before, const QString& after, bool multiLine,
                              int limit, const QString& forbidden)
{
    ConstrainedEdit r;
    const qsizetype common = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < common && before.at(prefix) == after.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < common - prefix
           && before.at(before.size() - 1 - suffix) == after.at(after.size() - 1 - suffix))
        ++suffix;

    const QString inserted = after.mid(prefix, after.size() - prefix - suffix);
    const QString kept = after.left(prefix) + after.right(suffix);
    const int room = std::max(0, limit - StoredTextLength(kept, multiLine));
    QString source = inserted;
    if (multiLine) {
        // A pasted CR LF is one line end here.
        source.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        source.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    const QString replacement = FilterAndFit(source, multiLine, room, forbidden);

    r.start = int(prefix);
    r.insertedLength = int(inserted.size());
    r.replacement = replacement;
    r.changed = replacement != inserted;
    r.text = r.changed ? after.left(prefix) + replacement + after.right(suffix) : after;
    r.cursor = int(prefix + replacement.size());
    return r;
}

// ---------------------------------------------------------------------------
// CNameEdit

// Holds each edit of the field to the rules as the field applies it.
class CNameEdit::Guard : public QValidator {
public:
    explicit Guard(CNameEdit* edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString& input, int& pos) const override
    {
        if (m_edit->m_bLoading)
            return Acceptable;
        const ConstrainedEdit r = ConstrainEdit(m_edit->m_strAccepted, input, false,
                                                m_edit->m_nLimit, m_edit->m_strForbidden);
        if (r.changed) {
            input = r.text;
            pos = r.cursor;
        }
        m_edit->m_strAccepted = input;
        return Acceptable;
    }

private:
    CNameEdit* m_edit;
};

CNameEdit::CNameEdit(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new Guard(this));
}

CNameEdit::~CNameEdit() = default;

void CNameEdit::SetStoredText(const QString& text)
{
    m_bLoading = true;
    setText(text);
    m_bLoading = false;
    m_strAccepted = this->text();
}

QString CNameEdit::StoredText() const
{
    return ToStoredText(text(), false, m_nLimit, m_strForbidden);
}

// ---------------------------------------------------------------------------
// CNotesEdit

CNotesEdit::CNotesEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &CNotesEdit::OnContentsChanged);
}

CNotesEdit::~CNotesEdit() = default;

void CNotesEdit::SetStoredText(const QString& text)
{
    m_bLoading = true;
    setPlainText(ToFieldText(text, true));
    m_bLoading = false;
    m_strAccepted = toPlainText();
}

QString CNotesEdit::StoredText() const
{
    return ToStoredText(toPlainText(), true, m_nLimit);
}

void CNotesEdit::OnContentsChanged()
{
    if (m_bLoading)
        return;
    const ConstrainedEdit r = ConstrainEdit(m_strAccepted, toPlainText(), true, m_nLimit);
    if (r.changed) {
        m_bLoading = true;
        QTextCursor edit(document());
        edit.setPosition(r.start);
        edit.setPosition(r.start + r.insertedLength, QTextCursor::KeepAnchor);
        edit.insertText(r.replacement);
        QTextCursor caret = textCursor();
        caret.setPosition(std::min(r.cursor, document()->characterCount() - 1));
        setTextCursor(caret);
        m_bLoading = false;
    }
    m_strAccepted = toPlainText();
}

// ---------------------------------------------------------------------------

void MessageBeep()
{
    if (BeepHandler())
        BeepHandler()();
    else
        QApplication::beep();
}

void SetMessageBeepHandler(std::function<void()> handler)
{
    BeepHandler() = std::move(handler);
}
