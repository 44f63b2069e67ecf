#include "adjust/levels_window.h"

#include <string>

#include "adjust/canvas_paint_gtk.h"
#include "platform/modal_dialog_gtk.h"
#include "platform/ui_gtk.h"

namespace {

constexpr int kCanvasWidth = 532;
constexpr int kCanvasHeight = 168;
// Dragging a marker previews at most about eight times a second; the fields and the canvas
// follow every move.
constexpr gint64 kPreviewIntervalMicroseconds = 121 * 1000;

struct LevelsWindowState {
    ModalDialog dialog;
    const Image* image = nullptr;
    const LevelsPreview* preview = nullptr;
    bool warnClipping = true;

    GtkWidget* channel = nullptr;
    GtkWidget* canvas = nullptr;
    GtkWidget* inBlack = nullptr;
    GtkWidget* gamma = nullptr;
    GtkWidget* inWhite = nullptr;
    GtkWidget* outBlack = nullptr;
    GtkWidget* outWhite = nullptr;
    GtkWidget* showClipping = nullptr;
    GtkWidget* status = nullptr;

    LevelsSetting setting{};
    LevelsHistogram histogram{};
    int64_t sampleTotal = 1;
    int64_t clipCount = 0;
    std::optional<Image> plot;  // the canvas as last painted
    LevelsMarker dragged = LevelsMarker::None;
    gint64 lastPreview = 0;
    bool writingFields = false;  // the window's own field updates are not the user's typing
    bool applied = false;
};

int Selected(const LevelsWindowState& w) {
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(w.channel));
    return index >= 0 && index <= 3 ? index : 0;
}

LevelsParams& SelectedParams(LevelsWindowState& w) { return w.setting[std::size_t(Selected(w))]; }

std::string EntryText(GtkWidget* entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }

LevelsFieldTexts ReadFieldTexts(const LevelsWindowState& w) {
    return {EntryText(w.inBlack), EntryText(w.gamma), EntryText(w.inWhite), EntryText(w.outBlack),
            EntryText(w.outWhite)};
}

void ShowInFields(LevelsWindowState& w) {
    const LevelsFieldTexts texts = FieldTextsFor(SelectedParams(w));
    w.writingFields = true;
    gtk_entry_set_text(GTK_ENTRY(w.inBlack), texts.inBlack.c_str());
    gtk_entry_set_text(GTK_ENTRY(w.gamma), texts.gamma.c_str());
    gtk_entry_set_text(GTK_ENTRY(w.inWhite), texts.inWhite.c_str());
    gtk_entry_set_text(GTK_ENTRY(w.outBlack), texts.outBlack.c_str());
    gtk_entry_set_text(GTK_ENTRY(w.outWhite), texts.outWhite.c_str());
    w.writingFields = false;
}

void ShowStatus(LevelsWindowState& w, int64_t mergedTones) {
    const std::string text = ClippingStatusText(w.clipCount, w.sampleTotal, mergedTones);
    const char* colour = w.clipCount == 0 ? "#007800" : "#C80000";
    gchar* markup = g_markup_printf_escaped("<span foreground=\"%s\">%s</span>", colour, text.c_str());
    gtk_label_set_markup(GTK_LABEL(w.status), markup);
    g_free(markup);
}

void UpdateDisplay(LevelsWindowState& w, bool withPreview) {
    const LevelsLut lut = BuildLevelsLut(w.setting);
    const ClipMap clip = BuildClipMap(w.setting);
    w.clipCount = ClipCount(w.histogram, clip);
    ShowStatus(w, MergedTones(w.histogram, lut));
    if (w.plot) RenderLevelsCanvas(*w.plot, w.histogram, w.setting, Selected(w));
    gtk_widget_queue_draw(w.canvas);
    if (!withPreview) return;
    const bool show = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.showClipping));
    if (std::optional<Image> previewed = ApplyLevels(*w.image, lut, show, clip)) (*w.preview)(&*previewed);
}

LevelsWindowState& StateOf(gpointer data) { return *static_cast<LevelsWindowState*>(data); }

void OnChannelChanged(GtkComboBox*, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    ShowInFields(w);
    UpdateDisplay(w, false);
}

