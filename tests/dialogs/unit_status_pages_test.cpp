#include "support/console_fixture.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "dialogs/unit_status_pages.h"
#include "protocol/bytes.h"
#include "protocol/ipv4.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_tables.h"

using namespace console_test;

namespace {

using Pages = CUnitMessage_KR960x;

struct Unit132 {
    int slot = 3;
    std::uint8_t option = 0x08 | 0x01; // DANTE, 16 channels, address set by hand
    std::uint8_t status = 0x01;        // split -3 dB
    std::uint32_t mask = 0xFFFFFF00;
};

UnitNode132& Add132(UnitFamily132& family, const Unit132& u)
{
    UnitNode132 node;
    node.Slot = std::uint8_t(u.slot);
    node.IpText = "127.0.0.1";
    node.UnitAddr = kLoopback;
    node.SubnetMask = u.mask;
    node.Mac = {0x00, 0x1D, 0xC1, 0x0A, 0x0B, std::uint8_t(u.slot)};
    node.OptionByte = u.option;
    node.StatusByte = u.status;
    node.Packet[p132::kUnitId] = std::uint8_t(u.slot);
    node.Packet[p132::kOptionFlags] = u.option;
    WriteLe32(&node.Packet[p132::kFrmVer], 0x01020304);
    WriteLe32(&node.Packet[p132::kGuiVer], 0x0A0B0C0D);
    UnitNode132& added = family.InsertUnitSorted(node);
    ++family.liveCount;
    family.maskText[std::size_t(u.slot)] = DottedText(u.mask);
    g_UnitModel[std::size_t(u.slot)] = family.model();
    g_SlotModel[std::size_t(u.slot)] = family.model();
    g_UnitStatus[std::size_t(u.slot)] = UNIT_ACTIVE;
    g_UnitTemperature[std::size_t(u.slot)] = 41.0f;
    g_UnitOption[std::size_t(u.slot)] = "DANTE";
    return added;
}

UnitNodeKR9X& AddKR9X(int slot)
{
    UnitNodeKR9X node;
    node.Slot = std::uint8_t(slot);
    node.IpText = "10.0.0.17";
    node.UnitAddr = kLoopback;
    node.Mac = {0x02, 0x00, 0x5E, 0x10, 0x20, 0x30};
    WriteLe32(&node.Packet[p97::kFrmVer], 0xFF001234);
    UnitNodeKR9X& added = InsertUnitSorted_KR9X(node);
    ++g_Family_KR9X.liveCount;
    const std::size_t i = std::size_t(slot);
    g_UnitModel[i] = UNIT_TYPE_KR9X;
    g_UnitStatus[i] = UNIT_ACTIVE;
    g_PS48V[i] = 48.0f;
    g_PS24V[i] = 24.0f;
    g_PS5V[i] = 5.0f;
    g_PS3V3[i] = 3.3f;
    g_UnitTemperature[i] = 40.0f;
    return added;
}

class UnitPages : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        g_pNetwork = &m_network;
    }
    void TearDown() override
    {
        g_pNetwork = nullptr;
        DialogFixture::TearDown();
    }

    // The pages opened on a slot and shown.
    std::unique_ptr<Pages> Open(int slot)
    {
        g_SelectedUnitSlot = slot;
        auto pages = std::make_unique<Pages>();
        pages->show();
        return pages;
    }
    // The page of slot 3 after edit, ended with OK.
    void OkAfter(const std::function<void(Pages&)>& edit)
    {
        auto pages = Open(3);
        edit(*pages);
        Press(*pages, Pages::IDC_OK_PLACEHOLDER);
    }
    static QString Text(const Pages& pages, int id) { return LabelText(pages, id); }
    static bool Shown(const Pages& pages, int id) { return !pages.GetDlgItem(id)->isHidden(); }
    // What the pages sent to the unit's port since the last call, as 132-byte datagrams.
    std::vector<UnitPacket132> Sent()
    {
        std::vector<UnitPacket132> out;
        while (const auto bytes = m_capture.Next(0)) {
            EXPECT_EQ(bytes->size(), sizeof(UnitPacket132));
            UnitPacket132 packet{};
            std::copy_n(bytes->begin(), std::min(bytes->size(), packet.size()), packet.begin());
            out.push_back(packet);
        }
        return out;
    }

    UnitPortCapture m_capture;
    NetworkCore m_network{NetworkConfig{0, m_capture.port(), INADDR_LOOPBACK}, {}};
};

} // namespace

