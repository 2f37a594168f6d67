#pragma once

class SkinRegistry;

// The pictures that follow the meter law: the fully lit channel-strip meter
// (40201) and the scales beside it (149 dBFS; 150, 153, 154, 155, 156 dBU
// for a maximum of 9, 12, 15, 18 and 22 dBU). They are drawn from the law
// itself, so every tick lines up with the bar. Needs the meter gradient.
void RegisterMeterArt(SkinRegistry& skin);

// The scale picture the preferences choose.
int MeterScaleBitmap();
