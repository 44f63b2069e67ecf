#include "app/prefs_window.h"

#include <initializer_list>

#include "app/prefs_controls.h"
#include "platform/modal_dialog_gtk.h"
#include "platform/ui_gtk.h"

namespace {

constexpr const char* kBackgroundItems[] = {"Checkerboard", "Black", "Gray", "White"};
constexpr const char* kToneItems[] = {"Editor (clip)", "Filmic"};
// In the order of the Save As filter list.
constexpr const char* kSaveFormatItems[] = {
    "Truevision Graphics Adapter (*.tga)",      "Portable Network Graphics (*.png)",
    "PiCture eXchange (*.pcx)",                 "Microsoft BMP (*.bmp)",
    "Tagged Image File Format (*.tif)",         "Joint Photographic Experts Group (*.jpg)",
    "DirectDraw Surface (*.dds)",               "Serious Sam 1 texture (*.tex)",
};

// Least room between a text and the control after it.
constexpr int kGap = 6;

struct PrefsWindow {
    ModalDialog dialog;
    AppState* app = nullptr;
    // "General"
    GtkWidget* rememberWindow = nullptr;
    GtkWidget* background = nullptr;
    GtkWidget* undoSteps = nullptr;
    GtkWidget* normalStrength = nullptr;
    GtkWidget* hdrLastTime = nullptr;
    GtkWidget* hdrAlways = nullptr;
    GtkWidget* hdrExposure = nullptr;
    GtkWidget* hdrTone = nullptr;
    // "Saving"
    GtkWidget* saveFormat = nullptr;
    GtkWidget* saveLastFolder = nullptr;
    GtkWidget* saveSourceFolder = nullptr;
    // "Warnings"
    GtkWidget* warnDataLoss = nullptr;
    GtkWidget* warnSe1Size = nullptr;
    GtkWidget* warnClipping = nullptr;
    // Labels whose text decides where the controls after them may start.
    GtkWidget* backgroundLabel = nullptr;
    GtkWidget* undoStepsLabel = nullptr;
    GtkWidget* strengthLabel = nullptr;
    GtkWidget* exposureLabel = nullptr;
    GtkWidget* toneLabel = nullptr;
    GtkWidget* saveFormatLabel = nullptr;
    GtkWidget* hdrFrame = nullptr;
    GtkWidget* general = nullptr;  // the tabs' layouts
    GtkWidget* saving = nullptr;
};

// A tab of the notebook: its own fixed layout, placed on with the dialog's helpers.
ModalDialog AddPage(const ModalDialog& dialog, GtkWidget* notebook, const char* title) {
    ModalDialog page{dialog.window, gtk_fixed_new()};
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), page.layout, gtk_label_new(title));
    return page;
}

// Calls visit on widget and on every widget inside it, internal children included.
void ForEachWidgetInside(GtkWidget* widget, void (*visit)(GtkWidget*)) {
    visit(widget);
    if (!GTK_IS_CONTAINER(widget)) return;
    gtk_container_forall(
        GTK_CONTAINER(widget), [](GtkWidget* child, gpointer data) {
            ForEachWidgetInside(child, reinterpret_cast<void (*)(GtkWidget*)>(data));
        },
        reinterpret_cast<gpointer>(visit));
}

// The controls a screen reader names after the label in front of them.
void NameAfterLabel(GtkWidget* control, GtkWidget* label, const char* name) {
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), control);
    SetAccessibleName(control, name);
}

// The +/- buttons of a spin field are parts of the field itself, not widgets of their own, so
// they are made as low as the layout's 24 pixels through the field's style.
void UseCompactSpinStyle(GtkWidget* spin) {
    static GtkCssProvider* css = [] {
        GtkCssProvider* provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(
            provider, "spinbutton, spinbutton entry, spinbutton button { min-height: 20px; padding-top: 1px; padding-bottom: 1px; }",
            -1, nullptr);
        return provider;
    }();
    gtk_style_context_add_provider(gtk_widget_get_style_context(spin), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

GtkWidget* PlaceCombo(const ModalDialog& page, const char* const* items, int count, int x, int y, int width) {
    GtkWidget* combo = gtk_combo_box_text_new();
    for (int i = 0; i < count; ++i) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), items[i]);
    // The theme's combo boxes are taller than the 24 pixels of the layout.
    ForEachWidgetInside(combo, UseCompactStyle);
    return PlaceControl(page, combo, x, y, width, 24);
}