TEST_F(UnitPages, Kr960PageShowsItsUnitFromTheNodeAndTables)
{
    Add132(g_Family_KR960, {});
    auto pages = Open(3);
    EXPECT_EQ(Text(*pages, Pages::IDC_TITLE), QStringLiteral("   STATUS OF UNIT 2 (KR-960)"));
    EXPECT_EQ(Text(*pages, Pages::IDC_FIRMWARE), QStringLiteral("1.2.3-04-10.11.12"));
    EXPECT_EQ(Text(*pages, Pages::IDC_FORMAT), QStringLiteral("DANTE"));
    EXPECT_TRUE(pages->manualRadio()->isChecked());
    EXPECT_TRUE(pages->ipEdit()->isEnabled());
    EXPECT_EQ(pages->ipEdit()->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(pages->maskEdit()->text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(pages->splitList()->currentIndex(), 1);
    EXPECT_TRUE(Sent().empty()) << "showing a page sends nothing";
}

TEST_F(UnitPages, Kr960_8PageWithAutomaticAddressKeepsTheEditsDisabled)
{
    Add132(g_Family_KR960_8, {.slot = 7, .option = 0x20 | 0x02, .status = 0x03, .mask = 0xFFFF0000});
    auto pages = Open(7);
    EXPECT_EQ(Text(*pages, Pages::IDC_TITLE), QStringLiteral("   STATUS OF UNIT 4 (KR-960/8)"));
    EXPECT_EQ(Text(*pages, Pages::IDC_FORMAT), QStringLiteral("MADI"));
    EXPECT_TRUE(pages->automaticRadio()->isChecked());
    EXPECT_FALSE(pages->ipEdit()->isEnabled());
    EXPECT_FALSE(pages->maskEdit()->isEnabled());
    EXPECT_EQ(pages->splitList()->currentIndex(), -1) << "split bits 11 select nothing";

    // The radios switch the edits.
    QTest::mouseClick(pages->manualRadio(), Qt::LeftButton);
    EXPECT_TRUE(pages->maskEdit()->isEnabled());
    QTest::mouseClick(pages->automaticRadio(), Qt::LeftButton);
    EXPECT_FALSE(pages->maskEdit()->isEnabled());
}

TEST_F(UnitPages, Kr960PageOfAnOffLineOrInactiveUnitHidesTheUnitsFields)
{
    Add132(g_Family_KR960, {});
    auto pages = Open(3);
    for (int status : {UNIT_CONFLICT, UNIT_OFFLINE, UNIT_NOW_OFFLINE, UNIT_INACTIVE}) {
        g_UnitStatus[3] = status;
        pages->ShowPage_KR960();
        EXPECT_EQ(Shown(*pages, Pages::IDC_IP_EDIT), status == UNIT_CONFLICT) << status;
        EXPECT_EQ(Shown(*pages, Pages::IDC_TEMPERATURE), status == UNIT_CONFLICT) << status;
    }
    EXPECT_EQ(Text(*pages, Pages::IDC_TITLE), QStringLiteral("   STATUS OF UNIT 2")) << "no model named";
}

TEST_F(UnitPages, Kr9XPageShowsSuppliesWithOneVerdictForAllFour)
{
    AddKR9X(33);
    auto pages = Open(33);
    EXPECT_EQ(Text(*pages, Pages::IDC_TITLE), QStringLiteral("   STATUS OF UNIT 17 (KR-9X)"));
    EXPECT_EQ(Text(*pages, Pages::IDC_48V), QStringLiteral("48.0"));
    EXPECT_EQ(Text(*pages, Pages::IDC_FIRMWARE), QStringLiteral("-1.18.52")) << "a signed major number";
    EXPECT_FALSE(Shown(*pages, Pages::IDC_IP_EDIT)) << "a KR-9X address is not edited here";

    // A 3.3 V supply of 7.0 V marks all four values.
    g_PS3V3[33] = 7.0f;
    pages->ShowPage_KR9X();
    EXPECT_EQ(Text(*pages, Pages::IDC_48V), QStringLiteral("*** 48.0"));
    EXPECT_EQ(Text(*pages, Pages::IDC_3V3), QStringLiteral("***  7.0"));
    EXPECT_EQ(Text(*pages, Pages::IDC_TEMPERATURE), QStringLiteral("40.0 degrees C"));

    // 151 degrees: the temperature and the supplies are marked, the status says so.
    g_PS3V3[33] = 3.3f;
    g_UnitTemperature[33] = 151.0f;
    g_UnitStatus[33] = UNIT_BAD_TEMP_OR_POWER_SUPPLY;
    pages->ShowPage_KR9X();
    EXPECT_EQ(Text(*pages, Pages::IDC_STATUS), QStringLiteral("BAD TEMPERATURE OR POWER"));
    EXPECT_EQ(Text(*pages, Pages::IDC_TEMPERATURE), QStringLiteral("*** 151.0 degrees C"));
    EXPECT_EQ(Text(*pages, Pages::IDC_48V), QStringLiteral("*** 48.0"));

    for (int status : {UNIT_OFFLINE, UNIT_NOW_OFFLINE, UNIT_INACTIVE}) {
        g_UnitStatus[33] = status;
        pages->ShowPage_KR9X();
        EXPECT_EQ(pages->pageLayout(), Pages::PageLayout::NotActive) << status;
        EXPECT_FALSE(Shown(*pages, Pages::IDC_IP_TEXT)) << status;
    }
}

TEST_F(UnitPages, PrevAndNextStepTheUnitsAndStopAtTheEnds)
{
    auto pages = Open(1);
    QTest::keyClick(pages.get(), Qt::Key_Left);
    EXPECT_EQ(g_SelectedUnitSlot, 1);

    pages = Open(48);
    EXPECT_EQ(g_nSelectedUnitNumber, 32);
    pages->OnNext();
    EXPECT_EQ(g_SelectedUnitSlot, 48);

    // From unit 16 to an unused unit 17: the KR-9X page, inactive.
    pages = Open(31);
    QTest::keyClick(pages.get(), Qt::Key_Right);
    EXPECT_EQ(g_SelectedUnitSlot, 33);
    EXPECT_EQ(Text(*pages, Pages::IDC_TITLE), QStringLiteral("   STATUS OF UNIT 17"));
    pages->OnPrev();
    EXPECT_EQ(g_SelectedUnitSlot, 31);

    // Stepping by model: a KR-960 page, then an unused slot with a bad
    // address shows the KR-9X page with nothing left of the unit before.
    Add132(g_Family_KR960, {});
    g_UnitStatus[5] = UNIT_BAD_IP_ADDRESS;
    pages = Open(3);
    ASSERT_FALSE(Text(*pages, Pages::IDC_TEMPERATURE).isEmpty());
    pages->OnNext();
    EXPECT_EQ(g_SelectedUnitSlot, 5);
    EXPECT_EQ(Text(*pages, Pages::IDC_TITLE), QStringLiteral("   STATUS OF UNIT 3 (KR-9X)"));
    EXPECT_TRUE(Text(*pages, Pages::IDC_TEMPERATURE).isEmpty());
    EXPECT_TRUE(Text(*pages, Pages::IDC_MAC).isEmpty());

    // Opened on that slot directly: the 132-byte page, titled by the unit alone.
    pages = Open(5);
    EXPECT_EQ(Text(*pages, Pages::IDC_TITLE), QStringLiteral("   STATUS OF UNIT 3"));
    EXPECT_EQ(Text(*pages, Pages::IDC_STATUS), QStringLiteral("BAD IP ADDRESS"));
}

TEST_F(UnitPages, ChoosingAManualAddressSendsTheStateAndTheNetworkConfiguration)
{
    UnitNode132& node = Add132(g_Family_KR960, {.option = 0x08 | 0x02 | 0x01});
    auto pages = Open(3);
    ASSERT_FALSE(pages->ipEdit()->isEnabled());
    QTest::mouseClick(pages->manualRadio(), Qt::LeftButton);
    pages->ipEdit()->setText(QStringLiteral("192.168.1.50"));
    pages->maskEdit()->setText(QStringLiteral("255.255.255.0"));
    QTest::keyClick(pages.get(), Qt::Key_Return);
    EXPECT_EQ(pages->result(), IDOK);
    const std::vector<UnitPacket132> sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    const UnitPacket132& state = sent[0];
    EXPECT_EQ(ReadBe32(&state[p132::kPcSeq]), 1u);
    EXPECT_EQ(state[p132::kOptionFlags] & 0x02, 0) << "the unit leaves automatic addressing";
    EXPECT_EQ(ReadBe32(&state[p132::kUnitIp]), 0u);
    const UnitPacket132& config = sent[1];
    EXPECT_EQ(ReadBe32(&config[p132::kUnitIp]), 0xC0A80132u);
    EXPECT_EQ(ReadBe32(&config[p132::kSubnetMask]), 0xFFFFFF00u);
    EXPECT_EQ(config[p132::kUnitId], 3);
    EXPECT_EQ(config[p132::kOptionFlags] & 0x03, 0x01);
    EXPECT_EQ(g_PcSequence, 1u) << "the configuration takes no sequence number";
    EXPECT_EQ(node.UnitAddr, kLoopback) << "the node keeps its address until the unit reports";
    EXPECT_EQ(node.OptionByte & 0x02, 0);
}

TEST_F(UnitPages, TheConfigurationGoesOnlyWhenAddressOrMaskIsNew)
{
    UnitNode132& node = Add132(g_Family_KR960, {});
    OkAfter([](Pages&) {}); // unchanged manual address
    std::vector<UnitPacket132> sent = Sent();
    ASSERT_EQ(sent.size(), 1u) << "the state datagram only";
    EXPECT_EQ(sent[0][p132::kUnitId], 3);

    OkAfter([](Pages& pages) { pages.maskEdit()->setText(QStringLiteral("255.255.0.0")); });
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(ReadBe32(&sent[1][p132::kUnitIp]), kLoopback);
    EXPECT_EQ(ReadBe32(&sent[1][p132::kSubnetMask]), 0xFFFF0000u);
    EXPECT_EQ(node.SubnetMask, 0xFFFFFF00u);

    // Back to automatic: the state says so, and no configuration goes.
    OkAfter([](Pages& pages) {
        QTest::mouseClick(pages.automaticRadio(), Qt::LeftButton);
        pages.maskEdit()->setText(QStringLiteral("255.0.0.0"));
    });
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][p132::kOptionFlags] & 0x02, 0x02);

    // Leaving automatic addressing sends the configuration even unchanged.
    OkAfter([](Pages& pages) {
        ASSERT_TRUE(pages.automaticRadio()->isChecked());
        QTest::mouseClick(pages.manualRadio(), Qt::LeftButton);
    });
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(ReadBe32(&sent[1][p132::kUnitIp]), kLoopback);
    EXPECT_EQ(ReadBe32(&sent[1][p132::kSubnetMask]), 0xFFFFFF00u);
}

