#include "dialogs/skinned_dialog.h"

#include "controls/bitmap_buttons.h"
#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"
#include "dialogs/message_text.h"
#include "platform/font_faces.h"
#include "platform/server_window_origin.h"
#include "platform/skin_registry.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>

bool g_bShowRestartNow = false;

namespace {

// Where the corner pieces go when a dialog has no "LC" static: 18 x 18 units.
QRect CornerRect(const QWidget* dialog)
{
    if (const QWidget* lc = FindChildById(dialog, IDC_SKIN_LC))
        return lc->geometry();
    return DialogItemRect(DialogItem{IDC_SKIN_LC, DialogItemKind::Static, 0, 0, 18, 18, {}, 0});
}

} // namespace

bool IsCancelKey(const QKeyEvent* event)
{
    constexpr quint32 kXBreakKeySym = 0xff6b;
    if (event->key() == Qt::Key_Cancel)
        return true;
    if (!(event->modifiers() & Qt::ControlModifier))
        return false;
    return event->key() == Qt::Key_Pause
        || (event->key() == 0 && event->nativeVirtualKey() == kXBreakKeySym);
}

QFont SkinTitleFont()
{
    // The title is drawn in the plain bold face the skin was designed with.
    return MakeFont(QStringLiteral("Arial"), 100, 700);
}

void DrawSkinnedDialogFrame(QWidget* dialog, QPainter& painter, const QString& title,
                            const QColor& body)
{
    if (!dialog)
        return;
    const SkinRegistry& skin = SkinRegistry::instance();
    const qreal dpr = dialog->devicePixelRatioF();
    const QRect client = dialog->rect();
    painter.save();

    // 1. The body: a white rounded panel under the title strip, 5 px in from
    //    every side, with a 2 px blue rim.
    {
        QRect bodyRect = client;
        bodyRect.setTop(bodyRect.top() + 27);
        bodyRect.adjust(5, 5, -5, -5);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(QColor(kSkinBodyBorderColor), 2));
        painter.setBrush(body);
        painter.drawRoundedRect(QRectF(bodyRect), 8.5, 8.5);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    // 2. The left corner piece over the "LC" rectangle.
    const QRect lc = CornerRect(dialog);
    const QPixmap leftCorner = skin.pixmap(kSkinLeftCornerBitmap, dpr);
    const int stripHeight = skin.naturalSize(kSkinLeftCornerBitmap).isValid()
        ? skin.naturalSize(kSkinLeftCornerBitmap).height()
        : lc.height();
    if (!leftCorner.isNull()) {
        painter.save();
        painter.setClipRect(QRect(QPoint(0, 0), lc.size()));
        painter.drawPixmap(QPoint(0, 0), leftCorner);
        painter.restore();
    }

    // 3. The right corner piece: as wide as "LC", ending 4 px past the
    //    client's right edge so that the picture sits flush with it.
    const int right = client.left() + client.width() + 4;
    const QRect rightPiece(QPoint(right - lc.width(), lc.top()),
                           QPoint(right - 1, lc.top() + lc.height() - 1));
    const QPixmap rightCorner = skin.pixmap(kSkinRightCornerBitmap, dpr);
    if (!rightCorner.isNull()) {
        painter.save();
        painter.setClipRect(rightPiece);
        painter.drawPixmap(rightPiece.topLeft(), rightCorner);
        painter.restore();
    }

    // 4. The gradient strip between the corner pieces.
    const QPixmap strip = skin.pixmap(QString::fromLatin1(kSkinTitleStripPicture), dpr);
    if (!strip.isNull()) {
        const QRect stripRect(QPoint(lc.left() + lc.width() - 4, lc.top()),
                              QPoint(rightPiece.left() - 1, stripHeight - 1));
        painter.setBrushOrigin(0, 0);
        painter.fillRect(stripRect, QBrush(strip));
    }

    // 5. A thin black frame round everything below the strip.
    {
        QRect frame = client;
        frame.setTop(lc.top() + lc.height() - 2);
        const QColor black(0, 0, 0);
        painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), 1), black);
        painter.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), black);
        painter.fillRect(QRect(frame.left(), frame.top(), 1, frame.height()), black);
        painter.fillRect(QRect(frame.right(), frame.top(), 1, frame.height()), black);
    }

    // 6. The title, centred on the client width, 6 px below the Logo's top.
    {
        const QWidget* logo = FindChildById(dialog, IDC_SKIN_LOGO);
        const int logoTop = logo ? logo->geometry().top() : 0;
        painter.setFont(SkinTitleFont());
        painter.setPen(QColor(kSkinTitleColor));
        const QFontMetrics metrics(painter.font());
        const int textWidth = metrics.horizontalAdvance(title);
        const int x = (client.left() + client.left() + client.width()) / 2 - textWidth / 2;
        const int y = logoTop + 6;
        painter.drawText(QPoint(x, y + metrics.ascent()), title);
    }

    painter.restore();
}

