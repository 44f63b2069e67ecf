// The modal "Save as DDS" window: output format and whether mipmaps are generated.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

/// Shows the window centred on parent (which takes no input while it is open and gets the
/// focus back afterwards). The list starts on DefaultDdsFormat (keepAlpha, normalHint) and the
/// mipmap box ticked; the choice of last time does not preselect anything. True on OK or
/// Return: lastDdsFormat gets the chosen format code (0..3) and lastDdsMips the box. False on
/// Cancel, Escape or closing; both are then left unchanged.
bool AskDdsOptions(GtkWindow* parent, bool keepAlpha, bool normalHint, int64_t& lastDdsFormat, bool& lastDdsMips);