TEST_F(UnitPages, AnAddressThatIsNoAddressSendsNothingAndKeepsThePage)
{
    Add132(g_Family_KR960, {});
    auto pages = Open(3);
    for (const char* bad : {"192.168.1", "192.168.1.300", "", "abc.def.ghi.jkl"}) {
        pages->ipEdit()->setText(QLatin1String(bad));
        Press(*pages, Pages::IDC_OK_PLACEHOLDER);
        EXPECT_TRUE(pages->isVisible()) << bad;
        EXPECT_TRUE(Sent().empty()) << bad;
    }
    EXPECT_EQ(m_boxes.size(), 4);
    pages->OnNext();
    EXPECT_EQ(g_SelectedUnitSlot, 3) << "Next stays on the page as well";

    pages->ipEdit()->setText(QStringLiteral(" 127.0.0.2 "));
    Press(*pages, Pages::IDC_OK_PLACEHOLDER);
    EXPECT_FALSE(pages->isVisible());
    const std::vector<UnitPacket132> sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(ReadBe32(&sent[1][p132::kUnitIp]), 0x7F000002u);
}

TEST_F(UnitPages, SplitOffsetReachesTheUnitAndCancelKeepsWhatNextApplied)
{
    UnitNode132& node = Add132(g_Family_KR960, {.status = 0x20});
    auto pages = Open(3);
    EXPECT_EQ(pages->splitList()->currentIndex(), 0);
    pages->splitList()->setCurrentIndex(2);
    emit pages->splitList()->activated(2);
    EXPECT_EQ(pages->pendingSplitOffset(), 2);
    pages->OnNext();
    EXPECT_EQ(node.StatusByte, 0x22);
    std::vector<UnitPacket132> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][p132::kUnitStatusByte], 0x22);

    Press(*pages, Pages::IDC_CANCEL_PLACEHOLDER);
    EXPECT_EQ(pages->result(), IDCANCEL);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(node.StatusByte, 0x22);

    // A unit run from its MIDI card keeps its split offset.
    g_UnitOption[3] = "MIDI";
    OkAfter([](Pages& pages) {
        pages.splitList()->setCurrentIndex(1);
        emit pages.splitList()->activated(1);
    });
    EXPECT_EQ(node.StatusByte, 0x22);
}