GtkWidget* PlaceEntry(const ModalDialog& page, int x, int y, int width) {
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 4);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    UseCompactStyle(entry);
    return PlaceControl(page, entry, x, y, width, 24);
}

GtkWidget* PlaceCheck(const ModalDialog& page, const char* text, int x, int y, int width) {
    return PlaceControl(page, gtk_check_button_new_with_label(text), x, y, width, 22);
}

void BuildGeneralTab(PrefsWindow& window, const ModalDialog& page) {
    window.rememberWindow = PlaceCheck(page, "Remember the window position and size", 10, 12, 450);

    window.general = page.layout;
    GtkWidget* label = PlaceLabel(page, "Background behind transparent areas:", 10, 48, 230, 20);
    window.backgroundLabel = label;
    window.background = PlaceCombo(page, kBackgroundItems, 4, 250, 44, 160);
    NameAfterLabel(window.background, label, "Background behind transparent areas");

    label = window.undoStepsLabel = PlaceLabel(page, "Undo steps (more uses more memory):", 10, 82, 230, 20);
    window.undoSteps = gtk_spin_button_new_with_range(2, 200, 1);
    gtk_entry_set_width_chars(GTK_ENTRY(window.undoSteps), 3);
    gtk_entry_set_activates_default(GTK_ENTRY(window.undoSteps), TRUE);
    UseCompactSpinStyle(window.undoSteps);
    PlaceControl(page, window.undoSteps, 250, 78, 80, 24);
    NameAfterLabel(window.undoSteps, label, "Undo steps");

    label = window.strengthLabel = PlaceLabel(page, "Normal map from height map, strength:", 10, 116, 230, 20);
    window.normalStrength = PlaceEntry(page, 250, 112, 80);
    NameAfterLabel(window.normalStrength, label, "Normal map strength");

    window.hdrFrame = PlaceControl(page, gtk_frame_new("HDR textures when the program starts"), 10, 150, 456, 106);
    window.hdrLastTime = PlaceControl(page, gtk_radio_button_new_with_label(nullptr, "Same exposure and tone as last time"),
                                      22, 172, 430, 22);
    window.hdrAlways = PlaceControl(
        page, gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(window.hdrLastTime), "Always:"), 22, 198,
        100, 22);
    label = window.exposureLabel = PlaceLabel(page, "Exposure (EV)", 130, 202, 70, 20);
    window.hdrExposure = PlaceEntry(page, 210, 198, 60);
    NameAfterLabel(window.hdrExposure, label, "Exposure (EV)");
    label = window.toneLabel = PlaceLabel(page, "Tone", 290, 202, 40, 20);
    window.hdrTone = PlaceCombo(page, kToneItems, 2, 330, 198, 126);
    NameAfterLabel(window.hdrTone, label, "Tone");
}

void BuildSavingTab(PrefsWindow& window, const ModalDialog& page) {
    window.saving = page.layout;
    GtkWidget* label = window.saveFormatLabel = PlaceLabel(page, "Default format for Save As:", 10, 16, 180, 20);
    window.saveFormat = PlaceCombo(page, kSaveFormatItems, 8, 190, 12, 270);
    NameAfterLabel(window.saveFormat, label, "Default format for Save As");

    PlaceControl(page, gtk_frame_new("Save As suggests"), 10, 52, 456, 80);
    window.saveLastFolder =
        PlaceControl(page, gtk_radio_button_new_with_label(nullptr, "The folder where you last saved"), 22, 74, 430, 22);
    window.saveSourceFolder = PlaceControl(
        page,
        gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(window.saveLastFolder),
                                                    "The folder of the source file"),
        22, 100, 430, 22);
}

