#include "dialogs/unit_status_pages.h"

#include "app/app_services.h"
#include "app/project_state.h"
#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"
#include "platform/font_faces.h"
#include "protocol/bytes.h"
#include "protocol/sender132.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_tables.h"

#include <arpa/inet.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

#include <initializer_list>

int g_SelectedUnitSlot = 1;
int g_nSelectedUnitNumber = 1;

namespace {

// Hover faces of the buttons.
constexpr int kBitmapHoverOkCancel = CBrannockButton::kBmpHoverTall; // 6142
constexpr int kBitmapHoverPrev = CBrannockButton::kBmpHover;         // 6135
constexpr int kBitmapHoverNext = CBrannockButton::kBmpHoverWide;     // 6144

// Every field of a page; the title and the status text are always shown.
constexpr int kAllFields[] = {
    CUnitMessage_KR960x::IDC_TEMPERATURE_LABEL, CUnitMessage_KR960x::IDC_TEMPERATURE,
    CUnitMessage_KR960x::IDC_MAC_LABEL,         CUnitMessage_KR960x::IDC_MAC,
    CUnitMessage_KR960x::IDC_FIRMWARE_LABEL,    CUnitMessage_KR960x::IDC_FIRMWARE,
    CUnitMessage_KR960x::IDC_FORMAT_LABEL,      CUnitMessage_KR960x::IDC_FORMAT,
    CUnitMessage_KR960x::IDC_48V_LABEL,         CUnitMessage_KR960x::IDC_24V_LABEL,
    CUnitMessage_KR960x::IDC_5V_LABEL,          CUnitMessage_KR960x::IDC_3V3_LABEL,
    CUnitMessage_KR960x::IDC_48V,               CUnitMessage_KR960x::IDC_24V,
    CUnitMessage_KR960x::IDC_5V,                CUnitMessage_KR960x::IDC_3V3,
    CUnitMessage_KR960x::IDC_IP_GROUP_LABEL,    CUnitMessage_KR960x::IDC_SET_AUTOMATICALLY,
    CUnitMessage_KR960x::IDC_SET_MANUALLY,      CUnitMessage_KR960x::IDC_IP_LABEL,
    CUnitMessage_KR960x::IDC_IP_EDIT,           CUnitMessage_KR960x::IDC_MASK_LABEL,
    CUnitMessage_KR960x::IDC_MASK_EDIT,         CUnitMessage_KR960x::IDC_IP_TEXT,
    CUnitMessage_KR960x::IDC_SPLIT_LABEL,       CUnitMessage_KR960x::IDC_SPLIT,
    CUnitMessage_KR960x::IDC_RATE_LABEL,        CUnitMessage_KR960x::IDC_RATE,
};

// The value statics a page fills.
constexpr int kValueFields[] = {
    CUnitMessage_KR960x::IDC_TEMPERATURE, CUnitMessage_KR960x::IDC_MAC,
    CUnitMessage_KR960x::IDC_FIRMWARE,    CUnitMessage_KR960x::IDC_FORMAT,
    CUnitMessage_KR960x::IDC_48V,         CUnitMessage_KR960x::IDC_24V,
    CUnitMessage_KR960x::IDC_5V,          CUnitMessage_KR960x::IDC_3V3,
    CUnitMessage_KR960x::IDC_IP_TEXT,     CUnitMessage_KR960x::IDC_RATE,
};

// The editing controls the layout table cannot describe, in dialog units.
constexpr int kRadioY = 123, kRadioWidth = 80, kRadioHeight = 10;
constexpr int kAutomaticRadioX = 22, kManualRadioX = 112;
// The label column: where the KR-9X layout's address label lines up too.
constexpr int kLabelX = 17;
constexpr int kEditX = 95, kEditWidth = 90, kEditHeight = 12;
constexpr int kIpEditY = 138, kMaskEditY = 154;
constexpr int kSplitX = 95, kSplitY = 175, kSplitWidth = 60, kSplitHeight = 12;

UnitFamily132* FamilyOfModel(int model)
{
    if (model == UNIT_TYPE_KR960)
        return &g_Family_KR960;
    if (model == UNIT_TYPE_KR960_8)
        return &g_Family_KR960_8;
    return nullptr;
}

// A dotted IPv4 text as a host-order number; false when it is none.
bool ParseDottedAddress(const QString& text, std::uint32_t* hostOrder)
{
    in_addr address{};
    const QByteArray latin = text.trimmed().toLatin1();
    if (::inet_pton(AF_INET, latin.constData(), &address) != 1)
        return false;
    *hostOrder = ntohl(address.s_addr);
    return true;
}

QString UnitTitle(int unitNumber, const char* model)
{
    QString title = QStringLiteral("   STATUS OF UNIT %1").arg(unitNumber);
    if (model)
        title += QStringLiteral(" (%1)").arg(QLatin1String(model));
    return title;
}

} // namespace

