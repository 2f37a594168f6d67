#include "dialogs/about_dialog.h"

#include "app/fonts.h"
#include "dialogs/program_version.h"
#include "platform/skin_registry.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

CNewAboutDlg::CNewAboutDlg(QWidget* parent) : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("About Corvane"));
    SetDragHandle(DragHandle::None);
    SetColours(QColor(kSkinDialogBackground), QColor(kVersionBackground));
}

CNewAboutDlg::~CNewAboutDlg() = default;

DialogTemplate CNewAboutDlg::Layout()
{
    DialogTemplate t;
    t.id = kTemplateId;
    t.cx = 364;
    t.cy = 227;
    t.caption = QStringLiteral("About Corvane");
    t.font = DialogFontDef{QStringLiteral("MS Sans Serif"), 8, 400, false};
    t.items = {
        {IDC_SKIN_LC, DialogItemKind::Static, 0, 0, 18, 18, QStringLiteral("LC"), kItemHidden},
        {IDC_SKIN_LOGO, DialogItemKind::Static, 18, 0, 137, 18, QStringLiteral("Logo"), 0},
        {IDC_VERSION, DialogItemKind::Static, 221, 194, 68, 9, QStringLiteral(" Version"), 0},
    };
    return t;
}

QString CNewAboutDlg::VersionText()
{
    return QStringLiteral("Version ") + QLatin1String(kProgramVersion);
}

bool CNewAboutDlg::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    // The dialog fits its picture: 4 px on each side, the title strip above.
    const QSize picture = SkinRegistry::instance().naturalSize(kAboutBitmap);
    if (picture.isValid()) {
        setFixedSize(picture.width() + 8, picture.height() + 35);
        if (QWidget* version = GetDlgItem(IDC_VERSION)) {
            const QSize size = version->size();
            version->move(picture.width() - size.width() - 8, picture.height() - size.height() + 18);
        }
    }
    if (auto* version = qobject_cast<QLabel*>(GetDlgItem(IDC_VERSION))) {
        if (g_hFontSceneList != QFont())
            version->setFont(g_hFontSceneList);
        version->setWordWrap(false);
        version->setText(VersionText());
    }
    return true;
}

void CNewAboutDlg::OnPaint(QPainter& painter)
{
    DrawSkinnedDialogFrame(this, painter, skinTitle());
    DrawPicture(painter);
}

void CNewAboutDlg::DrawPicture(QPainter& painter)
{
    const QPixmap picture = SkinRegistry::instance().pixmap(kAboutBitmap, devicePixelRatioF());
    if (!picture.isNull())
        painter.drawPixmap(QPoint(kPictureLeft, kPictureTop), picture);
}

void CNewAboutDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        OnCancel();
        return;
    }
    CSkinnedDialog::mousePressEvent(event);
}
