#include "app/main_window.h"

#include <gdk/gdkkeysyms.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_windows_gtk.h"
#include "app/commands.h"
#include "app/hdr_commands.h"
#include "app/history_commands.h"
#include "app/menu_table.h"
#include "app/open_flow.h"
#include "app/prefs.h"
#include "app/session_state.h"
#include "platform/cairo_image_gtk.h"
#include "platform/file_io.h"
#include "platform/ui_gtk.h"

namespace {

constexpr int kCanvasStart = 1024;

struct Accelerator {
    const char* text;  // shortcut text of the menu table
    guint key;
    GdkModifierType mods;
};

const Accelerator kAccelerators[] = {
    {"Ctrl+O", GDK_KEY_o, GDK_CONTROL_MASK},     {"Ctrl+G", GDK_KEY_g, GDK_CONTROL_MASK},
    {"Ctrl+S", GDK_KEY_s, GDK_CONTROL_MASK},     {"Shift+Ctrl+S", GDK_KEY_s, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK)},
    {"Ctrl+Q", GDK_KEY_q, GDK_CONTROL_MASK},     {"Ctrl+Z", GDK_KEY_z, GDK_CONTROL_MASK},
    {"Ctrl+Y", GDK_KEY_y, GDK_CONTROL_MASK},     {"Ctrl+L", GDK_KEY_l, GDK_CONTROL_MASK},
    {"Ctrl+Up", GDK_KEY_Up, GDK_CONTROL_MASK},   {"Ctrl+Down", GDK_KEY_Down, GDK_CONTROL_MASK},
    {"Ctrl+0", GDK_KEY_0, GDK_CONTROL_MASK},     {"Ctrl+T", GDK_KEY_t, GDK_CONTROL_MASK},
    {"Ctrl+I", GDK_KEY_i, GDK_CONTROL_MASK},     {"Ctrl+R", GDK_KEY_r, GDK_CONTROL_MASK},
    {"Ctrl+K", GDK_KEY_k, GDK_CONTROL_MASK},     {"Ctrl+B", GDK_KEY_b, GDK_CONTROL_MASK},
    {"Ctrl+P", GDK_KEY_p, GDK_CONTROL_MASK},     {"Ctrl+H", GDK_KEY_h, GDK_CONTROL_MASK},
};

const Accelerator* FindAccelerator(const char* text) {
    for (const Accelerator& a : kAccelerators)
        if (std::strcmp(a.text, text) == 0) return &a;
    return nullptr;
}

// ---- the view the document and the flows talk to --------------------------------------------

class GtkMainView : public MainView {
public:
    explicit GtkMainView(MainWindow& w) : w_(w) {}

    void SetTitle(const std::string& title) override { gtk_window_set_title(GTK_WINDOW(w_.window), title.c_str()); }

    void SetStatusField(int field, const std::string& text) override {
        if (field >= 0 && field < 3) gtk_label_set_text(GTK_LABEL(w_.status[field]), text.c_str());
    }

    void SetMenuItem(int id, const std::string& text, bool enabled) override {
        auto it = w_.items.find(id);
        if (it == w_.items.end()) return;
        // The shortcut after the tab is rendered by the accelerator label itself.
        const std::string label = text.substr(0, text.find('\t'));
        gtk_menu_item_set_label(GTK_MENU_ITEM(it->second), label.c_str());
        gtk_widget_set_sensitive(it->second, enabled);
    }

    void SetMenuCheck(int id, bool checked) override {
        auto it = w_.items.find(id);
        if (it == w_.items.end() || !GTK_IS_CHECK_MENU_ITEM(it->second)) return;
        updating_ = true;
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(it->second), checked);
        updating_ = false;
    }

    void ShowPreview(const Image& composed) override {
        cairo_surface_t* surface = ImageToCairoSurface(composed);
        if (!surface) return;  // out of memory: the canvas keeps what it shows
        if (w_.surface) cairo_surface_destroy(w_.surface);
        w_.surface = surface;
        gtk_widget_set_size_request(w_.canvas, composed.width, composed.height);
        gtk_widget_queue_draw(w_.canvas);
    }

    bool IsMaximized() const override { return gtk_window_is_maximized(GTK_WINDOW(w_.window)); }
    bool IsMinimized() const override {
        GdkWindow* gdk = gtk_widget_get_window(w_.window);
        return gdk && (gdk_window_get_state(gdk) & GDK_WINDOW_STATE_ICONIFIED);
    }
    void GetGeometry(int& x, int& y, int& width, int& height) const override {
        gtk_window_get_position(GTK_WINDOW(w_.window), &x, &y);
        gtk_window_get_size(GTK_WINDOW(w_.window), &width, &height);
    }

    bool updating() const { return updating_; }

