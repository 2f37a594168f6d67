#pragma once

#include <QTimer>

#include "dialogs/skinned_dialog.h"

// A skinned "Message" box on a lavender body that shows g_strMessage (set it
// before the box opens) and ends itself with IDOK a moment after it opened
// (1500 ms unless told otherwise). It has no buttons, no drag handle and no
// keys of its own.
class CSelfClosingDlg : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 132;
    static constexpr int IDC_MESSAGE = 1005;
    static constexpr int kTimerClose = 2;
    static constexpr int kDefaultCloseAfterMs = 1500;
    static constexpr QRgb kBodyColor = qRgb(220, 220, 255);

    explicit CSelfClosingDlg(QWidget* parent = nullptr, int closeAfterMs = kDefaultCloseAfterMs);
    ~CSelfClosingDlg() override;

    static DialogTemplate Layout();

    // A box still up shows a new text for its full time again.
    void ShowAgain(const QString& text);

    // The timer's handler: the close timer ends the box with IDOK.
    void OnTimer(int id);
    bool isCloseTimerArmed() const { return m_closeTimer.isActive(); }
    int closeTimerPeriod() const { return m_closeTimer.interval(); }

protected:
    bool OnInitDialog() override;
    void OnPaint(QPainter& painter) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowText(const QString& text);

    QTimer m_closeTimer;
};