std::vector<DialogItem> SkinLayoutStatics(int cx)
{
    return {
        DialogItem{IDC_SKIN_LOGO, DialogItemKind::Static, 0, 0, cx, 18, QStringLiteral("Logo"), 0},
        DialogItem{IDC_SKIN_LC, DialogItemKind::Static, 0, 0, 18, 18, QStringLiteral("LC"),
                   kItemHidden},
    };
}

DialogTemplate SkinLayout(int id, int cx, int cy, const QString& caption, const QString& face)
{
    DialogTemplate t;
    t.id = id;
    t.cx = cx;
    t.cy = cy;
    t.caption = caption;
    t.font = DialogFontDef{face, 8, 400, false};
    t.items = SkinLayoutStatics(cx);
    return t;
}

// ---------------------------------------------------------------------------

CSkinnedDialog::CSkinnedDialog(const DialogTemplate& layout, FrameStyle style, QWidget* parent)
    : QDialog(parent), m_layout(layout), m_frameStyle(style)
{
    if (style == FrameStyle::Skinned)
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    else
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                       | Qt::WindowCloseButtonHint);
    setWindowTitle(layout.caption);
    setFont(DialogTemplateFont(layout, 96.0));
    setFixedSize(DialogClientSize(layout));
    setAutoFillBackground(true);
    BuildControls();
    ApplyColours();
}

CSkinnedDialog::~CSkinnedDialog() = default;

void CSkinnedDialog::BuildControls()
{
    for (const DialogItem& item : m_layout.items) {
        QWidget* control = nullptr;
        if (item.id == IDC_SKIN_LOGO || item.id == IDC_SKIN_LC) {
            // The skin's statics only mark places; the frame paints what they cover.
            control = new QWidget(this);
            control->setAttribute(Qt::WA_TransparentForMouseEvents);
            control->setObjectName(item.text);
            control->hide();
        } else if (item.kind == DialogItemKind::PushButton) {
            auto* button = new QPushButton(item.text, this);
            const int id = item.id;
            connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
            if (item.flags & kItemDefault)
                button->setDefault(true);
            control = button;
        } else {
            auto* label = (item.flags & kItemMessage) ? new CMessageStatic(this) : new QLabel(this);
            label->setText(item.text);
            label->setWordWrap(true);
            label->setAlignment((item.flags & kItemCentred) ? Qt::AlignHCenter | Qt::AlignTop
                                                            : Qt::AlignLeft | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            control = label;
        }
        SetControlId(control, item.id);
        control->setGeometry(DialogItemRect(item));
        if (item.flags & kItemHidden)
            control->hide();
    }
}

void CSkinnedDialog::SetColours(const QColor& dialogBackground,
                                std::optional<QColor> staticBackground)
{
    m_dialogBackground = dialogBackground;
    m_staticBackground = staticBackground;
    ApplyColours();
}

void CSkinnedDialog::ApplyColours()
{
    // The dialogs are light whatever the desktop's colour scheme is. A
    // disabled control is greyed as on a desktop dialog: its text grey, and
    // an edit on the face colour instead of white, so that a field that
    // takes no input shows it.
    const QColor face(240, 240, 240);
    const QColor greyText(109, 109, 109);
    QPalette pal = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? greyText : QColor(Qt::black);
        pal.setColor(group, QPalette::Window, m_dialogBackground);
        pal.setColor(group, QPalette::WindowText, text);
        pal.setColor(group, QPalette::Base, disabled ? face : QColor(Qt::white));
        pal.setColor(group, QPalette::Text, text);
        pal.setColor(group, QPalette::Button, face);
        pal.setColor(group, QPalette::ButtonText, text);
    }
    setPalette(pal);

    for (QObject* child : children()) {
        auto* label = qobject_cast<QLabel*>(child);
        if (!label)
            continue;
        QPalette labelPal = label->palette();
        if (m_staticBackground)
            labelPal.setColor(QPalette::Window, *m_staticBackground);
        label->setPalette(labelPal);
        label->setAutoFillBackground(m_staticBackground.has_value());
    }
}

