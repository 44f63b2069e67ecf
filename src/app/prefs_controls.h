// The logic of the preferences window without its widgets: what every control shows for a
// set of settings, and how the entries become settings again when the user presses OK.
//
// The window copies the widgets into a PreferencesControls and back, so everything it decides
// (texts with one decimal, which HDR controls are enabled, validation and clamping) is here and
// runs headless.
#pragma once

#include <string>

#include "app/prefs.h"

class Ui;

/// The state of the window's controls. Texts are what the fields show or what the user typed;
/// indices are the combo boxes' selected items.
struct PreferencesControls {
    // "General"
    bool rememberWindow = false;
    int background = 0;                // "Checkerboard", "Black", "Gray", "White"
    std::string undoSteps;             // the spin field's text
    std::string normalStrength;        // "2.0"; "," is accepted as the decimal separator
    bool hdrFixed = false;             // "Always:" chosen (else "Same exposure and tone as last time")
    std::string hdrExposure;           // "-1.5"
    int hdrTone = 0;                   // "Editor (clip)", "Filmic"
    bool hdrControlsEnabled = false;   // the exposure field and the tone box take input
    // "Saving"
    int saveFormat = 0;                // the Save As filter list, in its order
    bool saveSourceFolder = false;     // "The folder of the source file"
    // "Warnings"
    bool warnDataLoss = false;
    bool warnSe1Size = false;
    bool warnClipping = false;
};

/// Caption and text of the message shown when the strength is refused.
inline constexpr const char* kPreferencesCaption = "Preferences";
inline constexpr const char* kInvalidStrengthMessage = "The normal map strength must be a number between 0 and 50.";

/// The controls showing prefs: the reals with one decimal, the HDR exposure field and tone box
/// enabled exactly when prefs.hdrFixed is set.
PreferencesControls FillPreferencesControls(const Preferences& prefs);

/// What "Defaults" shows: the controls for the default settings. The settings themselves stay
/// as they are until OK.
PreferencesControls DefaultPreferencesControls();

/// Validates the entries and stores them into prefs. The strength (with "," read as ".") must
/// be a number above 0 and at most 50; otherwise an error box captioned "Preferences" is shown
/// through ui and false is returned with prefs untouched. Every other entry is accepted: the
/// undo steps are clamped to 2..200 (text that is no number counts as 0, hence 2), the exposure
/// is taken as typed (text that is no number gives 0.0).
bool ApplyPreferencesControls(const PreferencesControls& controls, Preferences& prefs, Ui& ui);

/// The OK button: ApplyPreferencesControls, and when it succeeds every setting is written to the
/// preferences file (the remembered-state keys in it stay as they are).
bool ConfirmPreferencesControls(const PreferencesControls& controls, Preferences& prefs, const std::string& file,
                                Ui& ui);
