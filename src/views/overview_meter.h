#pragma once

#include <climits>

class QPainter;

// The narrow gradient meter of the overview: an 8 x 101 picture with a
// grey well and a bar that rises from y 95 (empty) to y 10 (0 dB). The bar
// is shaded in 2-px bands from the colour of the level at its top down
// towards green; how far towards green the red-zone threshold decides.
namespace overview_meter {

constexpr int kWidth = 8;
constexpr int kHeight = 101;
constexpr int kBase = 95;     // bar top of an empty bar
constexpr int kTravel = 85;   // bar length at 0 dB
constexpr int kCanvasBitmap = 40200;
constexpr int kNoMarker = INT_MIN;

// Everything one meter shows; two equal pictures look the same.
struct Picture {
    bool lit = false;         // false: no level has reached the meter yet
    int barTop = kBase;       // y of the bar's top
    int colourIndex = 0;      // gradient entry of the bar's top (beyond 4095 above 0 dB)
    int wellBottom = 96;      // bottom edge (exclusive) of the grey well
    int markerY = kNoMarker;  // centre row of the peak marker, or none
    int redZoneThreshold = 20;
    bool operator==(const Picture&) const = default;
};

// The share of the full bar a level lights, held so the bar never leaves
// the picture (KR-9X levels can go above 0 dB) and a NaN lights nothing.
float ShareForLevel(float levelDb);
// Bar length in pixels (0..95) and gradient index of a share.
int BarLength(float share);
int ColourIndex(float share);
// The marker row for a held peak in dB.
int MarkerRowForPeak(int peakDb);
// Bottom edge of the well for a bar length.
int WellBottom(int barLength);

// (threshold - 4) x 0.0278 + 0.5: 0.9448 for the default threshold 20.
float RedZoneFactor(int threshold);
// The gradient entry of the band starting at bandTop (not held to the table).
long BandIndex(const Picture& picture, int bandTop);

// Paints the picture at the painter's origin: canvas, well, peak marker and
// the framed, banded bar. An unlit picture paints nothing.
void Paint(QPainter& painter, const Picture& picture);

} // namespace overview_meter