void OnAuto(GtkButton*, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    w.setting = AutoLevelsParams(w.histogram);
    // Selecting "RGB" here must not run the list's own handler, which updates without preview.
    g_signal_handlers_block_by_func(w.channel, reinterpret_cast<gpointer>(OnChannelChanged), data);
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.channel), 0);
    g_signal_handlers_unblock_by_func(w.channel, reinterpret_cast<gpointer>(OnChannelChanged), data);
    ShowInFields(w);
    UpdateDisplay(w, true);
}

void OnReset(GtkButton*, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    w.setting = LevelsSetting{};
    ShowInFields(w);
    UpdateDisplay(w, true);
}

void OnShowClipping(GtkToggleButton*, gpointer data) { UpdateDisplay(StateOf(data), true); }

void OnFieldChanged(GtkEditable*, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    if (w.writingFields) return;
    const LevelsFieldTexts typed = ReadFieldTexts(w);
    LevelsParams& p = SelectedParams(w);
    if (typed == FieldTextsFor(p)) return;
    // The fields keep what was typed; a clamped value shows the next time the setting is shown.
    p = ReadLevelsFields(typed, p);
    UpdateDisplay(w, true);
}

gboolean OnCanvasDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    if (w.plot) PaintImage(cr, *w.plot);
    return TRUE;
}

void DragTo(LevelsWindowState& w, double mouseX) {
    const int value = CanvasValueAt(int(mouseX), kCanvasWidth);
    LevelsParams& p = SelectedParams(w);
    p = DragMarker(w.dragged, value, p);
    ShowInFields(w);
    const gint64 now = g_get_monotonic_time();
    const bool preview = now - w.lastPreview >= kPreviewIntervalMicroseconds;
    if (preview) w.lastPreview = now;
    UpdateDisplay(w, preview);
}

gboolean OnCanvasPress(GtkWidget*, GdkEventButton* event, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    if (event->button != 1 || event->type != GDK_BUTTON_PRESS) return FALSE;
    w.dragged = PickMarker(CanvasValueAt(int(event->x), kCanvasWidth), SelectedParams(w));
    DragTo(w, event->x);
    return TRUE;
}

gboolean OnCanvasMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    if (w.dragged == LevelsMarker::None) return FALSE;
    DragTo(w, event->x);
    return TRUE;
}

gboolean OnCanvasRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    if (event->button != 1 || w.dragged == LevelsMarker::None) return FALSE;
    w.dragged = LevelsMarker::None;
    UpdateDisplay(w, true);
    return TRUE;
}

void OnOk(GtkButton*, gpointer data) {
    LevelsWindowState& w = StateOf(data);
    GtkUi ui(GTK_WINDOW(w.dialog.window));
    switch (LevelsOkDecision(w.setting, w.clipCount, w.warnClipping, &ui)) {
        case LevelsOkResult::KeepOpen: return;
        case LevelsOkResult::CloseUnchanged: EndModalDialog(w.dialog.window, GTK_RESPONSE_CANCEL); return;
        case LevelsOkResult::Apply:
            w.applied = true;
            EndModalDialog(w.dialog.window, GTK_RESPONSE_OK);
            return;
    }
}

void OnCancel(GtkButton*, gpointer data) { EndModalDialog(StateOf(data).dialog.window, GTK_RESPONSE_CANCEL); }

GtkWidget* PlaceField(LevelsWindowState& w, const char* name, const char* text, int x, int y, int width) {
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), text);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 4);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    SetAccessibleName(entry, name);
    UseCompactStyle(entry);
    PlaceControl(w.dialog, entry, x, y, width, 24);
    g_signal_connect(entry, "changed", G_CALLBACK(OnFieldChanged), &w);
    return entry;
}

GtkWidget* PlaceButton(LevelsWindowState& w, const char* text, int x, int y, int height, GCallback handler) {
    GtkWidget* button = PlaceControl(w.dialog, gtk_button_new_with_label(text), x, y, 90, height);
    UseCompactStyle(button);
    g_signal_connect(button, "clicked", handler, &w);
    return button;
}