// ---------------------------------------------------------------------------
// Texts

namespace unit_pages {

QString FirmwareText132(std::uint32_t frmVer, std::uint32_t guiVer)
{
    return QString::asprintf("%d.%d.%d-%02d-%d.%d.%d", int(frmVer >> 24), int((frmVer >> 16) & 0xFF),
                             int((frmVer >> 8) & 0xFF), int(frmVer & 0xFF), int(guiVer >> 24),
                             int((guiVer >> 16) & 0xFF), int((guiVer >> 8) & 0xFF));
}

QString FirmwareTextKR9X(std::uint32_t frmVer)
{
    return QString::asprintf("%d.%d.%d", int(static_cast<std::int8_t>(frmVer >> 24)),
                             int((frmVer >> 8) & 0xFFFF), int(frmVer & 0xFF));
}

QString MacText(const std::uint8_t* mac)
{
    return QString::asprintf("%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                             mac[5]);
}

QString OutputFormatText(std::uint8_t optionByte)
{
    if (GetBit(3, optionByte))
        return QStringLiteral("DANTE");
    if (GetBit(4, optionByte))
        return QStringLiteral("DSD");
    if (GetBit(5, optionByte))
        return QStringLiteral("MADI");
    return QString();
}

} // namespace unit_pages

int OpenUnitStatusPages(QWidget* parent)
{
    CUnitMessage_KR960x dlg(parent);
    return dlg.DoModal();
}

// ---------------------------------------------------------------------------

CUnitMessage_KR960x::CUnitMessage_KR960x(QWidget* parent)
    : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("Unit Status"));
    SetDragHandle(DragHandle::LogoStatic);
    SetColours(QColor(kSkinDialogBackground), QColor(255, 255, 255));
    CreateEditingControls();
}

CUnitMessage_KR960x::~CUnitMessage_KR960x() = default;

