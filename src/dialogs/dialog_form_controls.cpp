#include "dialogs/dialog_form_controls.h"

#include "controls/command_target.h"
#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"
#include "platform/skin_registry.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <map>

namespace {

// Delays of an arrow held down: the first repeat, then each further one.
constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatPeriodMs = 60;

QRect ItemRect(const FormItem& item)
{
    DialogItem d;
    d.x = item.x;
    d.y = item.y;
    d.cx = item.cx;
    d.cy = item.cy;
    return DialogItemRect(d);
}

void ConnectClick(QWidget* dialog, QAbstractButton* button, int id)
{
    auto* target = dynamic_cast<CommandTarget*>(dialog);
    if (!target)
        return;
    QObject::connect(button, &QAbstractButton::clicked, dialog, [target, id] { target->OnCommand(id); });
}

} // namespace

void CreateFormItems(QWidget* dialog, const std::vector<FormItem>& items)
{
    if (!dialog)
        return;
    std::map<int, QButtonGroup*> blocks;
    std::vector<std::pair<CSpinButtonCtrl*, int>> spins;
    for (const FormItem& item : items) {
        QWidget* control = nullptr;
        switch (item.kind) {
        case FormItemKind::CheckBox: {
            auto* box = new QCheckBox(item.text, dialog);
            ConnectClick(dialog, box, item.id);
            control = box;
            break;
        }
        case FormItemKind::Radio: {
            auto* radio = new QRadioButton(item.text, dialog);
            QButtonGroup*& group = blocks[item.block];
            if (!group) {
                group = new QButtonGroup(dialog);
                group->setExclusive(true);
            }
            group->addButton(radio);
            ConnectClick(dialog, radio, item.id);
            control = radio;
            break;
        }
        case FormItemKind::DropDownList: {
            auto* combo = new QComboBox(dialog);
            combo->setEditable(false);
            control = combo;
            break;
        }
        case FormItemKind::GroupBox:
            control = new QGroupBox(item.text, dialog);
            break;
        case FormItemKind::NumberDisplay: {
            auto* label = new QLabel(item.text, dialog);
            label->setFrameShape(QFrame::Box);
            label->setLineWidth(1);
            label->setAlignment(Qt::AlignCenter);
            label->setTextFormat(Qt::PlainText);
            control = label;
            break;
        }
        case FormItemKind::UpDown: {
            auto* spin = new CSpinButtonCtrl(dialog);
            spins.emplace_back(spin, item.block);
            control = spin;
            break;
        }
        case FormItemKind::Picture: {
            auto* picture = new CPictureStatic(dialog);
            control = picture;
            break;
        }
        }
        SetControlId(control, item.id);
        control->setGeometry(ItemRect(item));
        if (item.kind == FormItemKind::Picture && !item.text.isEmpty())
            static_cast<CPictureStatic*>(control)->SetPicture(item.text);
        control->setVisible(!(item.flags & kFormHidden));
    }
    for (const auto& [spin, buddyId] : spins)
        spin->SetBuddy(qobject_cast<QLabel*>(FindChildById(dialog, buddyId)));
}

QAbstractButton* DlgButton(const QWidget* dialog, int id)
{
    return qobject_cast<QAbstractButton*>(FindChildById(dialog, id));
}

QComboBox* DlgComboBox(const QWidget* dialog, int id)
{
    return qobject_cast<QComboBox*>(FindChildById(dialog, id));
}

bool IsDlgButtonChecked(const QWidget* dialog, int id)
{
    const QAbstractButton* button = DlgButton(dialog, id);
    return button && button->isChecked();
}

void CheckDlgButton(QWidget* dialog, int id, bool checked)
{
    QAbstractButton* button = DlgButton(dialog, id);
    if (!button || button->isChecked() == checked)
        return;
    QButtonGroup* group = button->group();
    if (!checked && group && group->exclusive()) {
        // An exclusive block refuses to clear its checked button by itself.
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    button->setChecked(checked);
}

// ---------------------------------------------------------------------------
// CSpinButtonCtrl

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    m_repeat.setSingleShot(false);
    connect(&m_repeat, &QTimer::timeout, this, &CSpinButtonCtrl::OnRepeat);
}

CSpinButtonCtrl::~CSpinButtonCtrl() = default;

void CSpinButtonCtrl::SetRange(int lower, int upper)
{
    m_nLower = std::min(lower, upper);
    m_nUpper = std::max(lower, upper);
    SetPos(m_nPos);
}

void CSpinButtonCtrl::SetPos(int pos)
{
    m_nPos = std::clamp(pos, m_nLower, m_nUpper);
    if (m_pBuddy)
        m_pBuddy->setText(QString::number(m_nPos));
}

void CSpinButtonCtrl::SetBuddy(QLabel* buddy)
{
    m_pBuddy = buddy;
    SetPos(m_nPos);
}

void CSpinButtonCtrl::Step(int delta)
{
    SetPos(m_nPos + delta);
}

QSize CSpinButtonCtrl::sizeHint() const
{
    return QSize(14, 20);
}

void CSpinButtonCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int half = height() / 2;
    const QRect parts[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        const int delta = i == 0 ? 1 : -1;
        QStyleOptionButton panel;
        panel.initFrom(this);
        panel.rect = parts[i];
        panel.state |= QStyle::State_Raised;
        if (m_nPressed == delta)
            panel.state = (panel.state & ~QStyle::State_Raised) | QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &panel, &painter, this);
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = parts[i].adjusted(2, 1, -2, -1);
        const bool atEnd = delta > 0 ? m_nPos >= m_nUpper : m_nPos <= m_nLower;
        if (atEnd)
            arrow.state &= ~QStyle::State_Enabled;
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &arrow, &painter, this);
    }
}

void CSpinButtonCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_nPressed = event->position().y() < height() / 2.0 ? 1 : -1;
    Step(m_nPressed);
    m_repeat.start(kRepeatDelayMs);
    update();
}

void CSpinButtonCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_nPressed != 0) {
        m_nPressed = 0;
        m_repeat.stop();
        update();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CSpinButtonCtrl::OnRepeat()
{
    if (m_nPressed == 0) {
        m_repeat.stop();
        return;
    }
    m_repeat.setInterval(kRepeatPeriodMs);
    Step(m_nPressed);
    update();
}

void CSpinButtonCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Step(event->key() == Qt::Key_Up ? 1 : -1);
        update();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CSpinButtonCtrl::hideEvent(QHideEvent* event)
{
    m_nPressed = 0;
    m_repeat.stop();
    QWidget::hideEvent(event);
}

// ---------------------------------------------------------------------------
// CPictureStatic

CPictureStatic::CPictureStatic(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

CPictureStatic::~CPictureStatic() = default;

void CPictureStatic::SetPicture(const QString& name)
{
    // Like a bitmap static, the control takes the size of its picture.
    const QSize natural = SkinRegistry::instance().naturalSize(name);
    if (natural.isValid())
        resize(natural);
    if (name == m_strPicture)
        return;
    m_strPicture = name;
    update();
}

void CPictureStatic::paintEvent(QPaintEvent*)
{
    if (m_strPicture.isEmpty())
        return;
    const QPixmap picture = SkinRegistry::instance().pixmap(m_strPicture, devicePixelRatioF());
    if (picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), picture);
}
