#include "app/document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/history_commands.h"
#include "app/recording_view.h"
#include "platform/scripted_ui.h"

namespace {

constexpr const char* kTitle = "Serious Sam Glimmerkit - wall.tex";
constexpr const char* kEditedTitle = "Serious Sam Glimmerkit - wall.tex *";

// A 4 x 2 opaque image whose red value tags the step it belongs to.
Image TaggedImage(uint8_t tag) { return *CreateImage(4, 2, 32, {tag, 0, 0, 255}); }
int TagOf(const Image& image) { return GetPixel(image, 0, 0).r; }

// An AppState with "wall.tex" opened the way the open flow does it: image, info, status text
// and a fresh history starting at "Original" (tag 0).
struct OpenedDocument {
    RecordingView view;
    ScriptedUi ui;
    AppState app;

    OpenedDocument() {
        app.view = &view;
        app.ui = &ui;
        app.doc.image = TaggedImage(0);
        app.doc.path = "/textures/wall.tex";
        app.doc.info.kind = 1;
        app.doc.info.width = 4;
        app.doc.info.height = 2;
        app.doc.info.firstMip = 1;
        app.doc.info.note = "as opened";
        SetStatusDescription(app, "4 x 2  RGB, SS1 version 4");
        ResetHistory(app.history, *app.doc.image, CaptureHistoryEntry(app.doc, "Original"));
        UpdateTitle(app);
    }
};

// One step of a scripted session: "E" commits an edit (tag = number of edits so far + 1,
// label "Edit<tag>", suffix "_e<tag>"), "U" undo, "R" redo, "O" revert to original,
// "S" save, "2"/"3" set the history limit.
void PlayScript(OpenedDocument& d, const std::string& script) {
    int edits = 0;
    for (char step : script) {
        switch (step) {
        case 'E': {
            ++edits;
            const std::string n = std::to_string(edits);
            CommitEdit(d.app, TaggedImage(uint8_t(edits)), "Edit" + n, "_e" + n);
            break;
        }
        case 'U': Undo(d.app); break;
        case 'R': Redo(d.app); break;
        case 'O': RevertToOriginal(d.app); break;
        case 'S':
            MarkSaved(d.app.history);
            UpdateTitle(d.app);
            break;
        case '2': d.app.history.limit = 2; break;
        case '3': d.app.history.limit = 3; break;
        }
    }
}

TEST(History, SessionsOfEditsUndoRedoRevertSaveAndLimit) {
    struct Case {
        const char* script;
        int64_t entries, position, savedPosition;
        bool edited;
        int imageTag;
        const char* suffix;
        const char* title;
        const char* undoItem;
        const char* redoItem;
    };
    const Case cases[] = {
        {"", 1, 0, 0, false, 0, "", kTitle, "Undo\tCtrl+Z", "Redo\tCtrl+Y"},
        // Nothing to undo or redo: the commands do nothing.
        {"UR", 1, 0, 0, false, 0, "", kTitle, "Undo\tCtrl+Z", "Redo\tCtrl+Y"},
        {"E", 2, 1, 0, true, 1, "_e1", kEditedTitle, "Undo Edit1\tCtrl+Z", "Redo\tCtrl+Y"},
        {"EEE", 4, 3, 0, true, 3, "_e1_e2_e3", kEditedTitle, "Undo Edit3\tCtrl+Z", "Redo\tCtrl+Y"},
        {"EEEUUU", 4, 0, 0, false, 0, "", kTitle, "Undo\tCtrl+Z", "Redo Edit1\tCtrl+Y"},
        {"EEEUUUU", 4, 0, 0, false, 0, "", kTitle, "Undo\tCtrl+Z", "Redo Edit1\tCtrl+Y"},
        {"EEU", 3, 1, 0, true, 1, "_e1", kEditedTitle, "Undo Edit1\tCtrl+Z", "Redo Edit2\tCtrl+Y"},
        {"EERR", 3, 2, 0, true, 2, "_e1_e2", kEditedTitle, "Undo Edit2\tCtrl+Z", "Redo\tCtrl+Y"},
        // Saved at the second edit: undo shows the star again, redo removes it.
        {"EESU", 3, 1, 2, true, 1, "_e1", kEditedTitle, "Undo Edit1\tCtrl+Z", "Redo Edit2\tCtrl+Y"},
        {"EESUR", 3, 2, 2, false, 2, "_e1_e2", kTitle, "Undo Edit2\tCtrl+Z", "Redo\tCtrl+Y"},
        // A new edit after undoing past the save drops the saved step.
        {"ESUE", 2, 1, -1, true, 2, "_e2", kEditedTitle, "Undo Edit2\tCtrl+Z", "Redo\tCtrl+Y"},
        {"ESUEU", 2, 0, -1, false, 0, "", kTitle, "Undo\tCtrl+Z", "Redo Edit2\tCtrl+Y"},
        // Saving at the original and editing keeps the saved position.
        {"ESUSE", 2, 1, 0, true, 2, "_e2", kEditedTitle, "Undo Edit2\tCtrl+Z", "Redo\tCtrl+Y"},
        // Revert keeps the later steps, so Redo brings the first edit back.
        {"EEO", 3, 0, 0, false, 0, "", kTitle, "Undo\tCtrl+Z", "Redo Edit1\tCtrl+Y"},
        {"EEOR", 3, 1, 0, true, 1, "_e1", kEditedTitle, "Undo Edit1\tCtrl+Z", "Redo Edit2\tCtrl+Y"},
        // Limit 2: only "Original" and the newest step survive; Undo goes straight back.
        {"2EEEE", 2, 1, -1, true, 4, "_e1_e2_e3_e4", kEditedTitle, "Undo Edit4\tCtrl+Z", "Redo\tCtrl+Y"},
        {"2EEEEU", 2, 0, -1, false, 0, "", kTitle, "Undo\tCtrl+Z", "Redo Edit4\tCtrl+Y"},
        // Limit 3: trimming shifts the saved position along with the steps.
        {"3EESE", 3, 2, 1, true, 3, "_e1_e2_e3", kEditedTitle, "Undo Edit3\tCtrl+Z", "Redo\tCtrl+Y"},
        {"3EESEU", 3, 1, 1, false, 2, "_e1_e2", kTitle, "Undo Edit2\tCtrl+Z", "Redo Edit3\tCtrl+Y"},
        // A lower limit takes effect at the next edit, not at once.
        {"EEEE3", 5, 4, 0, true, 4, "_e1_e2_e3_e4", kEditedTitle, "Undo Edit4\tCtrl+Z", "Redo\tCtrl+Y"},
        {"EEEE3E", 3, 2, -1, true, 5, "_e1_e2_e3_e4_e5", kEditedTitle, "Undo Edit5\tCtrl+Z", "Redo\tCtrl+Y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("script \"") + c.script + "\"");
        OpenedDocument d;
        PlayScript(d, c.script);
        const History& h = d.app.history;
        EXPECT_EQ(int64_t(h.entries.size()), c.entries);
        EXPECT_EQ(h.position, c.position);
        EXPECT_EQ(h.savedPosition, c.savedPosition);
        EXPECT_EQ(IsEdited(h), c.edited);
        EXPECT_EQ(EditCount(h), c.position);
        EXPECT_EQ(TagOf(*d.app.doc.image), c.imageTag);
        EXPECT_EQ(TagOf(h.entries[std::size_t(h.position)].image), c.imageTag);
        EXPECT_EQ(d.app.doc.nameSuffix, c.suffix);
        EXPECT_EQ(d.view.title, c.title);
        EXPECT_EQ(d.view.items[30].text, c.undoItem);
        EXPECT_EQ(d.view.items[31].text, c.redoItem);
        EXPECT_EQ(d.view.items[30].enabled, c.position > 0);
        EXPECT_EQ(d.view.items[31].enabled, c.position < c.entries - 1);
        EXPECT_EQ(d.view.items[32].enabled, c.position > 0);
        EXPECT_EQ(d.view.items[32].text, "Revert to original");
        EXPECT_TRUE(d.ui.shown.empty());
    }
}

