#include "app/window_placement.h"

#include "app/project_state.h"
#include "platform/settings_store.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kEntry = QStringLiteral("WindowPos");

// Reads one decimal number at pos, after optional blanks; an unsigned field
// takes no sign.
bool ReadNumber(const QByteArray& s, qsizetype& pos, bool isUnsigned, long long& out)
{
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t'))
        ++pos;
    const qsizetype start = pos;
    if (pos < s.size() && (s[pos] == '-' || s[pos] == '+')) {
        if (isUnsigned)
            return false;
        ++pos;
    }
    const qsizetype digits = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9')
        ++pos;
    if (pos == digits || pos - digits > 10)
        return false;
    out = std::strtoll(s.constData() + start, nullptr, 10);
    return isUnsigned ? out <= UINT_MAX : (out >= INT_MIN && out <= INT_MAX);
}

} // namespace

QString FormatWindowPos(const StoredWindowPos& v)
{
    const WindowPlacement& p = v.placement;
    return QString::asprintf("%u,%u,%d,%d,%d,%d,%d,%d,%d,%d %d %d", p.flags, p.showCommand, p.minX,
                             p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom, v.viewMode,
                             v.reserved);
}

std::optional<StoredWindowPos> ParseWindowPos(const QString& text)
{
    const QByteArray s = text.toLatin1();
    long long f[12] = {};
    qsizetype pos = 0;
    for (int i = 0; i < 12; ++i) {
        if (i > 0) {
            // commas between fields 1..10, blanks before fields 11 and 12
            if (i <= 9) {
                if (pos >= s.size() || s[pos] != ',')
                    return std::nullopt;
                ++pos;
            } else {
                if (pos >= s.size() || s[pos] != ' ')
                    return std::nullopt;
            }
        }
        if (!ReadNumber(s, pos, i < 2, f[i]))
            return std::nullopt;
    }
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\r' || s[pos] == '\n'))
        ++pos;
    if (pos != s.size())
        return std::nullopt;

    StoredWindowPos v;
    WindowPlacement& p = v.placement;
    p.flags = unsigned(f[0]);
    p.showCommand = unsigned(f[1]);
    p.minX = int(f[2]);
    p.minY = int(f[3]);
    p.maxX = int(f[4]);
    p.maxY = int(f[5]);
    p.left = int(f[6]);
    p.top = int(f[7]);
    p.right = int(f[8]);
    p.bottom = int(f[9]);
    v.viewMode = int(f[10]);
    v.reserved = int(f[11]);
    return v;
}

bool LoadWindowPlacement(const SettingsStore& settings, WindowPlacement* out)
{
    const std::optional<QString> text = settings.readString(kSection, kEntry);
    if (!text)
        return false;
    const std::optional<StoredWindowPos> v = ParseWindowPos(*text);
    if (!v)
        return false;
    if (out)
        *out = v->placement;
    g_bOverviewMode = v->viewMode != 0;
    g_nWindowPosReserved = v->reserved;
    return true;
}

bool SaveWindowPlacement(SettingsStore& settings, const WindowPlacement& placement)
{
    const StoredWindowPos v{placement, g_bOverviewMode ? 1 : 0, 0};
    return settings.writeString(kSection, kEntry, FormatWindowPos(v));
}

QSize MinimumSizeOn(const QSize& designMinimum, const QRect& available)
{
    if (available.isEmpty())
        return designMinimum;
    return designMinimum.boundedTo(available.size());
}

QRect ScreenAreaFor(const QRect& rect, const QList<QRect>& available)
{
    QRect best;
    qint64 bestShare = 0;
    for (const QRect& area : available) {
        const QRect common = area.intersected(rect);
        const qint64 share = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (share > bestShare) {
            bestShare = share;
            best = area;
        }
    }
    if (bestShare == 0 && !available.isEmpty())
        return available.front();
    return best;
}

QRect FitRectToScreens(const QRect& rect, const QList<QRect>& available, const QSize& designMinimum)
{
    const QRect area = ScreenAreaFor(rect, available);
    if (area.isEmpty())
        return rect;
    const QSize size = rect.size().expandedTo(MinimumSizeOn(designMinimum, area)).boundedTo(area.size());
    // Whole on the screen: pulled in from the right and bottom first, so the
    // title bar and the left edge stay reachable.
    const int left = std::max(area.left(), std::min(rect.left(), area.right() + 1 - size.width()));
    const int top = std::max(area.top(), std::min(rect.top(), area.bottom() + 1 - size.height()));
    return QRect(QPoint(left, top), size);
}
