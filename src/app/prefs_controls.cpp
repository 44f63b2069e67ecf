#include "app/prefs_controls.h"

#include <algorithm>

#include "adjust/hdr_tone.h"
#include "platform/ui.h"

namespace {

// A real typed by the user: "," counts as the decimal separator, as "." does.
double ParseTypedReal(std::string text) {
    std::replace(text.begin(), text.end(), ',', '.');
    return ParsePrefReal(text);
}

// The same one-decimal text as the exposure shown in the status bar, independent of the locale.
std::string OneDecimal(double value) { return ExposureText(value); }

int ClampIndex(int index, int last) { return std::clamp(index, 0, last); }

}  // namespace

PreferencesControls FillPreferencesControls(const Preferences& prefs) {
    PreferencesControls controls;
    controls.rememberWindow = prefs.rememberWindow != 0;
    controls.background = prefs.background;
    controls.undoSteps = std::to_string(prefs.undoSteps);
    controls.normalStrength = OneDecimal(prefs.normalStrength);
    controls.hdrFixed = prefs.hdrFixed != 0;
    controls.hdrExposure = OneDecimal(prefs.hdrExposure);
    controls.hdrTone = prefs.hdrTone;
    controls.hdrControlsEnabled = controls.hdrFixed;
    controls.saveFormat = prefs.saveFormat;
    controls.saveSourceFolder = prefs.saveSourceFolder != 0;
    controls.warnDataLoss = prefs.warnDataLoss != 0;
    controls.warnSe1Size = prefs.warnSe1Size != 0;
    controls.warnClipping = prefs.warnClipping != 0;
    return controls;
}

PreferencesControls DefaultPreferencesControls() {
    Preferences defaults;
    SetDefaultPreferences(defaults);
    return FillPreferencesControls(defaults);
}

bool ApplyPreferencesControls(const PreferencesControls& controls, Preferences& prefs, Ui& ui) {
    // Text that is no number, and nan or inf, parse as 0 and are refused here.
    const double strength = ParseTypedReal(controls.normalStrength);
    if (strength <= 0.0 || strength > 50.0) {
        ui.Message(BoxKind::Error, kPreferencesCaption, kInvalidStrengthMessage);
        return false;
    }
    prefs.rememberWindow = controls.rememberWindow ? 1 : 0;
    prefs.background = ClampIndex(controls.background, 3);
    prefs.undoSteps = int(std::clamp<int64_t>(ParsePrefInt(controls.undoSteps), 2, 200));
    prefs.normalStrength = strength;
    prefs.hdrFixed = controls.hdrFixed ? 1 : 0;
    prefs.hdrExposure = ParseTypedReal(controls.hdrExposure);
    prefs.hdrTone = ClampIndex(controls.hdrTone, 1);
    prefs.saveFormat = ClampIndex(controls.saveFormat, 7);
    prefs.saveSourceFolder = controls.saveSourceFolder ? 1 : 0;
    prefs.warnDataLoss = controls.warnDataLoss ? 1 : 0;
    prefs.warnSe1Size = controls.warnSe1Size ? 1 : 0;
    prefs.warnClipping = controls.warnClipping ? 1 : 0;
    return true;
}

bool ConfirmPreferencesControls(const PreferencesControls& controls, Preferences& prefs, const std::string& file,
                                Ui& ui) {
    if (!ApplyPreferencesControls(controls, prefs, ui)) return false;
    SavePreferences(file, prefs);
    return true;
}