TEST_F(UnitPages, KeysAndAKr9XPageThatAppliesNothing)
{
    AddKR9X(34);
    Add132(g_Family_KR960, {});
    auto pages = Open(34);
    QTest::keyClick(pages.get(), Qt::Key_Return);
    EXPECT_EQ(pages->result(), IDOK);
    EXPECT_TRUE(Sent().empty()) << "a KR-9X page sends nothing";

    // In the address field the arrows edit the text; elsewhere they page.
    pages = Open(3);
    pages->ipEdit()->setFocus();
    QTest::keyClick(pages->ipEdit(), Qt::Key_Left);
    EXPECT_EQ(g_SelectedUnitSlot, 3);
    EXPECT_TRUE(Sent().empty());
    pages->manualRadio()->setFocus();
    QTest::keyClick(pages->manualRadio(), Qt::Key_Right);
    EXPECT_EQ(g_SelectedUnitSlot, 5);
    EXPECT_EQ(Sent().size(), 1u) << "the page's edits went before the step";

    // A page key ends with the page: on the first unit Left changes nothing,
    // not even the radio button that has the focus.
    Add132(g_Family_KR960, {.slot = 1});
    pages = Open(1);
    pages->manualRadio()->setFocus();
    QTest::keyClick(pages->manualRadio(), Qt::Key_Left);
    EXPECT_EQ(g_SelectedUnitSlot, 1);
    EXPECT_TRUE(pages->manualRadio()->isChecked());
    Sent();

    // Ctrl+Break is OK.
    pages = Open(3);
    QKeyEvent ctrlBreak(QEvent::KeyPress, Qt::Key_Cancel, Qt::ControlModifier);
    QApplication::sendEvent(pages.get(), &ctrlBreak);
    EXPECT_EQ(pages->result(), IDOK);
    EXPECT_EQ(Sent().size(), 1u);
}

