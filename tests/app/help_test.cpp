#include "app/help.h"

#include <gtest/gtest.h>

#include "platform/scripted_ui.h"
#include "test_support.h"

TEST(HelpTest, MissingHelpFileNamesTheExpectedPlace) {
    testing_support::TempDir dir;
    const std::string exeFolder = dir.path().string() + "/bin with space/";
    ScriptedUi ui;
    ui.ExpectMessage(Answer::Ok);
    ShowHelp(ui, exeFolder, dir.file("nowhere.html"));
    ASSERT_EQ(ui.MessageTexts().size(), 1u);
    EXPECT_EQ(ui.MessageTexts()[0],
              "The help file was not found. It should be here:\n" + exeFolder + "Help/Glimmerkit-Help.html");
    EXPECT_EQ(ui.shown[0].box, BoxKind::Warning);
}