DialogTemplate CUnitMessage_KR960x::Layout()
{
    DialogTemplate t = SkinLayout(kTemplateId, 235, 246, QStringLiteral("Unit Status"));
    const auto text = [&](int id, int x, int y, int cx, int cy, const char* label, unsigned flags = 0) {
        t.items.push_back({id, DialogItemKind::Static, x, y, cx, cy, QString::fromLatin1(label), flags});
    };
    text(IDC_TITLE, 10, 24, 215, 12, "   STATUS OF UNIT");
    text(IDC_STATUS, kLabelX, 41, 195, 10, "Functional Status:");
    text(IDC_TEMPERATURE_LABEL, kLabelX, 57, 68, 9, "Temperature:");
    text(IDC_TEMPERATURE, kEditX, 57, 125, 9, "");
    text(IDC_MAC_LABEL, kLabelX, 69, 68, 9, "MAC Address:");
    text(IDC_MAC, kEditX, 69, 125, 9, "");
    text(IDC_FIRMWARE_LABEL, kLabelX, 81, 68, 9, "Firmware Version:");
    text(IDC_FIRMWARE, kEditX, 81, 125, 9, "");
    text(IDC_FORMAT_LABEL, kLabelX, 93, 68, 9, "Output Format:");
    text(IDC_FORMAT, kEditX, 93, 125, 9, "");
    text(IDC_48V_LABEL, kLabelX, 93, 68, 9, "48v Monitor:");
    text(IDC_48V, kEditX, 93, 80, 9, "");
    text(IDC_24V_LABEL, kLabelX, 105, 68, 9, "24v Monitor:");
    text(IDC_24V, kEditX, 105, 80, 9, "");
    text(IDC_5V_LABEL, kLabelX, 117, 68, 9, "5.0v Monitor:");
    text(IDC_5V, kEditX, 117, 80, 9, "");
    text(IDC_3V3_LABEL, kLabelX, 129, 68, 9, "3.3v Monitor:");
    text(IDC_3V3, kEditX, 129, 80, 9, "");
    text(IDC_RATE_LABEL, kLabelX, 105, 68, 9, "Data Rate:", kItemHidden);
    text(IDC_RATE, kEditX, 105, 80, 9, "", kItemHidden);
    text(IDC_IP_GROUP_LABEL, kLabelX, 110, 100, 9, "IP Address:");
    text(IDC_IP_LABEL, kLabelX + 10, kIpEditY + 2, 58, 9, "IP Address:");
    text(IDC_MASK_LABEL, kLabelX + 10, kMaskEditY + 2, 58, 9, "Subnet Mask:");
    text(IDC_IP_TEXT, kEditX, kIpEditY + 2, 125, 9, "", kItemHidden);
    text(IDC_SPLIT_LABEL, kLabelX, kSplitY + 2, 68, 9, "Split Gain Offset:");
    text(IDC_PREV_PLACEHOLDER, 13, 222, 50, 15, "Prev");
    text(IDC_NEXT_PLACEHOLDER, 66, 222, 50, 15, "Next");
    text(IDC_OK_PLACEHOLDER, 119, 222, 50, 15, "OK");
    text(IDC_CANCEL_PLACEHOLDER, 172, 222, 50, 15, "Cancel");
    return t;
}

void CUnitMessage_KR960x::CreateEditingControls()
{
    m_radAutomatic = new QRadioButton(QStringLiteral("Set Automatically"), this);
    SetControlId(m_radAutomatic, IDC_SET_AUTOMATICALLY);
    m_radAutomatic->setGeometry(DialogItemRect({IDC_SET_AUTOMATICALLY, DialogItemKind::Static,
                                                kAutomaticRadioX, kRadioY, kRadioWidth,
                                                kRadioHeight, {}, 0}));
    m_radManual = new QRadioButton(QStringLiteral("SetManually"), this);
    SetControlId(m_radManual, IDC_SET_MANUALLY);
    m_radManual->setGeometry(DialogItemRect({IDC_SET_MANUALLY, DialogItemKind::Static, kManualRadioX,
                                             kRadioY, kRadioWidth, kRadioHeight, {}, 0}));

    m_edIp = new QLineEdit(this);
    SetControlId(m_edIp, IDC_IP_EDIT);
    m_edIp->setGeometry(
        DialogItemRect({IDC_IP_EDIT, DialogItemKind::Static, kEditX, kIpEditY, kEditWidth, kEditHeight, {}, 0}));
    m_edMask = new QLineEdit(this);
    SetControlId(m_edMask, IDC_MASK_EDIT);
    m_edMask->setGeometry(DialogItemRect(
        {IDC_MASK_EDIT, DialogItemKind::Static, kEditX, kMaskEditY, kEditWidth, kEditHeight, {}, 0}));
    for (QLineEdit* edit : {m_edIp, m_edMask})
        edit->setMaxLength(15);

    m_cbSplit = new QComboBox(this);
    SetControlId(m_cbSplit, IDC_SPLIT);
    m_cbSplit->setGeometry(DialogItemRect(
        {IDC_SPLIT, DialogItemKind::Static, kSplitX, kSplitY, kSplitWidth, kSplitHeight, {}, 0}));

    connect(m_radAutomatic, &QRadioButton::clicked, this, [this] { OnSetAutomatically(); });
    connect(m_radManual, &QRadioButton::clicked, this, [this] { OnSetManually(); });
    connect(m_cbSplit, &QComboBox::activated, this, [this] { OnSplitOffsetChange(); });
}

