#include "app/histogram_hook.h"

#include "app/app_state.h"

void RefreshHistogram(AppState& app) {
    if (app.windows) app.windows->RefreshHistogram(app);
}
