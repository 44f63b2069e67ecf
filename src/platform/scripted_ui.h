// A Ui that answers from a script, for headless flow tests.
//
// Each expected interaction is queued with its answer. When the flow shows something the
// script does not expect (wrong kind, or the queue is empty) the interaction is recorded as an
// unexpected one and answered with Cancel/No/none; tests check `unexpected` is empty. Every box
// and dialog shown is recorded in `shown` so tests can assert exact wording and order.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/ui.h"

class ScriptedUi : public Ui {
public:
    enum class Kind { Message, Input, OpenDialog, SaveDialog, FolderDialog };

    struct Shown {
        Kind kind;
        BoxKind box = BoxKind::Plain;  // for messages
        std::string caption;           // message caption or dialog title
        std::string text;              // message text, input prompt or proposed name
        FileDialogRequest request;     // for file dialogs
        std::string initial;           // input boxes: the preset answer
    };

    // Script the next answers, in order.
    ScriptedUi& ExpectMessage(Answer answer);
    ScriptedUi& ExpectInput(std::optional<std::string> answer);
    ScriptedUi& ExpectOpenDialog(FileDialogResult answer);
    ScriptedUi& ExpectSaveDialog(FileDialogResult answer);
    ScriptedUi& ExpectFolderDialog(std::optional<std::string> answer);

    Answer Message(BoxKind kind, const std::string& caption, const std::string& text) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;
    FileDialogResult OpenFileDialog(const FileDialogRequest& request) override;
    FileDialogResult SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> FolderDialog(const std::string& title, const std::string& folder) override;

    std::vector<Shown> shown;
    std::vector<std::string> unexpected;  // descriptions of interactions nobody scripted
    bool AllAnswered() const { return script_.empty(); }
    /// Texts of every message box shown so far, in order.
    std::vector<std::string> MessageTexts() const;

private:
    struct Step {
        Kind kind;
        Answer answer = Answer::Ok;
        std::optional<std::string> text;
        FileDialogResult dialog;
    };
    bool Take(Kind kind, Step& step, const std::string& what);
    std::deque<Step> script_;
};