bool CUnitMessage_KR960x::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    m_ptIpEditTemplate = m_edIp->pos();
    m_ptIpLabelTemplate = Item(IDC_IP_LABEL)->pos();
    if (QWidget* title = Item(IDC_TITLE)) {
        title->setFont(MakeFont(QStringLiteral("Arial"), 100, 700));
        QPalette pal = title->palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        title->setPalette(pal);
    }
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, kBitmapHoverOkCancel, QStringLiteral("OK"),
                     QStringLiteral(" OK "));
    CreateSkinButton(m_btnCancel, IDC_CANCEL_PLACEHOLDER, kBitmapHoverOkCancel,
                     QStringLiteral("Cancel"), QStringLiteral(" Cancel "));
    CreateSkinButton(m_btnPrev, IDC_PREV_PLACEHOLDER, kBitmapHoverPrev, QStringLiteral("Prev"),
                     QStringLiteral(" Previous "));
    CreateSkinButton(m_btnNext, IDC_NEXT_PLACEHOLDER, kBitmapHoverNext, QStringLiteral("Next"),
                     QStringLiteral(" Next "));

    // The pages open on a slot that exists, and Prev and Next step from the
    // number of that slot's unit.
    if (g_SelectedUnitSlot < 1 || g_SelectedUnitSlot > kSlotCount)
        g_SelectedUnitSlot = 1;
    g_nSelectedUnitNumber = SlotToUnitNumber(g_SelectedUnitSlot);
    ShowPageOfSelection();
    return true;
}

void CUnitMessage_KR960x::ShowPageOfSelection()
{
    if (g_SelectedUnitSlot <= 32)
        ShowPage_KR960();
    else
        ShowPage_KR9X();
}

// ---------------------------------------------------------------------------
// Layouts

void CUnitMessage_KR960x::ShowItems(std::initializer_list<int> ids, bool show)
{
    for (int id : ids)
        if (QWidget* item = Item(id))
            item->setVisible(show);
}

void CUnitMessage_KR960x::SetPageLayout(PageLayout layout)
{
    m_layoutShown = layout;
    for (int id : kAllFields)
        if (QWidget* item = Item(id))
            item->hide();
    ShowItems({IDC_TITLE, IDC_STATUS}, true);
    QWidget* ipLabel = Item(IDC_IP_LABEL);
    switch (layout) {
    case PageLayout::KR9X: {
        ShowItems({IDC_TEMPERATURE_LABEL, IDC_TEMPERATURE, IDC_MAC_LABEL, IDC_MAC, IDC_IP_TEXT,
                   IDC_48V_LABEL, IDC_24V_LABEL, IDC_5V_LABEL, IDC_3V3_LABEL, IDC_48V, IDC_24V,
                   IDC_5V, IDC_3V3, IDC_FIRMWARE_LABEL, IDC_FIRMWARE},
                  true);
        // The address has no edit on this page: its label moves out to the
        // left and the address text takes the edit's place beside it.
        const int y = m_ptIpLabelTemplate.y() + kKR9XIpLabelDrop;
        if (ipLabel) {
            ipLabel->move(kKR9XIpLabelX, y);
            ipLabel->show();
        }
        if (QWidget* ipText = Item(IDC_IP_TEXT))
            ipText->move(m_ptIpEditTemplate.x(), y);
        break;
    }
    case PageLayout::Net132:
        ShowItems({IDC_TEMPERATURE_LABEL, IDC_TEMPERATURE, IDC_MAC_LABEL, IDC_MAC,
                   IDC_FIRMWARE_LABEL, IDC_FIRMWARE, IDC_FORMAT_LABEL, IDC_FORMAT,
                   IDC_IP_GROUP_LABEL, IDC_SET_AUTOMATICALLY, IDC_SET_MANUALLY, IDC_IP_LABEL,
                   IDC_IP_EDIT, IDC_MASK_LABEL, IDC_MASK_EDIT, IDC_SPLIT_LABEL, IDC_SPLIT},
                  true);
        m_edIp->move(m_ptIpEditTemplate);
        if (ipLabel)
            ipLabel->move(m_ptIpLabelTemplate);
        break;
    case PageLayout::NotActive:
    case PageLayout::None:
        break;
    }
}

