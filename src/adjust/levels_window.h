// The modal "Levels" window: histogram with draggable black, gamma and white markers, the five
// number fields of the selected channel setting, the clipping line and a live preview.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>

#include "adjust/levels.h"

/// Shows image (or, with nullptr, the working image again) in the main window.
using LevelsPreview = std::function<void(const Image*)>;

/// Runs the window on image. Returns true when the user applied a non-identity setting, which
/// is then in setting with its clip count in clipCount. warnClipping asks before applying a
/// setting that clips.
bool LevelsWindow(GtkWindow* parent, const Image& image, const LevelsPreview& preview, bool warnClipping,
                  LevelsSetting& setting, int64_t& clipCount);