void BuildWarningsTab(PrefsWindow& window, const ModalDialog& page) {
    window.warnDataLoss =
        PlaceCheck(page, "Warn when saving loses information (HDR, transparency, clipping, JPG)", 10, 12, 450);
    window.warnSe1Size =
        PlaceCheck(page, "Serious Sam 1 .tex: offer to resize textures larger than 1024 pixels", 10, 40, 450);
    window.warnClipping = PlaceCheck(page, "Levels: ask before applying an adjustment that clips", 10, 68, 450);
}

int LeftOf(GtkWidget* layout, GtkWidget* widget) {
    int x = 0;
    gtk_container_child_get(GTK_CONTAINER(layout), widget, "x", &x, nullptr);
    return x;
}

int RightOf(GtkWidget* layout, GtkWidget* widget) {
    int width = 0;
    gtk_widget_get_preferred_width(widget, &width, nullptr);
    return LeftOf(layout, widget) + width;
}

// Texts in the theme's font may be wider than the layout planned for them. When before would
// reach into the first of after, every widget of after moves right by the same amount, so that
// a row keeps its order and a column stays aligned.
void MoveClearOf(GtkWidget* layout, GtkWidget* before, std::initializer_list<GtkWidget*> after) {
    const int shift = RightOf(layout, before) + kGap - LeftOf(layout, *after.begin());
    if (shift <= 0) return;
    for (GtkWidget* widget : after) {
        int y = 0;
        gtk_container_child_get(GTK_CONTAINER(layout), widget, "y", &y, nullptr);
        gtk_fixed_move(GTK_FIXED(layout), widget, LeftOf(layout, widget) + shift, y);
    }
}

void FitTextsToTheirControls(PrefsWindow& w) {
    gtk_widget_show_all(w.dialog.layout);  // hidden widgets measure nothing
    for (GtkWidget* label : {w.backgroundLabel, w.undoStepsLabel, w.strengthLabel})
        MoveClearOf(w.general, label, {w.background, w.undoSteps, w.normalStrength});
    MoveClearOf(w.general, w.hdrAlways, {w.exposureLabel, w.hdrExposure, w.toneLabel, w.hdrTone});
    MoveClearOf(w.general, w.exposureLabel, {w.hdrExposure, w.toneLabel, w.hdrTone});
    MoveClearOf(w.general, w.hdrExposure, {w.toneLabel, w.hdrTone});
    MoveClearOf(w.general, w.toneLabel, {w.hdrTone});
    // The frame keeps its margin around the row, growing to the right when the row did.
    const int frameWidth = RightOf(w.general, w.hdrTone) + 10 - LeftOf(w.general, w.hdrFrame);
    if (frameWidth > 456) gtk_widget_set_size_request(w.hdrFrame, frameWidth, 106);
    MoveClearOf(w.saving, w.saveFormatLabel, {w.saveFormat});
}

bool IsTicked(GtkWidget* toggle) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)); }
void Tick(GtkWidget* toggle, bool on) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), on); }
std::string TextOf(GtkWidget* entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }
void SetText(GtkWidget* entry, const std::string& text) { gtk_entry_set_text(GTK_ENTRY(entry), text.c_str()); }
int ItemOf(GtkWidget* combo) { return gtk_combo_box_get_active(GTK_COMBO_BOX(combo)); }
void SelectItem(GtkWidget* combo, int item) { gtk_combo_box_set_active(GTK_COMBO_BOX(combo), item); }

void EnableHdrControls(PrefsWindow& window, bool enabled) {
    gtk_widget_set_sensitive(window.hdrExposure, enabled);
    gtk_widget_set_sensitive(window.hdrTone, enabled);
}

void ShowControls(PrefsWindow& window, const PreferencesControls& controls) {
    Tick(window.rememberWindow, controls.rememberWindow);
    SelectItem(window.background, controls.background);
    SetText(window.undoSteps, controls.undoSteps);
    gtk_spin_button_update(GTK_SPIN_BUTTON(window.undoSteps));
    SetText(window.normalStrength, controls.normalStrength);
    Tick(controls.hdrFixed ? window.hdrAlways : window.hdrLastTime, true);
    SetText(window.hdrExposure, controls.hdrExposure);
    SelectItem(window.hdrTone, controls.hdrTone);
    EnableHdrControls(window, controls.hdrControlsEnabled);
    SelectItem(window.saveFormat, controls.saveFormat);
    Tick(controls.saveSourceFolder ? window.saveSourceFolder : window.saveLastFolder, true);
    Tick(window.warnDataLoss, controls.warnDataLoss);
    Tick(window.warnSe1Size, controls.warnSe1Size);
    Tick(window.warnClipping, controls.warnClipping);
}

