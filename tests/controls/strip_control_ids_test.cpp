#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "controls/control_ids.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "protocol/unit_network.h"
#include "support/view_fixtures.h"

namespace {

// The fader of channel among the children of view, found by its control id.
CMySlider* FindFader(const QWidget* view, int channel)
{
    return qobject_cast<CMySlider*>(FindChildById(view, kFaderIdBase + channel));
}

// The switch with control id (3000 Pol ... 13000 Sqrt) of channel among the
// children of view, found by the id its control carries.
CNewCustomBtn* FindStripSwitch(const QWidget* view, int id, int channel)
{
    for (QObject* child : view->children()) {
        auto* button = qobject_cast<CNewCustomBtn*>(child);
        if (button && ControlId(button) == id && button->m_nIndex == channel)
            return button;
    }
    return nullptr;
}

// Every switch table of a view with the control id its switches carry.
template <typename View>
using SwitchTable = std::array<CNewCustomBtn*, kChannelCount> View::*;

template <typename View>
void ExpectEveryControlFoundByItsId(View& view,
                                    std::initializer_list<std::pair<SwitchTable<View>, int>> tables)
{
    for (const int ch : {0, 7, 15, 16, 255, 256, 300, 383}) {
        const std::size_t c = std::size_t(ch);
        ASSERT_NE(view.m_Slider[c], nullptr) << ch;
        EXPECT_EQ(ControlId(view.m_Slider[c]), 30000 + ch);
        EXPECT_EQ(FindFader(&view, ch), view.m_Slider[c]) << ch;
        for (const auto& [table, id] : tables) {
            CNewCustomBtn* sw = (view.*table)[c];
            ASSERT_NE(sw, nullptr) << id << " channel " << ch;
            EXPECT_EQ(ControlId(sw), id);
            EXPECT_EQ(FindStripSwitch(&view, id, ch), sw) << id << " channel " << ch;
        }
    }
    EXPECT_EQ(FindFader(&view, kChannelCount), nullptr);
    EXPECT_EQ(FindStripSwitch(&view, 7000, kChannelCount), nullptr);
    EXPECT_EQ(FindStripSwitch(&view, 30000, 0), nullptr) << "a fader is no switch";
}

class StripViewIds : public console_test::StripViewFixture {};
class OverviewIds : public console_test::OverviewFixture<> {};

} // namespace

TEST_F(StripViewIds, FadersAndSwitchesAreFoundByTheirControlIds)
{
    using V = CUnderviewWnd;
    ExpectEveryControlFoundByItsId<V>(
        *m_view, {{&V::m_pPolButton, 3000}, {&V::m_pLinkButton, 4000}, {&V::m_pPadButton, 5000},
                  {&V::m_p48vButton, 6000}, {&V::m_pMuteButton, 7000}, {&V::m_pSplitButton, 10000},
                  {&V::m_pSafeButton, 11000}, {&V::m_pRbinButton, 12000}, {&V::m_pSqrtButton, 13000}});
}

TEST_F(OverviewIds, FadersAndSwitchesAreFoundByTheirControlIds)
{
    using V = COverviewWnd;
    ExpectEveryControlFoundByItsId<V>(
        *m_view, {{&V::m_pPolButton, 3000}, {&V::m_pPadButton, 5000}, {&V::m_p48vButton, 6000},
                  {&V::m_pMuteButton, 7000}, {&V::m_pSplitButton, 10000}, {&V::m_pSafeButton, 11000},
                  {&V::m_pRbinButton, 12000}, {&V::m_pSqrtButton, 13000}});
}