TEST(History, WithoutDocumentEverythingIsDisabled) {
    RecordingView view;
    AppState app;
    app.view = &view;
    UpdateTitle(app);
    EXPECT_EQ(view.title, "Serious Sam Glimmerkit");
    EXPECT_EQ(app.history.position, -1);
    EXPECT_EQ(app.history.savedPosition, 0);
    EXPECT_FALSE(view.items[30].enabled);
    EXPECT_FALSE(view.items[31].enabled);
    EXPECT_FALSE(view.items[32].enabled);
    EXPECT_FALSE(IsEdited(app.history));
    EXPECT_EQ(EditCount(app.history), 0);
    EXPECT_EQ(SelectHistoryEntry(app.history, 0), nullptr);
    Undo(app);
    Redo(app);
    EXPECT_EQ(app.history.position, -1);
}

TEST(History, SelectOutOfRangeKeepsPosition) {
    OpenedDocument d;
    PlayScript(d, "EE");
    EXPECT_EQ(SelectHistoryEntry(d.app.history, -1), nullptr);
    EXPECT_EQ(SelectHistoryEntry(d.app.history, 3), nullptr);
    EXPECT_EQ(d.app.history.position, 2);
    const HistoryEntry* entry = SelectHistoryEntry(d.app.history, 1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->label, "Edit1");
    EXPECT_EQ(d.app.history.position, 1);
}

