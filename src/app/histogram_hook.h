#pragma once

struct AppState;

void RefreshHistogram(AppState& app);
