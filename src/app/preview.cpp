#include "app/preview.h"

void RefreshPreview(AppState&) {}
void ShowTemporaryPreview(AppState&, const Image*) {}
