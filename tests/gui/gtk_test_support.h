// Helpers for driving real GTK windows in tests: modal windows run their own nested loop, so
// the test schedules what the "user" does before it opens the window.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace gtk_test_support {

/// Starts GTK once (the tests run under an X server of their own).
inline bool InitGtk() {
    static const bool ok = gtk_init_check(nullptr, nullptr);
    return ok;
}

inline std::string AccessibleName(GtkWidget* widget) {
    const char* name = atk_object_get_name(gtk_widget_get_accessible(widget));
    return name ? name : "";
}

/// The first widget below root (internal children included) whose accessible name is name,
/// of the given type when one is given.
inline GtkWidget* FindByAccessibleName(GtkWidget* root, const std::string& name, GType type = G_TYPE_INVALID) {
    if (AccessibleName(root) == name && (type == G_TYPE_INVALID || G_TYPE_CHECK_INSTANCE_TYPE(root, type)))
        return root;
    if (!GTK_IS_CONTAINER(root)) return nullptr;
    struct Search {
        const std::string& name;
        GType type;
        GtkWidget* found = nullptr;
    } search{name, type};
    gtk_container_forall(
        GTK_CONTAINER(root),
        [](GtkWidget* child, gpointer data) {
            auto& s = *static_cast<Search*>(data);
            if (!s.found) s.found = FindByAccessibleName(child, s.name, s.type);
        },
        &search);
    return search.found;
}

/// What a screen reader meets in window that it could not name: "role" of every accessible
/// control (button, check box, list, text field, ...) whose accessible name is empty.
inline std::vector<std::string> UnnamedControls(GtkWidget* window) {
    std::vector<std::string> unnamed;
    std::function<void(AtkObject*)> visit = [&](AtkObject* object) {
        switch (atk_object_get_role(object)) {
            case ATK_ROLE_PUSH_BUTTON:
            case ATK_ROLE_TOGGLE_BUTTON:
            case ATK_ROLE_CHECK_BOX:
            case ATK_ROLE_RADIO_BUTTON:
            case ATK_ROLE_COMBO_BOX:
            case ATK_ROLE_TEXT:
            case ATK_ROLE_ENTRY:
            case ATK_ROLE_SPIN_BUTTON:
            case ATK_ROLE_SLIDER: {
                const char* name = atk_object_get_name(object);
                if (!name || !*name) unnamed.push_back(atk_role_get_name(atk_object_get_role(object)));
                break;
            }
            default: break;
        }
        const int count = atk_object_get_n_accessible_children(object);
        for (int i = 0; i < count; ++i) {
            AtkObject* child = atk_object_ref_accessible_child(object, i);
            if (!child) continue;
            visit(child);
            g_object_unref(child);
        }
    };
    visit(gtk_widget_get_accessible(window));
    return unnamed;
}

/// Presses a key on a window through its key bindings (Escape closes a dialog).
inline void PressKey(GtkWidget* window, guint key) { gtk_bindings_activate(G_OBJECT(window), key, GdkModifierType(0)); }

/// Runs act on the visible top-level window titled title as soon as it is shown (polling from
/// the main loop, which a modal window's nested loop also serves). Gives up after ~5 s.
inline void WhenWindowShows(const std::string& title, std::function<void(GtkWidget*)> act) {
    struct Pending {
        std::string title;
        std::function<void(GtkWidget*)> act;
        int triesLeft = 250;
    };
    g_timeout_add(
        20,
        [](gpointer data) -> gboolean {
            auto* pending = static_cast<Pending*>(data);
            GList* windows = gtk_window_list_toplevels();
            GtkWidget* found = nullptr;
            for (GList* it = windows; it; it = it->next) {
                GtkWindow* window = GTK_WINDOW(it->data);
                const char* windowTitle = gtk_window_get_title(window);
                if (windowTitle && pending->title == windowTitle && gtk_widget_get_mapped(GTK_WIDGET(window)))
                    found = GTK_WIDGET(window);
            }
            g_list_free(windows);
            if (!found && --pending->triesLeft > 0) return G_SOURCE_CONTINUE;
            if (found) pending->act(found);
            delete pending;
            return G_SOURCE_REMOVE;
        },
        new Pending{title, std::move(act)});
}

inline void SetEntryText(GtkWidget* entry, const std::string& text) {
    gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
}
inline std::string EntryText(GtkWidget* entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }

}  // namespace gtk_test_support
