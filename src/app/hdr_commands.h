// The HDR menu: exposure and tone commands. They apply only to an unedited HDR document and
// re-open it in reload mode so the display image is derived afresh from the file.
#pragma once

#include "app/app_state.h"

/// The refusal message when the document is not an unedited HDR image, else "".
std::string HdrCheckMessage(const AppState& app);

/// Exposure +1/-1 (reset false, step +-1.0) or reset to 0 (reset true).
void ExposureCommand(AppState& app, bool reset, double step);
/// Sets the tone (0 editor clip, 1 filmic); the check marks are refreshed either way.
void ToneCommand(AppState& app, int tone);
/// Sets the check marks of "Tone: Editor (clip)" and "Tone: Filmic" from the current tone.
void UpdateToneChecks(AppState& app);
