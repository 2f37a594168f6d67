#pragma once

#include <QPoint>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "controls/bitmap_buttons.h"
#include "dialogs/skinned_dialog.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QWidget;

// The unit chosen for the unit status pages: its slot (1..48) and its unit
// number (1..32), which Prev and Next step.
extern int g_SelectedUnitSlot;
extern int g_nSelectedUnitNumber;

// Opens the unit status pages modally on g_SelectedUnitSlot. Returns the
// dialog's result.
int OpenUnitStatusPages(QWidget* parent);

// The "Unit Status" dialog: one unit at a time as a page, with its status in
// words, temperature, MAC address, firmware version and, by model, the four
// supply voltages and address (KR-9X) or the output format, the address mode
// with the manual address and mask, and the split gain offset (KR-960 and
// KR-960/8). Edits on a 132-byte page reach the unit with OK, Prev and Next:
// its state datagram, and a network configuration when the manual address or
// mask is new. Prev and Next step through the unit numbers 1..32.
class CUnitMessage_KR960x : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 251;

    // Controls of the layout.
    static constexpr int IDC_TITLE = 1069;
    static constexpr int IDC_STATUS = 1019;
    static constexpr int IDC_TEMPERATURE_LABEL = 1060;
    static constexpr int IDC_TEMPERATURE = 1020;
    static constexpr int IDC_MAC_LABEL = 1058;
    static constexpr int IDC_MAC = 1021;
    static constexpr int IDC_FIRMWARE_LABEL = 1026;
    static constexpr int IDC_FIRMWARE = 1030;
    static constexpr int IDC_FORMAT_LABEL = 1055;
    static constexpr int IDC_FORMAT = 1070;
    static constexpr int IDC_48V_LABEL = 1041;
    static constexpr int IDC_24V_LABEL = 1042;
    static constexpr int IDC_5V_LABEL = 1043;
    static constexpr int IDC_3V3_LABEL = 1044;
    static constexpr int IDC_48V = 1022;
    static constexpr int IDC_24V = 1023;
    static constexpr int IDC_5V = 1024;
    static constexpr int IDC_3V3 = 1025;
    static constexpr int IDC_IP_GROUP_LABEL = 1049;
    static constexpr int IDC_SET_AUTOMATICALLY = 1037;
    static constexpr int IDC_SET_MANUALLY = 1036;
    static constexpr int IDC_IP_LABEL = 1059;
    static constexpr int IDC_IP_EDIT = 1027;
    static constexpr int IDC_MASK_LABEL = 1057;
    static constexpr int IDC_MASK_EDIT = 1028;
    static constexpr int IDC_IP_TEXT = 1031;
    static constexpr int IDC_SPLIT_LABEL = 1056;
    static constexpr int IDC_SPLIT = 1068;
    static constexpr int IDC_RATE_LABEL = 1061;
    static constexpr int IDC_RATE = 1071;
    static constexpr int IDC_OK_PLACEHOLDER = 1050;
    static constexpr int IDC_CANCEL_PLACEHOLDER = 1017;
    static constexpr int IDC_PREV_PLACEHOLDER = 1051;
    static constexpr int IDC_NEXT_PLACEHOLDER = 1052;

    // Where the KR-9X layout puts the manual IP label: this x, and this far
    // below its place in the layout.
    static constexpr int kKR9XIpLabelX = 25;
    static constexpr int kKR9XIpLabelDrop = 14;

    enum class PageLayout { None, KR9X, Net132, NotActive };

    explicit CUnitMessage_KR960x(QWidget* parent = nullptr);
    ~CUnitMessage_KR960x() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

    // The pages.
    void ShowPage_KR960();
    void ShowPage_KR9X();
    void SetPageLayout(PageLayout layout);
    PageLayout pageLayout() const { return m_layoutShown; }

    // Editing on a 132-byte page.
    void OnSetAutomatically();
    void OnSetManually();
    void OnSplitOffsetChange();
    // Sends what the page changed to its unit. False (and nothing sent) when
    // the manual address or mask is no dotted IPv4 address; the operator is
    // told and the page stays.
    bool ApplyPageEdits();

    // The buttons.
    void OnPageOK();
    void OnPageCancel();
    void OnPrev();
    void OnNext();

    QRadioButton* automaticRadio() const { return m_radAutomatic; }
    QRadioButton* manualRadio() const { return m_radManual; }
    QLineEdit* ipEdit() const { return m_edIp; }
    QLineEdit* maskEdit() const { return m_edMask; }
    QComboBox* splitList() const { return m_cbSplit; }
    // The split gain offset the operator chose on this page (bits 0-1), if any.
    std::optional<int> pendingSplitOffset() const { return m_pendingSplit; }

    // The message shown when the manual address or mask cannot be read.
    static QString BadAddressMessage();

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void PreTranslateKey(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Left and Right (outside the address fields) step the pages; Ctrl+Break is OK.
    bool IsPageKey(const QKeyEvent* event) const;
    // The page's title, also the window's.
    void SetPageTitle(const QString& title);
    void CreateEditingControls();
    void ClearPageFields();
    void ShowPageOfSelection();
    void Step(int delta);
    QWidget* Item(int id) const { return GetDlgItem(id); }
    void ShowItems(std::initializer_list<int> ids, bool show);

    CBrannockButton m_btnOK;
    CBrannockButton m_btnCancel;
    CBrannockButton m_btnPrev;
    CBrannockButton m_btnNext;
    QRadioButton* m_radAutomatic = nullptr;
    QRadioButton* m_radManual = nullptr;
    QLineEdit* m_edIp = nullptr;
    QLineEdit* m_edMask = nullptr;
    QComboBox* m_cbSplit = nullptr;
    QPoint m_ptIpEditTemplate;
    QPoint m_ptIpLabelTemplate;
    PageLayout m_layoutShown = PageLayout::None;
    std::optional<int> m_pendingSplit;
    // The page shown is a 132-byte unit's (only such a page applies edits).
    bool m_bPage132 = false;
};

// Texts of the pages, as the page shows them.
namespace unit_pages {
// Firmware of a 132-byte unit from the stored FrmVer and GUIVer (host order):
// "%d.%d.%d-%02d-%d.%d.%d".
QString FirmwareText132(std::uint32_t frmVer, std::uint32_t guiVer);
// Firmware of a KR-9X from the stored FrmVer (host order): "%d.%d.%d" with
// the top byte signed, bits 8-23 and the low byte.
QString FirmwareTextKR9X(std::uint32_t frmVer);
QString MacText(const std::uint8_t* mac);
// "DANTE", "DSD" or "MADI" by bits 3, 4, 5 of the option byte; empty for none.
QString OutputFormatText(std::uint8_t optionByte);
} // namespace unit_pages
