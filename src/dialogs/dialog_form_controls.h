#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <vector>

class QAbstractButton;
class QComboBox;

// The standard controls that the dialogs place besides the statics of their
// layouts: check boxes, radio buttons in exclusive blocks, drop-down lists,
// group boxes, a bordered number display with its up-down arrows, and a
// picture static. Each is positioned in dialog units and named by its
// control id; a click on a check box or radio button reaches the dialog as
// that id's command, after the control has changed its state.

enum class FormItemKind {
    CheckBox,
    Radio,         // radios with the same block number exclude each other
    DropDownList,  // a non-editable combo box
    GroupBox,      // a titled frame; the controls "in" it are its siblings
    NumberDisplay, // a bordered static with its text centred
    UpDown,        // up-down arrows that write their position into a buddy
    Picture,       // a static that shows a skin picture at its natural size
};

enum FormItemFlag : unsigned {
    kFormHidden = 1u << 0,
};

struct FormItem {
    int id = -1;
    FormItemKind kind = FormItemKind::CheckBox;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    QString text;
    unsigned flags = 0;
    int block = 0;  // radio block; for an up-down, the id of its buddy display
};

// Creates the items on the dialog in order (later items lie above earlier
// ones). Clicks of check boxes and radios go to the dialog's OnCommand when
// the dialog is a CommandTarget.
void CreateFormItems(QWidget* dialog, const std::vector<FormItem>& items);

// The check state of a check box or radio button; false when there is none.
bool IsDlgButtonChecked(const QWidget* dialog, int id);
// Checks or clears a check box or radio. Clearing the checked radio of a
// block leaves the whole block clear; checking one clears the others.
void CheckDlgButton(QWidget* dialog, int id, bool checked);
QAbstractButton* DlgButton(const QWidget* dialog, int id);
QComboBox* DlgComboBox(const QWidget* dialog, int id);

// The up-down arrows beside a number display: a range, a position kept in
// it, and the position written as a decimal number into the buddy. The up
// arrow (and the Up key) adds one, the down arrow (and Down) takes one away;
// the position stops at the ends. Held down, an arrow repeats.
class CSpinButtonCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButtonCtrl(QWidget* parent = nullptr);
    ~CSpinButtonCtrl() override;

    void SetRange(int lower, int upper);
    int lower() const { return m_nLower; }
    int upper() const { return m_nUpper; }
    // Keeps pos within the range and shows it in the buddy.
    void SetPos(int pos);
    int GetPos() const { return m_nPos; }
    void SetBuddy(QLabel* buddy);
    QLabel* GetBuddy() const { return m_pBuddy; }

    // One arrow step: +1 up, -1 down.
    void Step(int delta);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnRepeat();

    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
    QLabel* m_pBuddy = nullptr;
    int m_nPressed = 0;  // +1 the up arrow is held, -1 the down arrow, 0 none
    QTimer m_repeat;
};

// A picture static: shows one skin picture at its natural size from its top
// left corner; the picture is chosen by name and may change at any time.
class CPictureStatic : public QWidget {
    Q_OBJECT
public:
    explicit CPictureStatic(QWidget* parent = nullptr);
    ~CPictureStatic() override;

    void SetPicture(const QString& name);
    const QString& picture() const { return m_strPicture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_strPicture;
};
