#include "views/meter_law.h"

#include <cmath>

std::array<ColorRef, kMeterGradientSize> g_MeterGradient{};
std::array<std::uint64_t, kChannelCount> g_MeterPeakTime{};

namespace {

struct Breakpoint {
    int index;
    int r, g, b;
};

constexpr Breakpoint kBreakpoints[] = {
    {0, 25, 161, 73},    {220, 29, 161, 73},   {424, 33, 162, 73},   {628, 42, 163, 73},
    {832, 53, 164, 73},  {1036, 73, 168, 72},  {1240, 86, 171, 70},  {1444, 100, 175, 69},
    {1648, 114, 179, 68}, {1852, 127, 183, 66}, {2056, 142, 188, 65}, {2464, 157, 195, 61},
    {2668, 172, 201, 58}, {2872, 190, 209, 53}, {3076, 213, 220, 44}, {3280, 242, 235, 35},
    {3484, 239, 197, 32}, {3668, 235, 158, 37}, {3872, 229, 117, 39}, {3983, 226, 73, 38},
    {4095, 226, 73, 38},
};

struct Threshold {
    int above;
    ColorRef colour;
};

constexpr Threshold kPeakColours[] = {
    {3872, MakeColorRef(226, 73, 38)},  {3688, MakeColorRef(229, 117, 39)},
    {3484, MakeColorRef(235, 158, 37)}, {3280, MakeColorRef(239, 197, 32)},
    {3076, MakeColorRef(242, 235, 25)}, {2872, MakeColorRef(213, 220, 44)},
    {2668, MakeColorRef(190, 209, 53)}, {2464, MakeColorRef(172, 201, 58)},
    {2260, MakeColorRef(157, 195, 61)}, {2056, MakeColorRef(142, 188, 65)},
    {1852, MakeColorRef(127, 183, 66)}, {1648, MakeColorRef(114, 179, 68)},
    {1444, MakeColorRef(100, 175, 69)}, {1240, MakeColorRef(86, 171, 70)},
    {1036, MakeColorRef(73, 168, 72)},  {832, MakeColorRef(53, 164, 73)},
    {628, MakeColorRef(42, 163, 73)},   {424, MakeColorRef(33, 162, 73)},
    {220, MakeColorRef(29, 161, 73)},
};

// A + (x - a) * slope in single precision, truncated to 0..255.
int Channel(int a, int from, int to, int x, int b)
{
    const float slope = float(to - from) / float(b - a);
    const float v = float(x - a) * slope + float(from);
    const int t = static_cast<int>(v);
    return t < 0 ? 0 : t > 255 ? 255 : t;
}

} // namespace

void BuildMeterGradient()
{
    constexpr std::size_t n = std::size(kBreakpoints);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const Breakpoint& lo = kBreakpoints[i];
        const Breakpoint& hi = kBreakpoints[i + 1];
        for (int x = lo.index; x < hi.index; ++x)
            g_MeterGradient[std::size_t(x)] =
                MakeColorRef(Channel(lo.index, lo.r, hi.r, x, hi.index),
                             Channel(lo.index, lo.g, hi.g, x, hi.index),
                             Channel(lo.index, lo.b, hi.b, x, hi.index));
    }
    const Breakpoint& last = kBreakpoints[n - 1];
    g_MeterGradient[kMeterGradientSize - 1] = MakeColorRef(last.r, last.g, last.b);
}

ColorRef MeterGradientAt(long index)
{
    if (index < 0)
        index = 0;
    if (index >= kMeterGradientSize)
        index = kMeterGradientSize - 1;
    return g_MeterGradient[std::size_t(index)];
}

ColorRef MeterColourForLevel(int level)
{
    for (const Threshold& t : kPeakColours)
        if (level > t.above)
            return t.colour;
    return MakeColorRef(25, 161, 73);
}

float Pow103(float x)
{
    return static_cast<float>(std::pow(1.03, double(x)));
}

bool ApplyPeakHold(float level, float& heldPeak, std::uint64_t& stamp, std::uint64_t now, int holdMs)
{
    if (std::isnan(level))
        return false;
    bool set = false;
    if (level >= heldPeak) {
        heldPeak = level;
        stamp = now;
        set = true;
    }
    if (holdMs != -1 && now - stamp >= std::uint64_t(holdMs < 0 ? 0 : holdMs)) {
        heldPeak = level;
        stamp = now;
        set = true;
    }
    return set;
}

namespace strip_meter {

int UnlitBottomForLevel(float levelDb)
{
    if (std::isnan(levelDb))
        return kHeight;
    const float p = Pow103(levelDb);
    if (!(p < 2.0f))
        return kBarTop; // far above 0 dB: the whole bar, never beyond
    const int y = kHeight - static_cast<int>(p * float(kBarHeight));
    return y < kBarTop ? kBarTop : y > kHeight ? kHeight : y;
}

int PeakLineForLevel(float heldDb)
{
    if (heldDb == kNoPeak || std::isnan(heldDb))
        return -1;
    // Unlike the bar, the line is not held at the bar's top: above 0 dB it
    // lies over the read-out rows, and above the picture it is not drawn.
    const float lit = Pow103(heldDb) * float(kBarHeight);
    if (!(lit < float(kHeight + 1)))
        return -1;
    return kHeight - static_cast<int>(lit);
}

} // namespace strip_meter