void CUnitMessage_KR960x::ClearPageFields()
{
    // Nothing of the unit shown before stays on the new page.
    for (int id : kValueFields)
        SetDlgItemText(id, QString());
    m_edIp->clear();
    m_edMask->clear();
    for (QRadioButton* radio : {m_radAutomatic, m_radManual}) {
        radio->setAutoExclusive(false);
        radio->setChecked(false);
        radio->setAutoExclusive(true);
    }
    m_edIp->setEnabled(false);
    m_edMask->setEnabled(false);
    m_cbSplit->clear();
    m_pendingSplit.reset();
}

// ---------------------------------------------------------------------------
// Pages

void CUnitMessage_KR960x::SetPageTitle(const QString& title)
{
    // The window carries the page's title too, so the desktop names the
    // unit whose page is shown, whichever way the operator got there.
    SetDlgItemText(IDC_TITLE, title);
    setWindowTitle(title);
}

void CUnitMessage_KR960x::ShowPage_KR9X()
{
    const int s = g_SelectedUnitSlot;
    const int n = SlotToUnitNumber(s);
    m_bPage132 = false;
    ClearPageFields();
    SetPageLayout(PageLayout::KR9X);
    SetPageTitle(UnitTitle(n, "KR-9X"));

    const int status = g_UnitStatus[std::size_t(s)];
    if (status == UNIT_INACTIVE) {
        SetPageLayout(PageLayout::NotActive);
        SetPageTitle(UnitTitle(n, nullptr));
        SetDlgItemText(IDC_STATUS, QStringLiteral("INACTIVE."));
        return;
    }
    if (status == UNIT_OFFLINE) {
        SetPageLayout(PageLayout::NotActive);
        SetDlgItemText(IDC_STATUS, QStringLiteral("OFF-LINE."));
        return;
    }
    if (status == UNIT_NOW_OFFLINE) {
        SetPageLayout(PageLayout::NotActive);
        SetDlgItemText(IDC_STATUS, QStringLiteral("UNIT OFF-LINE"));
        return;
    }
    SetDlgItemText(IDC_STATUS, status == UNIT_BAD_TEMP_OR_POWER_SUPPLY
                                   ? QStringLiteral("BAD TEMPERATURE OR POWER")
                                   : QStringLiteral("FUNCTIONING NORMALLY"));
    const UnitNodeKR9X* node = FindUnit_KR9X(s);
    if (!node)
        return;

    // One verdict over all supplies and the temperature marks all four values.
    const char* format = SuppliesInRange_KR9X(s) ? "%4.1f" : "*** %4.1f";
    const std::size_t i = std::size_t(s);
    SetDlgItemText(IDC_48V, QString::asprintf(format, double(g_PS48V[i])));
    SetDlgItemText(IDC_24V, QString::asprintf(format, double(g_PS24V[i])));
    SetDlgItemText(IDC_5V, QString::asprintf(format, double(g_PS5V[i])));
    SetDlgItemText(IDC_3V3, QString::asprintf(format, double(g_PS3V3[i])));

    const float temperature = g_UnitTemperature[i];
    const bool temperatureOk = temperature >= 1.0f && temperature <= 150.0f;
    SetDlgItemText(IDC_TEMPERATURE, QString::asprintf(temperatureOk ? "%4.1f degrees C"
                                                                    : "*** %4.1f degrees C",
                                                      double(temperature)));
    SetDlgItemText(IDC_MAC, unit_pages::MacText(g_ShownMac_KR9X[i].data()));
    SetDlgItemText(IDC_IP_TEXT, QString::fromStdString(g_ShownIpText_KR9X[i]));
    SetDlgItemText(IDC_FIRMWARE,
                   unit_pages::FirmwareTextKR9X(ReadLe32(&node->Packet[p97::kFrmVer])));
}

