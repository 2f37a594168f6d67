#pragma once

// A skinned scroll bar on a parent window and a manual timer table, with
// what it reports to its owner recorded.

#include <gtest/gtest.h>

#include <QWidget>

#include <memory>
#include <ostream>
#include <vector>

#include "controls/scroll_bar.h"
#include "platform/clock.h"
#include "platform/timer_table.h"

namespace console_test {

struct ScrollReport {
    int code;
    int position;
    bool operator==(const ScrollReport&) const = default;
};

inline void PrintTo(const ScrollReport& r, std::ostream* os)
{
    *os << "{" << r.code << ", " << r.position << "}";
}

class ScrollBarFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_parent.resize(800, 600);
        m_parent.show();
    }
    // A new bar in place of the last (one at a time answers the timer table).
    CMyScrollBar& NewBar()
    {
        reports.clear();
        m_bar.reset();
        m_bar = std::make_unique<CMyScrollBar>(nullptr, &m_timers);
        return *m_bar;
    }
    // From here on the bar's reports are recorded.
    CMyScrollBar& Record()
    {
        QObject::connect(m_bar.get(), &CMyScrollBar::scrolled,
                         [this](int code, int pos) { reports.push_back({code, pos}); });
        return *m_bar;
    }

    QWidget m_parent;
    ManualClock m_clock{1000};
    ManualTimerTable m_timers{m_clock};
    std::unique_ptr<CMyScrollBar> m_bar;
    std::vector<ScrollReport> reports;
};

} // namespace console_test
