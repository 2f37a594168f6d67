#pragma once

#include <QMessageBox>

class CMessageStatic;
class QLabel;

// The plain message box: the toolkit's box with the program's caption
// "Corvane", a text and OK, whose text is shown by the program's message
// static, so a word wider than the box (a path) is broken inside the word
// instead of being cut at the box's edge. The box is as wide as the toolkit
// makes it for the text and as tall as the lines need.
class CPlainMessageBox : public QMessageBox {
    Q_OBJECT
public:
    explicit CPlainMessageBox(const QString& text, QWidget* owner = nullptr);
    ~CPlainMessageBox() override;

    // Shows another text (text() gives it back, and the copy key copies it).
    void SetMessage(const QString& text);

    CMessageStatic* messageStatic() const { return m_message; }

private:
    CMessageStatic* m_message = nullptr;
};