void CUnitMessage_KR960x::ShowPage_KR960()
{
    const int s = g_SelectedUnitSlot;
    const int n = SlotToUnitNumber(s);
    const std::size_t i = std::size_t(s);
    const int m = g_UnitModel[i];
    m_bPage132 = true;
    ClearPageFields();
    SetPageLayout(PageLayout::Net132);
    m_cbSplit->addItems({QStringLiteral(" 0 dB"), QStringLiteral("-3 dB"), QStringLiteral("-6 dB")});
    m_cbSplit->setCurrentIndex(-1);

    if (UnitFamily132* family = FamilyOfModel(m)) {
        if (const UnitNode132* node = family->FindUnit(s)) {
            const QString format = unit_pages::OutputFormatText(node->OptionByte);
            if (!format.isEmpty())
                SetDlgItemText(IDC_FORMAT, format);
            const bool automatic = GetBit(p132::kOptionAutoIp, node->OptionByte) != 0;
            m_radAutomatic->setChecked(automatic);
            m_radManual->setChecked(!automatic);
            m_edIp->setEnabled(!automatic);
            m_edMask->setEnabled(!automatic);
            const int split = node->StatusByte & 0x03;
            if (split != 3)
                m_cbSplit->setCurrentIndex(split);
            m_edIp->setText(QString::fromStdString(node->IpText));
            m_edMask->setText(QString::fromStdString(family->maskText[i]));
            SetDlgItemText(IDC_FIRMWARE,
                           unit_pages::FirmwareText132(ReadLe32(&node->Packet[p132::kFrmVer]),
                                                       ReadLe32(&node->Packet[p132::kGuiVer])));
        }
        SetPageTitle(UnitTitle(n, m == UNIT_TYPE_KR960_8 ? "KR-960/8" : "KR-960"));
        SetDlgItemText(IDC_TEMPERATURE,
                       QString::asprintf("%0.1f degrees C", double(g_UnitTemperature[i])));
        SetDlgItemText(IDC_MAC, unit_pages::MacText(family->shownMac[i].data()));
    } else {
        // No unit of these models was ever heard here: the title names the unit alone.
        SetPageTitle(UnitTitle(n, nullptr));
    }

    const int status = g_UnitStatus[i];
    if (status == UNIT_INACTIVE) {
        SetPageLayout(PageLayout::NotActive);
        SetPageTitle(UnitTitle(n, nullptr));
        SetDlgItemText(IDC_STATUS, QStringLiteral("INACTIVE."));
    } else if (status == UNIT_OFFLINE || status == UNIT_NOW_OFFLINE) {
        SetPageLayout(PageLayout::NotActive);
        SetDlgItemText(IDC_STATUS, QStringLiteral("UNIT OFF-LINE"));
    } else if (status == UNIT_AUX_POWER_ON) {
        SetDlgItemText(IDC_STATUS, QStringLiteral("AUX POWER ON"));
    } else if (status == UNIT_BAD_IP_ADDRESS) {
        SetDlgItemText(IDC_STATUS, QStringLiteral("BAD IP ADDRESS"));
    } else {
        SetDlgItemText(IDC_STATUS, QStringLiteral("FUNCTIONING NORMALLY"));
    }
}

// ---------------------------------------------------------------------------
// Editing

void CUnitMessage_KR960x::OnSetAutomatically()
{
    m_edIp->setEnabled(false);
    m_edMask->setEnabled(false);
}

void CUnitMessage_KR960x::OnSetManually()
{
    m_edIp->setEnabled(true);
    m_edMask->setEnabled(true);
}

void CUnitMessage_KR960x::OnSplitOffsetChange()
{
    const int s = g_SelectedUnitSlot;
    if (s >= 1 && s <= kSlotCount && g_UnitOption[std::size_t(s)] == "MIDI")
        return;
    const int selection = m_cbSplit->currentIndex();
    // Selection 0, 1, 2 are the bit patterns 00, 01, 10.
    if (selection >= 0 && selection <= 2)
        m_pendingSplit = selection;
}

QString CUnitMessage_KR960x::BadAddressMessage()
{
    return QStringLiteral("The IP address and the subnet mask must each be four numbers "
                          "from 0 to 255 separated by dots. Nothing has been sent to the unit.");
}

