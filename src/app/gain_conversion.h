#pragma once

// A fader position (gain step, 0 at the top) to the gain in dB the unit is
// sent and the read-out shows.

// KR-960 and KR-960/8: 69 dB at the top down to 14 dB at step 55; the last
// steps all give 6 dB.
int GainStepToDb(int position);

// KR-9X: 69 dB at the top down to 8 dB at step 61.
int GainStepToDbKR9X(int position);

// The conversion of the model that owns the channel.
int GainStepToDbForChannel(int channel, int position);
