#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>

#include <algorithm>
#include <functional>

// The text fields of the editing dialogs (names, titles and notes).
//
// The project file keeps every name, title and note as single-byte
// Windows-1252 text of at most 99 characters. The fields therefore take from
// typing, pasting and dropping only characters that code page holds, and no
// more than fits: what the operator sees in a field is what the project file
// will keep. Notes keep their line ends as CR LF, as the file holds them, and
// each line end counts two characters. A stored text that is already longer
// is shown whole; it only cannot grow.

inline constexpr int kMaxStoredTextLength = 99;

// True when the character can be stored: printable Windows-1252 text, and in
// notes also tabs and line ends.
bool IsStorableCharacter(QChar c, bool multiLine);

// The length a field's text takes in the file (a line end of a note counts two).
int StoredTextLength(const QString& fieldText, bool multiLine);

// The text a field stores: characters that cannot be stored and the
// forbidden ones dropped, line ends of notes as CR LF, cut to limit
// characters without splitting a line end.
QString ToStoredText(const QString& fieldText, bool multiLine, int limit = kMaxStoredTextLength,
                     const QString& forbidden = QString());

// How a stored text shows in a field (notes show their CR LF as line breaks).
QString ToFieldText(const QString& stored, bool multiLine);

// One edit of a field held to the rules: the part that the edit put in
// (found by comparing the text before and after) keeps only characters that
// can be stored and are not forbidden, and is cut so that the whole stays
// within limit; the rest of the text is left as it was.
struct ConstrainedEdit {
    bool changed = false;   // the edit had to be cut or filtered
    int start = 0;          // where the inserted part begins
    int insertedLength = 0; // its length in the edited text
    QString replacement;    // what it becomes
    QString text;           // the whole text afterwards
    int cursor = 0;         // the caret after the inserted part
};
ConstrainedEdit ConstrainEdit(const QString& before, const QString& after, bool multiLine,
                              int limit = kMaxStoredTextLength, const QString& forbidden = QString());

// The one-line name field.
class CNameEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CNameEdit(QWidget* parent = nullptr);
    ~CNameEdit() override;

    // Shows a stored text whole, whatever it holds.
    void SetStoredText(const QString& text);
    // The text as it is to be stored.
    QString StoredText() const;

    // At most kMaxStoredTextLength: the file holds no more.
    void SetLimit(int limit) { m_nLimit = std::clamp(limit, 0, kMaxStoredTextLength); }
    int limit() const { return m_nLimit; }
    // Characters the field refuses on top of those the file cannot hold.
    void SetForbiddenCharacters(const QString& characters) { m_strForbidden = characters; }

private:
    class Guard;
    friend class Guard;

    int m_nLimit = kMaxStoredTextLength;
    QString m_strForbidden;
    QString m_strAccepted; // the text after the last edit that was let through
    bool m_bLoading = false;
};

// The multi-line notes field.
class CNotesEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CNotesEdit(QWidget* parent = nullptr);
    ~CNotesEdit() override;

    void SetStoredText(const QString& text);
    QString StoredText() const;

    void SetLimit(int limit) { m_nLimit = std::clamp(limit, 0, kMaxStoredTextLength); }
    int limit() const { return m_nLimit; }

private:
    void OnContentsChanged();

    int m_nLimit = kMaxStoredTextLength;
    QString m_strAccepted;
    bool m_bLoading = false;
};

// The default beep of the dialogs (Prev at the first entry, Next at the last).
void MessageBeep();
// Replaces the beep (tests count it); an empty function puts the beep back.
void SetMessageBeepHandler(std::function<void()> handler);
