#pragma once

#include <QColor>
#include <QDialog>
#include <QPoint>
#include <QString>

#include <optional>
#include <vector>

#include "controls/command_target.h"
#include "controls/dialog_template.h"
#include "controls/wnd_shadow.h"
#include "dialogs/dialog_result.h"

class CBrannockButton;
class QKeyEvent;
class QPainter;

// The restart notice shows its "Restart Now" button.
extern bool g_bShowRestartNow;
// Control ids of the skin's layout statics.
inline constexpr int IDC_SKIN_LOGO = 13048; // "Logo": the caption strip, 18 units high
inline constexpr int IDC_SKIN_LC = 13061;   // "LC": hidden, sizes the corner pieces

// Colours of the skin.
inline constexpr QRgb kSkinDialogBackground = qRgb(231, 231, 231);
inline constexpr QRgb kSkinBodyColor = qRgb(255, 255, 255);
inline constexpr QRgb kSkinBodyBorderColor = qRgb(0, 64, 128);
inline constexpr QRgb kSkinTitleColor = qRgb(16, 16, 16);

// Pictures of the skin.
inline constexpr int kSkinLeftCornerBitmap = 213;  // 23 x 28
inline constexpr int kSkinRightCornerBitmap = 220; // 23 x 28
inline constexpr char kSkinTitleStripPicture[] = "GRAY_GRADIENT"; // 282 x 28

// Paints the whole skin of a borderless dialog: the white rounded body on the
// dialog's background, the two corner pieces, the gradient title strip between
// them, the thin black frame and the title centred on the client width, 6 px
// below the top of the "Logo" static. The body colour is white except where a
// dialog asks for its own. Call it from paintEvent only.
void DrawSkinnedDialogFrame(QWidget* dialog, QPainter& painter, const QString& title,
                            const QColor& body = QColor(kSkinBodyColor));

// The font of the skin's title.
QFont SkinTitleFont();

// The "Logo" and "LC" statics a skinned layout of the given width starts with.
std::vector<DialogItem> SkinLayoutStatics(int cx);

// A skinned layout of the given size and caption in the 8-point dialog face,
// holding its skin statics; the dialog adds its own items after them.
DialogTemplate SkinLayout(int id, int cx, int cy, const QString& caption,
                          const QString& face = QStringLiteral("Microsoft Sans Serif"));

// The Cancel key: the X Cancel key, or Ctrl+Break (Ctrl+Pause), which X
// hands over as the keysym Break with no Qt key of its own.
bool IsCancelKey(const QKeyEvent* event);

// Base of the program's dialogs. It builds the controls of its layout (a
// code table in dialog units), runs OnInitDialog once when first shown,
// routes commands by id (from the skinned buttons, from its push buttons and
// from Enter and Escape), gives its keys to PreTranslateKey before the
// focused control sees them, paints the skin for borderless dialogs, lets the
// operator drag the dialog by its handle, and colours its background and
// statics. Results are the ID... values of dialog_result.h.
class CSkinnedDialog : public QDialog, public CommandTarget {
    Q_OBJECT
public:
    enum class FrameStyle {
        Skinned,  // a borderless popup that paints the skin itself
        TitleBar, // a plain window with the desktop's title bar
    };
    enum class DragHandle {
        None,
        LogoStatic,  // the "Logo" strip
        ClientArea,  // any point of the client area outside the controls
        WholeWindow, // every point the dialog itself receives
    };

    CSkinnedDialog(const DialogTemplate& layout, FrameStyle style, QWidget* parent = nullptr);
    ~CSkinnedDialog() override;

    // Runs the dialog modally and returns its result.
    int DoModal();
    // Ends the dialog with a result (modal: exec returns it).
    void EndDialog(int result);

    // Runs OnInitDialog unless it has run; showing the dialog does this.
    void InitDialog();
    bool isInitialised() const { return m_bInitialised; }

    QWidget* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const QString& text);
    QString GetDlgItemText(int id) const;

    const DialogTemplate& layout() const { return m_layout; }
    FrameStyle frameStyle() const { return m_frameStyle; }
    DragHandle dragHandle() const { return m_dragHandle; }
    const QString& skinTitle() const { return m_strSkinTitle; }
    const CWndShadow& shadow() const { return m_wndShadow; }

    // Commands by id: IDOK runs OnOK, IDCANCEL runs OnCancel; dialogs add theirs.
    void OnCommand(int id) override;

    // Escape and the window's close button end with IDCANCEL through OnCancel.
    void reject() override;
    void accept() override;

    // Takes a shown borderless dialog to be where the display server has it.
    // Qt places drop-down lists, the dialogs this one owns, a drag and the
    // dialog's own return after hiding from where it takes the dialog to be.
    void SyncPlacement();

protected:
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // The Cancel button of the editing dialogs.
    void OnSharedCancel();

    // Sees every key press in the dialog before the control with the focus
    // does; the key then goes on as usual.
    virtual void PreTranslateKey(QKeyEvent* event);
    // What the dialog paints; skinned dialogs paint the skin with their title.
    virtual void OnPaint(QPainter& painter);

    // Lays a skinned button over a placeholder static of the layout.
    bool CreateSkinButton(CBrannockButton& button, int placeholderId, int hoverBitmap,
                          const QString& caption, const QString& tooltip);

    void SetSkinTitle(const QString& title) { m_strSkinTitle = title; }
    void SetDragHandle(DragHandle handle) { m_dragHandle = handle; }
    // The dialog's background and, when given, an opaque background for its
    // text statics (else they show the dialog through).
    void SetColours(const QColor& dialogBackground, std::optional<QColor> staticBackground);

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ApplyColours();
    // A first show of a borderless dialog puts its centre on its owner's.
    void CentreOnOwner();
    bool InDragHandle(const QPoint& pos) const;

    DialogTemplate m_layout;
    FrameStyle m_frameStyle;
    DragHandle m_dragHandle = DragHandle::None;
    QString m_strSkinTitle;
    QColor m_dialogBackground{kSkinDialogBackground};
    std::optional<QColor> m_staticBackground;
    bool m_bInitialised = false;
    bool m_bDragging = false;
    QPoint m_dragOffset;
    // The key press the focused control's filter has already pre-translated,
    // so that its propagation to the dialog is not pre-translated again.
    const QEvent* m_pPreTranslated = nullptr;
    CWndShadow m_wndShadow;
};
