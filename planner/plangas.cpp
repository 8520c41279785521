#include "planner/plangas.h"

#include "dive/diveprofile.h"

int gasIndexOfMix(DiveProfile& profile, int o2, int he)
{
    for (int i = 0; i < profile.gases.size(); ++i) {
        if (profile.gases[i].o2 == o2 && profile.gases[i].he == he)
            return i;
    }
    DiveGas gas;
    gas.o2 = o2;
    gas.he = he;
    gas.name = DiveProfile::gasName(gas);
    gas.id = gas.name;
    profile.gases.append(gas);
    return int(profile.gases.size()) - 1;
}

QString planGasName(const DiveGas& gas)
{
    if (gas.o2 == 100 && gas.he == 0)
        return QStringLiteral("O2");
    DiveGas named = gas;
    return named.name.isEmpty() ? DiveProfile::gasName(named) : named.name;
}
