#pragma once

// The two views alone, without a main window: the channel strips in a window
// of the main window's size and the overview in its viewport, on a manual clock.

#include <gtest/gtest.h>

#include <QWidget>

#include <cstdint>

#include "app/fonts.h"
#include "app/preferences.h"
#include "app/project_state.h"
#include "platform/clock.h"
#include "platform/skin_registry.h"
#include "views/meter_art.h"
#include "views/meter_law.h"
#include "views/overview.h"
#include "views/underview.h"

namespace console_test {

template <typename View>
class ViewFixture : public ::testing::Test {
protected:
    explicit ViewFixture(std::uint64_t startMs) : m_clock(startMs) {}
    void SetUp() override
    {
        ResetProjectState();
        ResetPreferences();
        g_MeterPeriodMs = 100;
    }
    ManualClock m_clock;
    QWidget m_window; // owns the view, which reads the clock
    View* m_view = nullptr;
};

class StripViewFixture : public ViewFixture<CUnderviewWnd> {
protected:
    StripViewFixture() : ViewFixture(5000) {}
    static void SetUpTestSuite()
    {
        CreateStripViewFonts();
        BuildMeterGradient();
        RegisterMeterArt(SkinRegistry::instance());
    }
    void SetUp() override
    {
        ViewFixture::SetUp();
        m_window.resize(1328, 760);
        m_view = new CUnderviewWnd(&m_window, m_clock);
        m_view->move(0, 210);
        m_view->BuildUnderviewLayout();
        m_window.show();
    }
};

template <typename View = COverviewWnd>
class OverviewFixture : public ViewFixture<View> {
protected:
    OverviewFixture() : ViewFixture<View>(10000) {}
    static void SetUpTestSuite()
    {
        CreateOverviewFonts();
        BuildMeterGradient();
    }
    void SetUp() override
    {
        ViewFixture<View>::SetUp();
        this->m_window.resize(1242, 504);
        this->m_view = new View(&this->m_window, this->m_clock);
        this->m_view->BuildLayout();
        this->m_window.show();
    }
};

} // namespace console_test
