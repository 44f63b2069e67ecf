#include "platform/scripted_ui.h"

ScriptedUi& ScriptedUi::ExpectMessage(Answer answer) {
    script_.push_back({Kind::Message, answer, {}, {}});
    return *this;
}
ScriptedUi& ScriptedUi::ExpectInput(std::optional<std::string> answer) {
    script_.push_back({Kind::Input, Answer::Ok, std::move(answer), {}});
    return *this;
}
ScriptedUi& ScriptedUi::ExpectOpenDialog(FileDialogResult answer) {
    script_.push_back({Kind::OpenDialog, Answer::Ok, {}, std::move(answer)});
    return *this;
}
ScriptedUi& ScriptedUi::ExpectSaveDialog(FileDialogResult answer) {
    script_.push_back({Kind::SaveDialog, Answer::Ok, {}, std::move(answer)});
    return *this;
}
ScriptedUi& ScriptedUi::ExpectFolderDialog(std::optional<std::string> answer) {
    script_.push_back({Kind::FolderDialog, Answer::Ok, std::move(answer), {}});
    return *this;
}

bool ScriptedUi::Take(Kind kind, Step& step, const std::string& what) {
    if (script_.empty() || script_.front().kind != kind) {
        unexpected.push_back(what);
        return false;
    }
    step = std::move(script_.front());
    script_.pop_front();
    return true;
}

Answer ScriptedUi::Message(BoxKind kind, const std::string& caption, const std::string& text) {
    shown.push_back({Kind::Message, kind, caption, text, {}, {}});
    Step step;
    if (!Take(Kind::Message, step, "message: " + text)) {
        return kind == BoxKind::YesNoCancel ? Answer::Cancel
               : (kind == BoxKind::WarningYesNo || kind == BoxKind::YesNo) ? Answer::No
                                                                            : Answer::Ok;
    }
    return step.answer;
}

std::optional<std::string> ScriptedUi::InputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& initial) {
    shown.push_back({Kind::Input, BoxKind::Plain, caption, prompt, {}, initial});
    Step step;
    if (!Take(Kind::Input, step, "input: " + prompt)) return std::nullopt;
    return step.text;
}

FileDialogResult ScriptedUi::OpenFileDialog(const FileDialogRequest& request) {
    shown.push_back({Kind::OpenDialog, BoxKind::Plain, request.title, request.proposedName, request, {}});
    Step step;
    if (!Take(Kind::OpenDialog, step, "open dialog: " + request.title)) return {};
    return step.dialog;
}

FileDialogResult ScriptedUi::SaveFileDialog(const FileDialogRequest& request) {
    shown.push_back({Kind::SaveDialog, BoxKind::Plain, request.title, request.proposedName, request, {}});
    Step step;
    if (!Take(Kind::SaveDialog, step, "save dialog: " + request.title)) return {};
    return step.dialog;
}

std::optional<std::string> ScriptedUi::FolderDialog(const std::string& title, const std::string& folder) {
    shown.push_back({Kind::FolderDialog, BoxKind::Plain, title, folder, {}, {}});
    Step step;
    if (!Take(Kind::FolderDialog, step, "folder dialog: " + title)) return std::nullopt;
    return step.text;
}

std::vector<std::string> ScriptedUi::MessageTexts() const {
    std::vector<std::string> texts;
    for (const Shown& s : shown)
        if (s.kind == Kind::Message) texts.push_back(s.text);
    return texts;
}