PreferencesControls ReadControls(const PrefsWindow& window) {
    PreferencesControls controls;
    controls.rememberWindow = IsTicked(window.rememberWindow);
    controls.background = ItemOf(window.background);
    controls.undoSteps = TextOf(window.undoSteps);
    controls.normalStrength = TextOf(window.normalStrength);
    controls.hdrFixed = IsTicked(window.hdrAlways);
    controls.hdrExposure = TextOf(window.hdrExposure);
    controls.hdrTone = ItemOf(window.hdrTone);
    controls.hdrControlsEnabled = gtk_widget_get_sensitive(window.hdrExposure);
    controls.saveFormat = ItemOf(window.saveFormat);
    controls.saveSourceFolder = IsTicked(window.saveSourceFolder);
    controls.warnDataLoss = IsTicked(window.warnDataLoss);
    controls.warnSe1Size = IsTicked(window.warnSe1Size);
    controls.warnClipping = IsTicked(window.warnClipping);
    return controls;
}

void OnHdrChoiceToggled(GtkToggleButton*, gpointer data) {
    PrefsWindow& window = *static_cast<PrefsWindow*>(data);
    EnableHdrControls(window, IsTicked(window.hdrAlways));
}

void OnDefaults(GtkButton*, gpointer data) { ShowControls(*static_cast<PrefsWindow*>(data), DefaultPreferencesControls()); }

void OnOk(GtkButton*, gpointer data) {
    PrefsWindow& window = *static_cast<PrefsWindow*>(data);
    GtkUi ui(GTK_WINDOW(window.dialog.window));  // the error box sits over this window
    if (ConfirmPreferencesControls(ReadControls(window), window.app->prefs, window.app->prefsFile, ui))
        EndModalDialog(window.dialog.window, GTK_RESPONSE_OK);
}

void OnCancel(GtkButton*, gpointer data) {
    EndModalDialog(static_cast<PrefsWindow*>(data)->dialog.window, GTK_RESPONSE_CANCEL);
}

void BuildWindow(PrefsWindow& window, GtkWindow* parent) {
    window.dialog = CreateModalDialog(parent, "Preferences", 500, 360);
    const ModalDialog& dialog = window.dialog;
    GtkWidget* notebook = PlaceControl(dialog, gtk_notebook_new(), 8, 8, 484, 300);
    BuildGeneralTab(window, AddPage(dialog, notebook, "General"));
    BuildSavingTab(window, AddPage(dialog, notebook, "Saving"));
    BuildWarningsTab(window, AddPage(dialog, notebook, "Warnings"));

    GtkWidget* defaults = PlaceControl(dialog, gtk_button_new_with_label("Defaults"), 8, 320, 100, 28);
    GtkWidget* ok = PlaceDefaultButton(dialog, "OK", 296, 320, 94, 28);
    GtkWidget* cancel = PlaceControl(dialog, gtk_button_new_with_label("Cancel"), 398, 320, 94, 28);
    FitTextsToTheirControls(window);

    g_signal_connect(window.hdrAlways, "toggled", G_CALLBACK(OnHdrChoiceToggled), &window);
    g_signal_connect(window.hdrLastTime, "toggled", G_CALLBACK(OnHdrChoiceToggled), &window);
    g_signal_connect(defaults, "clicked", G_CALLBACK(OnDefaults), &window);
    g_signal_connect(ok, "clicked", G_CALLBACK(OnOk), &window);
    g_signal_connect(cancel, "clicked", G_CALLBACK(OnCancel), &window);
}

}  // namespace

bool PreferencesWindow(GtkWindow* parent, AppState& app) {
    PrefsWindow window;
    window.app = &app;
    BuildWindow(window, parent);
    ShowControls(window, FillPreferencesControls(app.prefs));
    const bool confirmed = RunModalDialog(window.dialog);
    CloseModalDialog(window.dialog, parent);
    return confirmed;
}
