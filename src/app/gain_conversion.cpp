#include "app/gain_conversion.h"

#include "protocol/unit_tables.h"

int GainStepToDb(int position)
{
    const int d = 63 - position;
    return d >= 8 ? d + 6 : 6;
}

int GainStepToDbKR9X(int position)
{
    return 69 - position;
}

int GainStepToDbForChannel(int channel, int position)
{
    const bool kr9x = channel >= 0 && channel < kChannelCount
        && g_ChannelUnitType[channel] == UNIT_TYPE_KR9X;
    return kr9x ? GainStepToDbKR9X(position) : GainStepToDb(position);
}