private:
    MainWindow& w_;
    bool updating_ = false;
};

// ---- signals -----------------------------------------------------------------------------------

struct ItemBinding {
    MainWindow* window;
    int id;
};

void OnMenuItem(GtkMenuItem* item, gpointer data) {
    auto* binding = static_cast<ItemBinding*>(data);
    MainWindow& w = *binding->window;
    // Check items toggle themselves when we set their marks; only user choices dispatch.
    if (GTK_IS_CHECK_MENU_ITEM(item) && static_cast<GtkMainView*>(w.view.get())->updating()) return;
    if (DispatchCommand(*w.app, binding->id)) {
        w.quitRequested = true;
        gtk_main_quit();
    }
}

gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
    auto& w = *static_cast<MainWindow*>(data);
    if (ConfirmQuit(*w.app)) {
        w.quitRequested = true;
        gtk_main_quit();
    }
    return TRUE;  // the window stays until shutdown has stored its geometry
}

gboolean OnCanvasDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto& w = *static_cast<MainWindow*>(data);
    if (w.surface) {
        cairo_set_source_surface(cr, w.surface, 0, 0);
        cairo_paint(cr);
    } else {
        cairo_set_source_rgb(cr, 160 / 255.0, 160 / 255.0, 160 / 255.0);
        cairo_rectangle(cr, 0, 0, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget));
        cairo_fill(cr);
    }
    return TRUE;
}

// ---- building ----------------------------------------------------------------------------------

GtkWidget* MakeMenuItem(MainWindow& w, const MenuEntry& e) {
    GtkWidget* item = e.row == MenuRow::CheckItem ? gtk_check_menu_item_new_with_label(e.text)
                                                  : gtk_menu_item_new_with_label(e.text);
    if (e.row == MenuRow::CheckItem) gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(item), FALSE);
    if (const Accelerator* a = FindAccelerator(e.shortcut))
        gtk_widget_add_accelerator(item, "activate", w.accel, a->key, a->mods, GTK_ACCEL_VISIBLE);
    auto* binding = new ItemBinding{&w, e.id};
    g_signal_connect_data(item, "activate", G_CALLBACK(OnMenuItem), binding,
                          [](gpointer data, GClosure*) { delete static_cast<ItemBinding*>(data); }, GConnectFlags(0));
    w.items[e.id] = item;
    return item;
}

void BuildMenuBar(MainWindow& w) {
    w.menuBar = gtk_menu_bar_new();
    std::vector<GtkWidget*> menus;  // the stack: top-level menu, then an open sub-menu
    for (const MenuEntry& e : MainMenuTable()) {
        switch (e.row) {
            case MenuRow::Menu: {
                GtkWidget* top = gtk_menu_item_new_with_label(e.text);
                GtkWidget* menu = gtk_menu_new();
                gtk_menu_set_accel_group(GTK_MENU(menu), w.accel);
                gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
                gtk_menu_shell_append(GTK_MENU_SHELL(w.menuBar), top);
                menus.assign(1, menu);
                break;
            }
            case MenuRow::SubmenuBegin: {
                GtkWidget* parentItem = gtk_menu_item_new_with_label(e.text);
                GtkWidget* menu = gtk_menu_new();
                gtk_menu_item_set_submenu(GTK_MENU_ITEM(parentItem), menu);
                gtk_menu_shell_append(GTK_MENU_SHELL(menus.back()), parentItem);
                menus.push_back(menu);
                break;
            }
            case MenuRow::SubmenuEnd: menus.pop_back(); break;
            case MenuRow::Separator:
                gtk_menu_shell_append(GTK_MENU_SHELL(menus.back()), gtk_separator_menu_item_new());
                break;
            case MenuRow::Item:
            case MenuRow::CheckItem: gtk_menu_shell_append(GTK_MENU_SHELL(menus.back()), MakeMenuItem(w, e)); break;
        }
    }
}

GtkWidget* MakeStatusField(MainWindow& w, int field, int width, const char* accessibleName) {
    GtkWidget* label = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_widget_set_margin_start(label, 6);
    gtk_widget_set_margin_end(label, 6);
    if (width > 0) gtk_widget_set_size_request(label, width - 12, -1);
    // The label's text stays its accessible name; the description says which field it is.
    atk_object_set_description(gtk_widget_get_accessible(label), accessibleName);
    w.status[field] = label;
    return label;
}

