#include "support/console_fixture.h"

#include <QListWidget>
#include <QScrollBar>
#include <QTest>

#include "dialogs/system_status_dialog.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_tables.h"

using namespace console_test;

namespace {

using Dlg = CSystemStatusDialog;

class SystemStatus : public DialogFixture {
protected:
    static void SetSlot(int slot, int status, const char* ip)
    {
        g_UnitStatus[std::size_t(slot)] = status;
        g_UnitIpAddress[std::size_t(slot)] = ip;
    }
    static QStringList Lines(const Dlg& dlg)
    {
        QStringList lines;
        for (int i = 0; i < dlg.list()->count(); ++i)
            lines.append(dlg.list()->item(i)->text());
        return lines;
    }
};

} // namespace

TEST_F(SystemStatus, WithoutAUnitOnLineOnlyTheMessageShows)
{
    SetSlot(3, UNIT_OFFLINE, "192.168.1.20"); // heard once, gone now
    Dlg dlg;
    EXPECT_EQ(dlg.DoModal(), Dlg::kNoUnitsResult);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(m_boxes.size(), 1);

    // Shown some other way, it tells the same and closes once it is up.
    Dlg shown;
    shown.show();
    EXPECT_EQ(m_boxes.size(), 2);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown.isVisible());
    EXPECT_EQ(shown.result(), Dlg::kNoUnitsResult);
}

TEST_F(SystemStatus, ListsEverySlotThatIsNotInactiveInSlotOrder)
{
    ++g_Family_KR960.liveCount;
    SetSlot(3, UNIT_ACTIVE, "192.168.1.20");
    SetSlot(5, UNIT_NOW_OFFLINE, "192.168.1.21");
    SetSlot(7, UNIT_INACTIVE, "192.168.1.22"); // blink's dark phase: not listed
    SetSlot(9, UNIT_WRONG_UNIT_ID, "");
    SetSlot(40, UNIT_OFFLINE, "10.0.0.24");
    SetSlot(41, UNIT_BAD_TEMP_OR_POWER_SUPPLY, "10.0.0.25");

    Dlg dlg;
    dlg.show();
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_EQ(Lines(dlg), (QStringList{
                              QStringLiteral(" Unit 2  IP Address: 192.168.1.20  ACTIVE"),
                              QStringLiteral(" Unit 3  IP Address: 192.168.1.21  LOCAL"),
                              QStringLiteral(" Unit 5  IP Address:   "),
                              QStringLiteral(" Unit 24  IP Address: 10.0.0.24  OFFLINE"),
                              QStringLiteral(" Unit 25  IP Address: 10.0.0.25  FAULT"),
                          }));
}

TEST_F(SystemStatus, AKr9XOnLineOpensItAndOkClosesIt)
{
    ++g_Family_KR9X.liveCount;
    SetSlot(33, UNIT_ACTIVE, "10.0.0.17");
    QStringList lines;
    WhenModal<Dlg>([&lines](Dlg& dlg) {
        lines = Lines(dlg);
        Press(dlg, Dlg::IDC_OK_PLACEHOLDER);
    });
    EXPECT_EQ(ShowSystemStatusDialog(nullptr), IDOK);
    EXPECT_EQ(lines, QStringList{QStringLiteral(" Unit 17  IP Address: 10.0.0.17  ACTIVE")});
}

// The list shows its scroll bar only once the units listed overflow it.
TEST_F(SystemStatus, TheListShowsItsScrollBarOnlyWhenTheUnitsOverflowIt)
{
    ++g_Family_KR9X.liveCount;
    SetSlot(33, UNIT_ACTIVE, "10.0.0.17");
    {
        Dlg dlg;
        dlg.show();
        QCoreApplication::processEvents(); // the list lays its items out
        ASSERT_EQ(dlg.list()->count(), 1);
        EXPECT_FALSE(dlg.list()->verticalScrollBar()->isVisible());
    }
    for (int slot = 34; slot <= 48; ++slot)
        SetSlot(slot, UNIT_ACTIVE, "10.0.0.18");
    Dlg dlg;
    dlg.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(dlg.list()->count(), 16);
    EXPECT_TRUE(dlg.list()->verticalScrollBar()->isVisible());
}
