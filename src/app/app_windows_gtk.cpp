#include "app/app_windows_gtk.h"

namespace {

class GtkAppWindows : public AppWindows {
public:
    explicit GtkAppWindows(GtkWindow* parent) : parent_(parent) {}

private:
    GtkWindow* parent_;
};

}  // namespace

std::unique_ptr<AppWindows> MakeGtkAppWindows(GtkWindow* parent) { return std::make_unique<GtkAppWindows>(parent); }