void BuildWindow(LevelsWindowState& w, GtkWindow* parent) {
    w.dialog = CreateModalDialog(parent, kLevelsTitle, 560, 380);
    const ModalDialog& dialog = w.dialog;

    GtkWidget* channelLabel = PlaceLabel(dialog, "Channel:", 14, 14, 60, 20);
    w.channel = gtk_combo_box_text_new();
    for (const char* item : {"RGB", "Red", "Green", "Blue"})
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w.channel), item);
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.channel), 0);
    gtk_label_set_mnemonic_widget(GTK_LABEL(channelLabel), w.channel);
    SetAccessibleName(w.channel, "Channel");
    UseCompactStyle(w.channel);
    PlaceControl(dialog, w.channel, 76, 10, 120, 24);
    PlaceButton(w, "Auto", 360, 9, 26, G_CALLBACK(OnAuto));
    PlaceButton(w, "Reset", 456, 9, 26, G_CALLBACK(OnReset));

    w.canvas = PlaceControl(dialog, gtk_drawing_area_new(), 14, 44, kCanvasWidth, kCanvasHeight);
    SetAccessibleName(w.canvas, "Histogram");
    gtk_widget_add_events(w.canvas, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);

    PlaceLabel(dialog, "Input:", 14, 224, 60, 20);
    PlaceLabel(dialog, "Black", 76, 224, 38, 20);
    PlaceLabel(dialog, "Gamma", 186, 224, 48, 20);
    PlaceLabel(dialog, "White", 316, 224, 38, 20);
    w.inBlack = PlaceField(w, "Input black", "0", 116, 220, 50);
    w.gamma = PlaceField(w, "Gamma", "1.00", 236, 220, 60);
    w.inWhite = PlaceField(w, "Input white", "255", 356, 220, 50);
    PlaceLabel(dialog, "Output:", 14, 256, 60, 20);
    PlaceLabel(dialog, "Black", 76, 256, 38, 20);
    PlaceLabel(dialog, "White", 316, 256, 38, 20);
    w.outBlack = PlaceField(w, "Output black", "0", 116, 252, 50);
    w.outWhite = PlaceField(w, "Output white", "255", 356, 252, 50);

    w.showClipping = PlaceControl(
        dialog, gtk_check_button_new_with_label("Show clipping (red = to white, blue = to black)"), 14, 284, 300, 22);
    w.status = PlaceLabel(dialog, "", 14, 312, 532, 20);
    SetAccessibleName(w.status, "Clipping");

    GtkWidget* ok = PlaceDefaultButton(dialog, "OK", 360, 342, 90, 28);
    g_signal_connect(ok, "clicked", G_CALLBACK(OnOk), &w);
    PlaceButton(w, "Cancel", 456, 342, 28, G_CALLBACK(OnCancel));

    g_signal_connect(w.channel, "changed", G_CALLBACK(OnChannelChanged), &w);
    g_signal_connect(w.showClipping, "toggled", G_CALLBACK(OnShowClipping), &w);
    g_signal_connect(w.canvas, "draw", G_CALLBACK(OnCanvasDraw), &w);
    g_signal_connect(w.canvas, "button-press-event", G_CALLBACK(OnCanvasPress), &w);
    g_signal_connect(w.canvas, "motion-notify-event", G_CALLBACK(OnCanvasMotion), &w);
    g_signal_connect(w.canvas, "button-release-event", G_CALLBACK(OnCanvasRelease), &w);
}

}  // namespace

bool LevelsWindow(GtkWindow* parent, const Image& image, const LevelsPreview& preview, bool warnClipping,
                  LevelsSetting& setting, int64_t& clipCount) {
    LevelsWindowState w;
    w.image = &image;
    w.preview = &preview;
    w.warnClipping = warnClipping;
    w.histogram = ChannelHistogram(image);
    w.sampleTotal = SampleTotal(w.histogram);
    w.plot = CreateImage(kCanvasWidth, kCanvasHeight);
    BuildWindow(w, parent);
    UpdateDisplay(w, true);
    w.lastPreview = g_get_monotonic_time();

    RunModalDialog(w.dialog);
    preview(nullptr);
    CloseModalDialog(w.dialog, parent);
    if (!w.applied) return false;
    setting = w.setting;
    clipCount = w.clipCount;
    return true;
}
