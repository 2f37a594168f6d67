#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

// Push buttons that draw themselves from skin pictures.
//
// CBrannockButton is the OK / Cancel / Yes / No / Prev / Next ... button of
// the skinned dialogs. It is laid over a placeholder control of the dialog's
// layout, takes the placeholder's place and hides it, shows a hover picture
// while the mouse is over it, draws its caption centred on the picture, and
// hands a press to the dialog as the placeholder's command id: the dialog's
// ordinary command handling runs as if the placeholder had been clicked.
// The command goes out on the button going down, not on its release.
class CBrannockButton : public QWidget {
    Q_OBJECT
public:
    // The own control id every dialog gives its skinned buttons.
    static constexpr int kOwnId = 1030;
    // Pictures of the button faces.
    static constexpr int kBmpNormal = 6137;   // 79 x 23
    static constexpr int kBmpHover = 6135;    // 77 x 21
    static constexpr int kBmpHoverTall = 6142; // 77 x 25
    static constexpr int kBmpHoverWide = 6144; // 81 x 25
    // Colour of the caption.
    static constexpr QRgb kCaptionColor = qRgb(16, 16, 16);

    explicit CBrannockButton(QWidget* parent = nullptr);
    ~CBrannockButton() override;

    // Lays the button over parent's child placeholderId: takes its rectangle,
    // hides it and shows itself there with the own id ownId. False when
    // parent has no such child (the button then stays unplaced and hidden).
    bool Create(QWidget* parent, int placeholderId, int ownId, int bmpNormal, int bmpHover,
                const QString& caption, const QString& tooltip);

    // Tooltip text and an optional title line above it; the tip wraps at
    // kMaxTipWidth pixels.
    void SetToolTip(const QString& text, const QString& title = QString());

    // 0 normal, 1 the mouse is over the button.
    int state() const { return m_nState; }
    int commandId() const { return m_nCommandId; }
    const QString& caption() const { return m_strCaption; }
    const QString& toolTipText() const { return m_strToolTip; }
    const QString& toolTipTitle() const { return m_strToolTipTitle; }
    // The picture the button shows in its current state.
    int currentBitmap() const { return m_nState == 1 ? m_nBmpHover : m_nBmpNormal; }

    // The tooltip the dialogs give a caption: the caption between two blanks,
    // " Previous " for "Prev".
    static QString DefaultToolTip(const QString& caption);

signals:
    // Every press, after the parent has handled the command.
    void commandIssued(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click: the first press already sent the
    // command, so it does nothing.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    static constexpr int kMaxTipWidth = 300;
    // The tip shown for text and title: as given when it fits on one line,
    // else broken into lines so that the tip is at most maxWidth wide.
    static QString ToolTipWithin(const QString& text, const QString& title, int maxWidth);
    void SetState(int state);

    int m_nState = 0;
    QString m_strCaption;
    int m_nBmpNormal = kBmpNormal;
    int m_nBmpHover = kBmpHover;
    int m_nCommandId = 0;
    QPointer<QWidget> m_pParent;
    QString m_strToolTip;
    QString m_strToolTipTitle;
};

// The picture buttons of the main window's scene panel: normal, pressed and
// disabled pictures, drawn unscaled on the window's background colour, with a
// short press animation for some ids. The button raises no command of its
// own; the owner may listen to clicked().
class CCustomGUIButton : public QWidget {
    Q_OBJECT
public:
    enum State : int { kNormal = 0, kPressed = 1, kDisabled = 5 };
    // The press animation's timer.
    static constexpr int kTimerPress = 1;
    static constexpr QRgb kBackgroundColor = qRgb(48, 59, 83);

    // Makes a hidden button over rect (parent coordinates). A button with the
    // overview id is remembered in g_pOverviewPictureButton. Without a parent
    // nothing is made: the failure is shown with ShowMessage and the result
    // is nullptr.
    static CCustomGUIButton* CreateCustomGUIButton(QWidget* parent, int id, int bmpNormal,
                                                   int bmpPressed, int bmpDisabled,
                                                   const QRect& rect);
    ~CCustomGUIButton() override;

    int id() const { return m_nId; }
    int state() const { return m_nState; }
    void SetState(int state);
    void SetBitmaps(int bmpNormal, int bmpPressed, int bmpDisabled);
    int currentBitmap() const;

    // The press animation's timer, run by a QTimer; public so the owner's
    // tests can fire it without waiting.
    void OnTimer(int id);
    bool isPressTimerArmed() const { return m_pressTimer.isActive(); }
    int pressTimerPeriod() const { return m_pressTimer.isActive() ? m_pressTimer.interval() : -1; }

    // Ids of the scene panel's picture buttons.
    static constexpr int kIdOverview = 1004;
    static constexpr int kIdLock = 1005;
    static constexpr int kIdLongPress = 1006;
    static constexpr int kIdShortPressA = 1007;
    static constexpr int kIdShortPressB = 1008;

signals:
    // A left click released over the button; a double click is one click.
    void clicked(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click does nothing: no press picture,
    // no animation, and its release no second click.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    explicit CCustomGUIButton(QWidget* parent);

    int m_nState = kNormal;
    int m_nId = 0;
    int m_nBmpNormal = 0;
    int m_nBmpPressed = 0;
    int m_nBmpDisabled = 0;
    bool m_bPressTaken = false; // the left button went down on this button
    QTimer m_pressTimer;
};

// The scene panel's view-toggle picture button, once made.
extern CCustomGUIButton* g_pOverviewPictureButton;