GtkWidget* BuildStatusBar(MainWindow& w) {
    GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_set_margin_top(bar, 2);
    gtk_widget_set_margin_bottom(bar, 2);
    gtk_box_pack_start(GTK_BOX(bar), MakeStatusField(w, 0, 220, "File name"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bar), gtk_separator_new(GTK_ORIENTATION_VERTICAL), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bar), MakeStatusField(w, 1, 380, "Image format"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bar), gtk_separator_new(GTK_ORIENTATION_VERTICAL), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bar), MakeStatusField(w, 2, 0, "Image note"), TRUE, TRUE, 0);
    return bar;
}

GtkWidget* BuildPreviewArea(MainWindow& w) {
    w.scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_widget_set_margin_start(w.scroll, 4);
    gtk_widget_set_margin_top(w.scroll, 4);
    gtk_widget_set_margin_end(w.scroll, 6);
    w.canvas = gtk_drawing_area_new();
    gtk_widget_set_size_request(w.canvas, kCanvasStart, kCanvasStart);
    // A 4-pixel margin around the canvas: the scrollable size is the canvas + 8.
    gtk_widget_set_margin_start(w.canvas, 4);
    gtk_widget_set_margin_top(w.canvas, 4);
    gtk_widget_set_margin_end(w.canvas, 4);
    gtk_widget_set_margin_bottom(w.canvas, 4);
    gtk_widget_set_halign(w.canvas, GTK_ALIGN_START);
    gtk_widget_set_valign(w.canvas, GTK_ALIGN_START);
    atk_object_set_name(gtk_widget_get_accessible(w.canvas), "Preview");
    g_signal_connect(w.canvas, "draw", G_CALLBACK(OnCanvasDraw), &w);
    gtk_container_add(GTK_CONTAINER(w.scroll), w.canvas);
    return w.scroll;
}

std::vector<MonitorRect> MonitorRects() {
    std::vector<MonitorRect> rects;
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return rects;
    for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
        GdkRectangle g;
        gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &g);
        rects.push_back({g.x, g.y, g.width, g.height});
    }
    return rects;
}

}  // namespace

std::unique_ptr<MainWindow> CreateMainWindow(AppState& app) {
    auto w = std::make_unique<MainWindow>();
    w->app = &app;
    w->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(w->window), kMainTitle);
    const WindowGeometry& g = app.window;
    gtk_window_set_default_size(GTK_WINDOW(w->window), g.width, g.height);
    if (g.centred) gtk_window_set_position(GTK_WINDOW(w->window), GTK_WIN_POS_CENTER);
    else gtk_window_move(GTK_WINDOW(w->window), g.x, g.y);
    w->accel = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(w->window), w->accel);

    BuildMenuBar(*w);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(box), w->menuBar, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), BuildPreviewArea(*w), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), BuildStatusBar(*w), FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(w->window), box);
    g_signal_connect(w->window, "delete-event", G_CALLBACK(OnDeleteEvent), w.get());

    w->view = std::make_unique<GtkMainView>(*w);
    w->ui = std::make_unique<GtkUi>(GTK_WINDOW(w->window));
    w->windows = MakeGtkAppWindows(GTK_WINDOW(w->window));
    app.view = w->view.get();
    app.ui = w->ui.get();
    app.windows = w->windows.get();
    // Item 11 carries its check mark from creation.
    w->view->SetMenuCheck(kCmdToneClip, true);
    w->view->SetStatusField(0, "No file opened");
    return w;
}

void DestroyMainWindow(MainWindow& w) {
    if (w.app) {
        w.app->view = nullptr;
        w.app->ui = nullptr;
        w.app->windows = nullptr;
    }
    if (w.surface) cairo_surface_destroy(w.surface);
    w.surface = nullptr;
    if (w.window) gtk_widget_destroy(w.window);
    w.window = nullptr;
    if (w.accel) g_object_unref(w.accel);
    w.accel = nullptr;
}

int RunGlimmerkit(int argc, char** argv) {
    gtk_init(&argc, &argv);
    setlocale(LC_NUMERIC, "C");  // our number texts use a full stop whatever the locale
    // With TZ unset, glibc re-reads /etc/localtime for every archive entry's timestamp.
    setenv("TZ", ":/etc/localtime", 0);

    AppState app;
    app.prefsFile = PrefsFilePath(g_getenv("HOME"));
    LoadPreferences(app, MonitorRects());

    std::unique_ptr<MainWindow> window = CreateMainWindow(app);
    gtk_widget_show_all(window->window);
    if (app.window.maximised) gtk_window_maximize(GTK_WINDOW(window->window));
    UpdateToneChecks(app);
    UpdateTitle(app);

    if (argc > 1 && FileSize(argv[1]) >= 1) OpenDocument(app, argv[1], false);

    gtk_main();

    SaveSessionState(app);
    DestroyMainWindow(*window);
    return 0;
}
