#include "app/hdr_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/commands.h"
#include "app/history_commands.h"
#include "app/menu_table.h"
#include "app/open_flow.h"
#include "app/save_flow.h"
#include "flow_fixture.h"
#include "imageformats/hdr.h"
#include "platform/file_io.h"

namespace {

using testing_support::ReadBytes;

constexpr const char* kSecondLine = "\nThe settings in the HDR menu only apply to HDR textures; nothing was changed.";

class HdrCommandsTest : public ::testing::Test, public FlowFixture {
protected:
    // A 4 x 1 Radiance file with linear values 0.18, 0.5, 1.0, 2.0 (grey).
    std::string WriteHdr() {
        std::vector<uint8_t> rgbe(16);
        const double values[] = {0.18, 0.5, 1.0, 2.0};
        for (int i = 0; i < 4; ++i) EncodeRgbe(values[i], values[i], values[i], &rgbe[i * 4]);
        const std::string path = dir.file("sky.hdr");
        EXPECT_TRUE(SaveHdr(rgbe.data(), 4, 1, path));
        return path;
    }
    int Red(int x) const { return GetPixel(*app.doc.image, x, 0).r; }
};

TEST_F(HdrCommandsTest, ExposureAndToneReloadTheFileLosslessly) {
    OpenDocument(app, WriteHdr(), false);
    ASSERT_TRUE(app.doc.image);
    ASSERT_TRUE(app.doc.info.isHdr);
    const int first[] = {Red(0), Red(1), Red(2), Red(3)};
    EXPECT_EQ(view.status[2], "HDR exposure: 0.0 EV, editor (clip)");

    for (int i = 0; i < 3; ++i) DispatchCommand(app, kCmdExposureUp);
    EXPECT_DOUBLE_EQ(app.hdr.exposure, 3.0);
    EXPECT_EQ(view.status[2], "HDR exposure: 3.0 EV, editor (clip)");
    ExposureCommand(app, true, 0.0);
    EXPECT_DOUBLE_EQ(app.hdr.exposure, 0.0);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Red(x), first[x]);

    ToneCommand(app, 1 - app.hdr.tone);
    EXPECT_EQ(app.hdr.tone, 1);
    EXPECT_EQ(Red(0), 140);  // 0.18 through the filmic curve
    EXPECT_TRUE(view.items[kCmdToneFilmic].checked);
    EXPECT_FALSE(view.items[kCmdToneClip].checked);
    ToneCommand(app, 1 - app.hdr.tone);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Red(x), first[x]);
    EXPECT_TRUE(ui.unexpected.empty());
}

TEST_F(HdrCommandsTest, RefusalsNameTheReason) {
    ui.ExpectMessage(Answer::Ok);
    ExposureCommand(app, false, 1.0);
    EXPECT_EQ(ui.MessageTexts().back(), std::string("No texture is loaded.") + kSecondLine);
    EXPECT_EQ(ui.shown.back().box, BoxKind::Information);
    EXPECT_DOUBLE_EQ(app.hdr.exposure, 0.0);

    OpenDocument(app, WriteHdr(), false);
    ASSERT_TRUE(CommitEdit(app, CreateImage(4, 1), "Levels", "_levels"));
    ui.ExpectMessage(Answer::Ok);
    ToneCommand(app, 1);
    EXPECT_EQ(ui.MessageTexts().back(),
              std::string("sky.hdr has been edited and is no longer an HDR image (Undo brings the HDR original back).") +
                  kSecondLine);
    EXPECT_EQ(app.hdr.tone, 0);
    EXPECT_TRUE(view.items[kCmdToneClip].checked);  // the marks are refreshed even when refused

    Undo(app);  // back at the HDR original: the commands work again
    ExposureCommand(app, false, -1.0);
    EXPECT_DOUBLE_EQ(app.hdr.exposure, -1.0);

    OpenDocument(app, WritePng("flat.png", 4, 4, false), false);
    ui.ExpectMessage(Answer::Ok);
    ExposureCommand(app, false, 1.0);
    EXPECT_EQ(ui.MessageTexts().back(), std::string("flat.png is not an HDR texture.") + kSecondLine);
    EXPECT_TRUE(ui.unexpected.empty());
}

TEST_F(HdrCommandsTest, HdrSaveWritesTheStoredPixelsAndOnlyHdrDocumentsOfferIt) {
    const std::string source = WriteHdr();
    OpenDocument(app, source, false);
    ExposureCommand(app, false, 2.0);
    FileDialogResult chosen;
    chosen.paths = {dir.file("copy")};
    chosen.filterIndex = 8;
    ui.ExpectSaveDialog(chosen);
    SaveAsCommand(app);
    EXPECT_EQ(ui.shown.back().request.filters.size(), 9u);
    EXPECT_EQ(ui.shown.back().request.filters[8].text, "Radiance High Dynamic Range (*.hdr)");
    EXPECT_EQ(ReadBytes(dir.file("copy.hdr")), ReadBytes(source));  // whatever the exposure

    OpenDocument(app, WritePng("flat.png", 4, 4, false), false);
    ui.ExpectSaveDialog({});
    SaveAsCommand(app);
    EXPECT_EQ(ui.shown.back().request.filters.size(), 8u);
}

}  // namespace
