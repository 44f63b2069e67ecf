#include "platform/ui_gtk.h"

#include <sstream>
#include <vector>

namespace {

GtkMessageType MessageTypeOf(BoxKind kind) {
    switch (kind) {
        case BoxKind::Information: return GTK_MESSAGE_INFO;
        case BoxKind::Error: return GTK_MESSAGE_ERROR;
        case BoxKind::Warning:
        case BoxKind::WarningYesNo:
        case BoxKind::YesNoCancel: return GTK_MESSAGE_WARNING;
        case BoxKind::YesNo: return GTK_MESSAGE_QUESTION;
        case BoxKind::Plain: break;
    }
    return GTK_MESSAGE_OTHER;
}

const char* IconNameOf(BoxKind kind) {
    switch (kind) {
        case BoxKind::Information: return "dialog-information";
        case BoxKind::Error: return "dialog-error";
        case BoxKind::Warning:
        case BoxKind::WarningYesNo:
        case BoxKind::YesNoCancel: return "dialog-warning";
        case BoxKind::Plain:
        case BoxKind::YesNo: break;
    }
    return nullptr;
}

std::vector<std::string> SplitPatterns(const std::string& patterns) {
    std::vector<std::string> out;
    std::stringstream in(patterns);
    for (std::string item; std::getline(in, item, ';');)
        if (!item.empty()) out.push_back(item);
    return out;
}

// GTK patterns are case-sensitive; "*.tga" should also match "WALL.TGA".
std::string CaseInsensitivePattern(const std::string& pattern) {
    if (pattern == "*.*") return "*";
    std::string out;
    for (char c : pattern) {
        if (g_ascii_isalpha(c)) {
            out += '[';
            out += char(g_ascii_tolower(c));
            out += char(g_ascii_toupper(c));
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<GtkFileFilter*> AddFilters(GtkFileChooser* chooser, const FileDialogRequest& request) {
    std::vector<GtkFileFilter*> filters;
    for (const FileFilter& f : request.filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, f.text.c_str());
        for (const std::string& p : SplitPatterns(f.patterns))
            gtk_file_filter_add_pattern(filter, CaseInsensitivePattern(p).c_str());
        gtk_file_chooser_add_filter(chooser, filter);
        filters.push_back(filter);
    }
    if (request.selectedFilter >= 0 && request.selectedFilter < int(filters.size()))
        gtk_file_chooser_set_filter(chooser, filters[request.selectedFilter]);
    return filters;
}

int ChosenFilterIndex(GtkFileChooser* chooser, const std::vector<GtkFileFilter*>& filters) {
    GtkFileFilter* chosen = gtk_file_chooser_get_filter(chooser);
    for (std::size_t i = 0; i < filters.size(); ++i)
        if (filters[i] == chosen) return int(i);
    return -1;
}

FileDialogResult RunChooser(GtkWindow* parent, const FileDialogRequest& request, GtkFileChooserAction action) {
    const bool save = action == GTK_FILE_CHOOSER_ACTION_SAVE;
    GtkFileChooserNative* native = gtk_file_chooser_native_new(request.title.c_str(), parent, action,
                                                               save ? "_Save" : "_Open", "_Cancel");
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(native);
    if (!request.folder.empty()) gtk_file_chooser_set_current_folder(chooser, request.folder.c_str());
    if (save) {
        // The proposed name may carry a folder; the chooser wants the two apart.
        const std::string& name = request.proposedName;
        const auto slash = name.find_last_of('/');
        if (slash != std::string::npos) gtk_file_chooser_set_current_folder(chooser, name.substr(0, slash + 1).c_str());
        gtk_file_chooser_set_current_name(chooser, slash == std::string::npos ? name.c_str() : name.c_str() + slash + 1);
    }
    gtk_file_chooser_set_select_multiple(chooser, request.multiple && !save);
    const std::vector<GtkFileFilter*> filters = AddFilters(chooser, request);
    FileDialogResult result;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(native)) == GTK_RESPONSE_ACCEPT) {
        GSList* files = gtk_file_chooser_get_filenames(chooser);
        for (GSList* f = files; f; f = f->next) {
            result.paths.emplace_back(static_cast<char*>(f->data));
            g_free(f->data);
        }
        g_slist_free(files);
        result.filterIndex = ChosenFilterIndex(chooser, filters);
    }
    g_object_unref(native);
    return result;
}

}  // namespace

Answer GtkUi::Message(BoxKind kind, const std::string& caption, const std::string& text) {
    const bool yesNo = kind == BoxKind::WarningYesNo || kind == BoxKind::YesNo || kind == BoxKind::YesNoCancel;
    GtkWidget* dialog = gtk_message_dialog_new(parent_, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                               MessageTypeOf(kind), yesNo ? GTK_BUTTONS_NONE : GTK_BUTTONS_OK, "%s",
                                               text.c_str());
    if (yesNo) {
        gtk_dialog_add_button(GTK_DIALOG(dialog), "_Yes", GTK_RESPONSE_YES);
        gtk_dialog_add_button(GTK_DIALOG(dialog), "_No", GTK_RESPONSE_NO);
        if (kind == BoxKind::YesNoCancel) gtk_dialog_add_button(GTK_DIALOG(dialog), "_Cancel", GTK_RESPONSE_CANCEL);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
    }
    if (const char* icon = IconNameOf(kind)) {
        // GTK 3 message dialogs no longer draw their type's icon; the boxes of this program have one.
        GtkWidget* image = gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_DIALOG);
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), image);
        G_GNUC_END_IGNORE_DEPRECATIONS
        gtk_widget_show(image);
    }
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    switch (response) {
        case GTK_RESPONSE_YES: return Answer::Yes;
        case GTK_RESPONSE_NO: return Answer::No;
        case GTK_RESPONSE_OK: return Answer::Ok;
        default: return yesNo ? (kind == BoxKind::YesNoCancel ? Answer::Cancel : Answer::No) : Answer::Ok;
    }
}

std::optional<std::string> GtkUi::InputBox(const std::string& caption, const std::string& prompt,
                                           const std::string& initial) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(caption.c_str(), parent_,
                                                    GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                                    "_Cancel", GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(area), 12);
    gtk_box_set_spacing(GTK_BOX(area), 8);
    GtkWidget* label = gtk_label_new(prompt.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), initial.c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    atk_object_set_name(gtk_widget_get_accessible(entry), prompt.c_str());
    gtk_box_pack_start(GTK_BOX(area), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(area), entry, FALSE, FALSE, 0);
    gtk_widget_show_all(dialog);
    std::optional<std::string> result;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK) result = gtk_entry_get_text(GTK_ENTRY(entry));
    gtk_widget_destroy(dialog);
    return result;
}

FileDialogResult GtkUi::OpenFileDialog(const FileDialogRequest& request) {
    return RunChooser(parent_, request, GTK_FILE_CHOOSER_ACTION_OPEN);
}

FileDialogResult GtkUi::SaveFileDialog(const FileDialogRequest& request) {
    return RunChooser(parent_, request, GTK_FILE_CHOOSER_ACTION_SAVE);
}

std::optional<std::string> GtkUi::FolderDialog(const std::string& title, const std::string& folder) {
    FileDialogRequest request;
    request.title = title;
    request.folder = folder;
    FileDialogResult result = RunChooser(parent_, request, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
    if (!result.chosen()) return std::nullopt;
    std::string path = result.path();
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}
