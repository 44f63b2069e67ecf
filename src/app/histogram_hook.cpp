#include "app/histogram_hook.h"

void RefreshHistogram(AppState&) {}