// A control the page disables is drawn greyed, as a desktop dialog draws it:
// grey text, and an edit on the face colour instead of white, so that the
// operator sees which fields take no input.
TEST_F(UnitPages, DisabledControlsAreDrawnGreyed)
{
    Add132(g_Family_KR960, {});
    auto pages = Open(3);
    pages->splitList()->setCurrentIndex(1);
    // Where a control lies in the dialog's own drawing.
    const auto area = [&](const QWidget* control) {
        return QRect(control->mapTo(pages.get(), QPoint(0, 0)), control->size());
    };
    // The darkest pixel inside a control, its frame left out.
    const auto darkest = [&](const QImage& image, const QWidget* control) {
        const QRect inside = area(control).adjusted(3, 3, -3, -3);
        int value = 255;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                value = std::min(value, QColor(image.pixel(x, y)).lightness());
        return value;
    };
    // Past the end of the edit's text, inside its frame.
    const auto editGround = [&](const QImage& image, const QLineEdit* edit) {
        const QRect r = area(edit);
        return QColor(image.pixel(r.right() - 4, r.center().y()));
    };
    QWidget* label = pages->GetDlgItem(Pages::IDC_MASK_LABEL);
    const std::vector<QWidget*> controls{pages->maskEdit(), pages->automaticRadio(),
                                         pages->splitList(), label};
    const QImage enabled = pages->grab().toImage();
    for (const QWidget* control : controls)
        EXPECT_LT(darkest(enabled, control), 60) << control->metaObject()->className();
    EXPECT_EQ(editGround(enabled, pages->maskEdit()), QColor(Qt::white));

    // The page's own switch disables the edits; the other kinds as a dialog would.
    QTest::mouseClick(pages->automaticRadio(), Qt::LeftButton);
    ASSERT_FALSE(pages->maskEdit()->isEnabled());
    for (QWidget* control : controls)
        control->setEnabled(false);
    const QImage disabled = pages->grab().toImage();
    for (const QWidget* control : controls) {
        const int value = darkest(disabled, control);
        EXPECT_GE(value, 90) << control->metaObject()->className() << " is not greyed";
        EXPECT_LE(value, 160) << control->metaObject()->className() << " lost its text";
    }
    const QColor face = pages->palette().color(QPalette::Active, QPalette::Button);
    EXPECT_NE(face, QColor(Qt::white));
    EXPECT_EQ(editGround(disabled, pages->maskEdit()), face);
}

// A double click on Next moves one unit and sends that unit's state once.
TEST_F(UnitPages, ADoubleClickOnNextStepsOneUnit)
{
    Add132(g_Family_KR960, {});
    Add132(g_Family_KR960, {.slot = 5});
    Add132(g_Family_KR960, {.slot = 7});
    auto pages = Open(3);
    CBrannockButton* next = ButtonOver(*pages, Pages::IDC_NEXT_PLACEHOLDER);
    ASSERT_NE(next, nullptr);

    QTest::mousePress(next, Qt::LeftButton);
    QTest::mouseRelease(next, Qt::LeftButton);
    QTest::mouseDClick(next, Qt::LeftButton);
    QTest::mouseRelease(next, Qt::LeftButton);
    EXPECT_EQ(g_SelectedUnitSlot, 5);
    const std::vector<UnitPacket132> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][p132::kUnitId], 3) << "the page left sends its state once";
}