TEST(CommitEdit, SetsTheEditedStateAndUndoRestoresTheStepsFields) {
    struct Case {
        const char* name;
        bool hasRgbeData;
        int32_t isHdrAfterUndo;
    };
    const Case cases[] = {{"HDR source with its RGBE data", true, 1},
                          {"no RGBE data: undo never makes it HDR", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenedDocument d;
        Document& doc = d.app.doc;
        doc.info.isHdr = 1;
        if (c.hasRgbeData) {
            ASSERT_TRUE(TryResize(doc.info.rgbeData, 4 * 2 * 4));
        }
        ResetHistory(d.app.history, *doc.image, CaptureHistoryEntry(doc, "Original"));

        Image edited = *CreateImage(4, 2, 32, {9, 9, 9, 128});
        ASSERT_TRUE(CommitEdit(d.app, std::move(edited), "Alpha inverted", "_invalpha"));
        EXPECT_EQ(doc.info.isHdr, 0);
        EXPECT_EQ(doc.info.hasAlpha, 1);
        EXPECT_EQ(doc.info.note, "Alpha inverted");
        EXPECT_EQ(doc.nameSuffix, "_invalpha");
        EXPECT_EQ(doc.statusText, "4 x 2  (edited)");
        EXPECT_EQ(d.view.status[1], "4 x 2  (edited)");
        EXPECT_EQ(doc.info.rgbeData.empty(), !c.hasRgbeData);
        const HistoryEntry& step = d.app.history.entries[1];
        EXPECT_EQ(step.isHdr, 0);
        EXPECT_EQ(step.hasAlpha, 1);
        EXPECT_EQ(step.note, "Alpha inverted");
        EXPECT_EQ(step.statusText, "4 x 2  (edited)");

        // Pretend a later step changed what the first one restores.
        doc.info.width = 99;
        doc.info.firstMip = 7;
        Undo(d.app);
        EXPECT_EQ(doc.info.isHdr, c.isHdrAfterUndo);
        EXPECT_EQ(doc.info.hasAlpha, 0);
        EXPECT_EQ(doc.info.width, 4);
        EXPECT_EQ(doc.info.firstMip, 1);
        EXPECT_EQ(doc.info.note, "as opened");
        EXPECT_EQ(doc.nameSuffix, "");
        EXPECT_EQ(doc.statusText, "4 x 2  RGB, SS1 version 4");
        EXPECT_EQ(d.view.status[1], "4 x 2  RGB, SS1 version 4");

        Redo(d.app);
        EXPECT_EQ(doc.info.isHdr, 0);
        EXPECT_EQ(doc.info.hasAlpha, 1);
        EXPECT_EQ(doc.nameSuffix, "_invalpha");
    }
}

TEST(CommitEdit, WithoutImageShowsTheMemoryErrorAndChangesNothing) {
    OpenedDocument d;
    d.ui.ExpectMessage(Answer::Ok);
    EXPECT_FALSE(CommitEdit(d.app, std::nullopt, "Levels", "_levels"));
    ASSERT_EQ(d.ui.shown.size(), 1u);
    EXPECT_EQ(d.ui.shown[0].box, BoxKind::Error);
    EXPECT_EQ(d.ui.shown[0].caption, "Serious Sam Glimmerkit");
    EXPECT_EQ(d.ui.shown[0].text, "Not enough memory for this operation.");
    EXPECT_EQ(TagOf(*d.app.doc.image), 0);
    EXPECT_EQ(d.app.doc.nameSuffix, "");
    EXPECT_EQ(d.app.doc.info.note, "as opened");
    EXPECT_EQ(d.app.history.entries.size(), 1u);
    EXPECT_EQ(d.view.title, kTitle);
}

TEST(CommitEdit, EmptySuffixStillRecordsAStepAndClipCountsMoveIntoSteps) {
    OpenedDocument d;
    d.app.doc.pendingClipCount = 5;
    CommitEdit(d.app, TaggedImage(1), "Levels", "_levels");
    EXPECT_EQ(d.app.doc.pendingClipCount, 0);
    d.app.doc.pendingClipCount = 7;
    CommitEdit(d.app, TaggedImage(2), "Auto levels", "");
    EXPECT_EQ(d.app.doc.nameSuffix, "_levels");
    EXPECT_EQ(d.app.history.entries.size(), 3u);
    EXPECT_EQ(ClippedValueCount(d.app.history), 12);
    Undo(d.app);
    EXPECT_EQ(ClippedValueCount(d.app.history), 5);
    Undo(d.app);
    EXPECT_EQ(ClippedValueCount(d.app.history), 0);
}

TEST(ConfirmDiscard, AsksOnlyWithUnsavedEditsAndHonoursTheAnswer) {
    struct Case {
        const char* path;
        const char* script;
        bool asks;
        Answer answer;
        bool result;
        const char* text;
    };
    const Case cases[] = {
        {"/textures/wall.tex", "", false, Answer::Ok, true, ""},
        {"/textures/wall.tex", "EES", false, Answer::Ok, true, ""},
        {"/textures/wall.tex", "EEU", true, Answer::No, false,
         "wall.tex has edits that have not been saved (1 edit(s)).\nDiscard them?"},
        {"/textures/wall.tex", "EE", true, Answer::Yes, true,
         "wall.tex has edits that have not been saved (2 edit(s)).\nDiscard them?"},
        {"/games/Textures.gro::Textures\\Sky\\Sky01.tex", "E", true, Answer::No, false,
         "Sky01.tex has edits that have not been saved (1 edit(s)).\nDiscard them?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " after \"" + c.script + "\"");
        OpenedDocument d;
        d.app.doc.path = c.path;
        PlayScript(d, c.script);
        const int64_t positionBefore = d.app.history.position;
        if (c.asks) d.ui.ExpectMessage(c.answer);
        EXPECT_EQ(ConfirmDiscard(d.app), c.result);
        EXPECT_TRUE(d.ui.unexpected.empty());
        ASSERT_EQ(d.ui.shown.size(), c.asks ? 1u : 0u);
        if (c.asks) {
            EXPECT_EQ(d.ui.shown[0].box, BoxKind::WarningYesNo);
            EXPECT_EQ(d.ui.shown[0].caption, "Serious Sam Glimmerkit");
            EXPECT_EQ(d.ui.shown[0].text, c.text);
        }
        EXPECT_EQ(d.app.history.position, positionBefore);
        EXPECT_EQ(IsEdited(d.app.history), c.asks);
    }
}

}  // namespace
