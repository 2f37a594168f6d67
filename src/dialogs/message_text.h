#pragma once

#include <QLabel>
#include <QRectF>
#include <QString>

#include <vector>

class QTextLayout;

// The message of the program's boxes. A message may name a project file or
// a name the operator gave, and either can be one long word without blanks
// (a path); the boxes show every character of it. The lines break at blanks,
// and inside a word only where the word alone is wider than a line; a box
// whose message area is too low for the lines grows downwards.

// One line of a message as the static draws it: its characters (with the
// blank or line break that ends it, so the lines put together give the text
// back) and the rectangle its glyphs take, in the static's coordinates.
struct MessageTextLine {
    QString text;
    QRectF rect;
};

// The message static of a box (a layout item flagged kItemMessage, and the
// text of the plain box): its text in lines from the top, aligned as the
// label's horizontal alignment says.
class CMessageStatic : public QLabel {
    Q_OBJECT
public:
    explicit CMessageStatic(QWidget* parent = nullptr);
    ~CMessageStatic() override;

    // The lines of the text as they are painted.
    std::vector<MessageTextLine> lines() const;

    // The height of its text at a width, for a box that lays it out.
    int heightForWidth(int width) const override;

    // Gives the static the height text takes, growing the box it is in (its
    // parent) by what the static's layout height is short of that: whatever
    // lies below the static (the buttons) and the box's lower edge move
    // down. A text that fits leaves the layout as it is; a new text puts
    // back what an earlier one grew too much. A box already on screen keeps
    // its centre. The box never grows beyond the height of the screen.
    void FitBox(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

    // The width of the widest line of its text when no line is broken, on a
    // screen of scale 1 or 2, whichever is wider.
    int naturalTextWidth() const;

private:
    // The height text takes at the static's width and in its font, in
    // logical pixels, on a screen of scale 1 or 2, whichever is taller.
    int textHeight(const QString& text) const;
    // Lays the static's text out in layout (made with this static's text
    // and font) and returns where the lines are drawn from.
    QPoint LayOut(QTextLayout& layout) const;

    // How far the box has grown beyond its layout for the text.
    int m_growth = 0;
};

// The message static with this id among box's controls, or nullptr.
CMessageStatic* FindMessageStatic(const QWidget* box, int id);