int CSkinnedDialog::DoModal()
{
    return exec();
}

void CSkinnedDialog::EndDialog(int result)
{
    done(result);
}

void CSkinnedDialog::InitDialog()
{
    if (m_bInitialised)
        return;
    m_bInitialised = true;
    OnInitDialog();
    // Keys reach PreTranslateKey whichever control has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool CSkinnedDialog::OnInitDialog()
{
    return true;
}

QWidget* CSkinnedDialog::GetDlgItem(int id) const
{
    return FindChildById(this, id);
}

void CSkinnedDialog::SetDlgItemText(int id, const QString& text)
{
    QWidget* item = GetDlgItem(id);
    if (auto* label = qobject_cast<QLabel*>(item))
        label->setText(text);
    else if (auto* button = qobject_cast<QPushButton*>(item))
        button->setText(text);
}

QString CSkinnedDialog::GetDlgItemText(int id) const
{
    QWidget* item = GetDlgItem(id);
    if (auto* label = qobject_cast<QLabel*>(item))
        return label->text();
    if (auto* button = qobject_cast<QPushButton*>(item))
        return button->text();
    return QString();
}

void CSkinnedDialog::OnCommand(int id)
{
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
}

void CSkinnedDialog::OnOK()
{
    done(IDOK);
}

void CSkinnedDialog::OnCancel()
{
    done(IDCANCEL);
}

void CSkinnedDialog::OnSharedCancel()
{
    EndDialog(IDCANCEL);
}

void CSkinnedDialog::reject()
{
    OnCancel();
}

void CSkinnedDialog::accept()
{
    OnOK();
}

bool CSkinnedDialog::CreateSkinButton(CBrannockButton& button, int placeholderId, int hoverBitmap,
                                      const QString& caption, const QString& tooltip)
{
    return button.Create(this, placeholderId, CBrannockButton::kOwnId, CBrannockButton::kBmpNormal,
                         hoverBitmap, caption, tooltip);
}

void CSkinnedDialog::PreTranslateKey(QKeyEvent*) {}

void CSkinnedDialog::OnPaint(QPainter& painter)
{
    if (m_frameStyle == FrameStyle::Skinned)
        DrawSkinnedDialogFrame(this, painter, m_strSkinTitle);
}

void CSkinnedDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    OnPaint(painter);
}

void CSkinnedDialog::showEvent(QShowEvent* event)
{
    // A dialog that comes back (the Link Matrix after one of its own
    // dialogs) comes back where it was, also when the window manager moved
    // it there; a first show is centred on the owner, where the owner is.
    if (m_bInitialised)
        setAttribute(Qt::WA_Moved);
    else if (auto* owner = qobject_cast<CSkinnedDialog*>(parentWidget() ? parentWidget()->window() : nullptr))
        owner->SyncPlacement();
    InitDialog();
    const bool placed = testAttribute(Qt::WA_Moved);
    QDialog::showEvent(event);
    if (!placed && !event->spontaneous())
        CentreOnOwner();
}