bool CUnitMessage_KR960x::ApplyPageEdits()
{
    // A KR-9X page, and a page that never showed a 132-byte unit, apply nothing.
    if (!m_bPage132)
        return true;
    const int s = g_SelectedUnitSlot;
    if (s < 1 || s > kSlotCount)
        return true;
    UnitFamily132* family = FamilyOfModel(g_UnitModel[std::size_t(s)]);
    if (!family || !family->FindUnit(s))
        return true;

    const bool automatic = m_radAutomatic->isChecked();
    const bool manual = m_radManual->isChecked();
    std::uint32_t ip = 0;
    std::uint32_t mask = 0;
    if (manual && (!ParseDottedAddress(m_edIp->text(), &ip)
                   || !ParseDottedAddress(m_edMask->text(), &mask))) {
        g_strMessage = BadAddressMessage();
        RunMessageBox(MessageBoxKind::Message);
        return false;
    }

    // The message box above may have let the watchdog remove the unit.
    UnitNode132* node = family->FindUnit(s);
    if (!node)
        return true;
    if (m_pendingSplit)
        node->StatusByte = static_cast<std::uint8_t>((node->StatusByte & ~0x03) | (*m_pendingSplit & 0x03));
    const bool wasAutomatic = GetBit(p132::kOptionAutoIp, node->OptionByte) != 0;
    if (automatic)
        SetBit(p132::kOptionAutoIp, 1, &node->OptionByte);
    else if (manual)
        SetBit(p132::kOptionAutoIp, 0, &node->OptionByte);
    SendUnitState132(*family, *node);

    if (!manual)
        return true;
    // A failed send may have told the operator, and the unit may have gone meanwhile.
    node = family->FindUnit(s);
    if (!node)
        return true;
    if (ip != node->UnitAddr || mask != node->SubnetMask || wasAutomatic)
        SendNetConfig132(*family, s, ip, mask);
    return true;
}

// ---------------------------------------------------------------------------
// Buttons and keys

void CUnitMessage_KR960x::OnCommand(int id)
{
    switch (id) {
    case IDC_OK_PLACEHOLDER:
        OnPageOK();
        break;
    case IDC_CANCEL_PLACEHOLDER:
        OnPageCancel();
        break;
    case IDC_PREV_PLACEHOLDER:
        OnPrev();
        break;
    case IDC_NEXT_PLACEHOLDER:
        OnNext();
        break;
    default:
        CSkinnedDialog::OnCommand(id);
        break;
    }
}

void CUnitMessage_KR960x::OnOK()
{
    OnPageOK();
}

void CUnitMessage_KR960x::OnPageOK()
{
    if (!ApplyPageEdits())
        return;
    EndDialog(IDOK);
}

void CUnitMessage_KR960x::OnPageCancel()
{
    EndDialog(IDCANCEL);
}

void CUnitMessage_KR960x::Step(int delta)
{
    if (!ApplyPageEdits())
        return;
    const int target = g_nSelectedUnitNumber + delta;
    if (target < 1 || target > kUnitCount)
        return;
    g_nSelectedUnitNumber = target;
    g_SelectedUnitSlot = UnitNumberToSlot(target);
    const int model = g_UnitModel[std::size_t(g_SelectedUnitSlot)];
    if (model == UNIT_TYPE_KR960_8 || model == UNIT_TYPE_KR960)
        ShowPage_KR960();
    else
        ShowPage_KR9X();
}

void CUnitMessage_KR960x::OnPrev()
{
    Step(-1);
}

void CUnitMessage_KR960x::OnNext()
{
    Step(+1);
}

bool CUnitMessage_KR960x::IsPageKey(const QKeyEvent* event) const
{
    const int key = event->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        // In an address field the arrows move the cursor: paging there
        // would send a half-typed address.
        return !qobject_cast<QLineEdit*>(focusWidget());
    }
    return IsCancelKey(event);
}

void CUnitMessage_KR960x::PreTranslateKey(QKeyEvent* event)
{
    if (!IsPageKey(event))
        return;
    // The page keys end here: the control with the focus must not act on
    // them as well (an arrow would move a radio button's choice).
    event->accept();
    switch (event->key()) {
    case Qt::Key_Left:
        OnPrev();
        break;
    case Qt::Key_Right:
        OnNext();
        break;
    default:
        OnPageOK();
        break;
    }
}

bool CUnitMessage_KR960x::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isInitialised()
        && IsPageKey(static_cast<QKeyEvent*>(event))) {
        PreTranslateKey(static_cast<QKeyEvent*>(event));
        return true;
    }
    return CSkinnedDialog::eventFilter(watched, event);
}
