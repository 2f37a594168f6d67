#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "platform/colorref.h"
#include "protocol/numbering.h"

// One level law, one peak-hold rule and one colour scheme for the meters of
// both views.

constexpr int kMeterGradientSize = 4096;

// The meter colour scale, green at 0 to red at 4095, built once at start-up.
extern std::array<ColorRef, kMeterGradientSize> g_MeterGradient;
void BuildMeterGradient();
// An entry of the scale with the index held to the table.
ColorRef MeterGradientAt(long index);

// The colour of the overview's peak marker for a level 0..4095 (or beyond).
ColorRef MeterColourForLevel(int level);

// 1.03 to the power x: the share of the full bar a level in dB lights
// (0 dB the full bar, -20 dB 0.554, -60 dB 0.170).
float Pow103(float x);

// A held peak that no level has set yet.
constexpr float kNoPeak = -std::numeric_limits<float>::infinity();

// Moment (ms of the program's clock) each channel's held peak was last set.
extern std::array<std::uint64_t, kChannelCount> g_MeterPeakTime;

// The peak-hold rule: the held peak follows a level at or above it, and
// (unless holdMs is -1, infinite) any level once holdMs have passed since it
// was set (0 follows every level). Returns true when the held peak was set.
bool ApplyPeakHold(float level, float& heldPeak, std::uint64_t& stamp, std::uint64_t now, int holdMs);

// The tall meter of the channel-strip view: a 22 x 228 picture whose bar is
// the 200 px below two text rows of 14 and 16 px.
namespace strip_meter {
constexpr int kWidth = 22;
constexpr int kHeight = 228;
constexpr int kBarTop = 28;
constexpr int kBarHeight = kHeight - kBarTop;
constexpr int kTestTravel = 167;     // lit pixels of a full meter-test step

// y in the picture down to which the bar stays dark for a level in dB
// (kBarTop when the level lights the whole bar; kHeight when it lights none).
int UnlitBottomForLevel(float levelDb);
// y of the peak line for a held peak in dB, 0 to kHeight; -1 when there is no
// peak or its line lies above the picture.
int PeakLineForLevel(float heldDb);
} // namespace strip_meter

// Fixed colours of the meters.
constexpr ColorRef kMeterUnlitColour = MakeColorRef(51, 49, 50);
constexpr ColorRef kReadoutColour = MakeColorRef(81, 165, 187);
constexpr ColorRef kOverColour = MakeColorRef(255, 0, 0);
constexpr ColorRef kPeakLineColour = MakeColorRef(164, 164, 164);