void CSkinnedDialog::CentreOnOwner()
{
    // Qt centres a dialog as if it had a window frame like the windows
    // already up, and so sets it off by that frame; a borderless dialog has
    // none, and its centre goes onto the owner's centre. Like Qt, it stays
    // on the owner's screen.
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (m_frameStyle != FrameStyle::Skinned || !owner)
        return;
    QRect wanted(QPoint(0, 0), size());
    wanted.moveCenter(owner->mapToGlobal(owner->rect().center()));
    if (const QScreen* screen = owner->screen()) {
        const QRect area = screen->availableGeometry();
        wanted.moveLeft(std::max(area.left(), std::min(wanted.left(), area.right() + 1 - wanted.width())));
        wanted.moveTop(std::max(area.top(), std::min(wanted.top(), area.bottom() + 1 - wanted.height())));
    }
    move(wanted.topLeft());
    // Placed on its owner, not where someone put it: as Qt leaves it.
    setAttribute(Qt::WA_Moved, false);
}

void CSkinnedDialog::SyncPlacement()
{
    // A window manager that frames every window tells Qt where a borderless
    // one went only in passing, and Qt may keep it at the top left of the
    // screen; the server knows. The window is already there: setting the
    // position only corrects Qt's idea of it.
    if (m_frameStyle != FrameStyle::Skinned || !isVisible())
        return;
    QWindow* window = windowHandle();
    const std::optional<QPoint> origin = ServerWindowOrigin(window);
    if (!origin)
        return;
    if (window->position() != *origin)
        window->setPosition(*origin);
    if (pos() != *origin)
        move(*origin);
}

bool CSkinnedDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Whatever a press or a key opens or starts is placed from the dialog's
    // position, so that position is the real one first.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick
        || event->type() == QEvent::KeyPress)
        SyncPlacement();
    if (event->type() == QEvent::KeyPress) {
        // A key goes first to the focused control and, when that control
        // leaves it, on to its parents; pre-translate it once, at the first.
        if (event != m_pPreTranslated) {
            m_pPreTranslated = watched == this ? nullptr : event;
            PreTranslateKey(static_cast<QKeyEvent*>(event));
        } else if (watched == this) {
            m_pPreTranslated = nullptr;
        }
    } else if (event->type() == QEvent::KeyRelease) {
        m_pPreTranslated = nullptr;
    }
    return QDialog::eventFilter(watched, event);
}

void CSkinnedDialog::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape are the dialog's OK and Cancel, whatever has the focus.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            OnCommand(IDOK);
            return;
        case Qt::Key_Escape:
            event->accept();
            OnCommand(IDCANCEL);
            return;
        default:
            break;
        }
    }
    QDialog::keyPressEvent(event);
}

bool CSkinnedDialog::InDragHandle(const QPoint& pos) const
{
    switch (m_dragHandle) {
    case DragHandle::None:
        return false;
    case DragHandle::LogoStatic: {
        const QWidget* logo = GetDlgItem(IDC_SKIN_LOGO);
        return logo && logo->geometry().contains(pos);
    }
    case DragHandle::ClientArea:
    case DragHandle::WholeWindow:
        return rect().contains(pos);
    }
    return false;
}

void CSkinnedDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && InDragHandle(event->position().toPoint())) {
        event->accept();
        // The window manager moves the window where it can; elsewhere the
        // dialog follows the mouse itself.
        if (QWindow* window = windowHandle(); window && window->startSystemMove())
            return;
        m_bDragging = true;
        m_dragOffset = event->globalPosition().toPoint() - pos();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CSkinnedDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bDragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CSkinnedDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_bDragging && event->button() == Qt::LeftButton) {
        m_bDragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}
