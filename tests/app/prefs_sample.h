// Settings for tests of the preferences window: a set that differs from the defaults in every
// field, and the fields as one comparable value.
#pragma once

#include <tuple>

#include "app/prefs.h"

namespace testing_support {

inline Preferences CustomPreferences() {
    Preferences p;
    p.rememberWindow = 0;
    p.background = 2;
    p.undoSteps = 77;
    p.normalStrength = 12.34;
    p.hdrFixed = 1;
    p.hdrExposure = -1.5;
    p.hdrTone = 1;
    p.saveFormat = 6;
    p.saveSourceFolder = 1;
    p.warnDataLoss = 0;
    p.warnSe1Size = 0;
    p.warnClipping = 0;
    return p;
}

inline auto Fields(const Preferences& p) {
    return std::tuple(p.rememberWindow, p.background, p.undoSteps, p.normalStrength, p.hdrFixed, p.hdrExposure,
                      p.hdrTone, p.saveFormat, p.saveSourceFolder, p.warnDataLoss, p.warnSe1Size, p.warnClipping);
}

}  // namespace testing_support
