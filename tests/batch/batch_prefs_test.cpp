#include "batch/batch_prefs.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(BatchPrefsTest, ChoicesRoundTripAndOutOfRangeValuesAreClamped) {
    testing_support::TempDir dir;
    const std::string file = dir.file("prefs.ini");
    std::string folder;
    BatchChoices defaults = ReadBatchChoices(file, folder);
    EXPECT_EQ(defaults.sourceIndex, 0);
    EXPECT_TRUE(defaults.useSourceFolder);
    EXPECT_FALSE(defaults.force);
    EXPECT_TRUE(defaults.fit1024);
    EXPECT_EQ(folder, "");

    WriteBatchChoices(file, {3, 7, false, true, false}, "/tmp/out/");
    BatchChoices read = ReadBatchChoices(file, folder);
    EXPECT_EQ(read.sourceIndex, 3);
    EXPECT_EQ(read.outputIndex, 7);
    EXPECT_FALSE(read.useSourceFolder);
    EXPECT_TRUE(read.force);
    EXPECT_FALSE(read.fit1024);
    EXPECT_EQ(folder, "/tmp/out/");

    std::string kept = "/chosen/";
    WriteBatchChoices(file, {-4, 99, true, false, true}, "/tmp/out/");
    read = ReadBatchChoices(file, kept);
    EXPECT_EQ(read.sourceIndex, 0);
    EXPECT_EQ(read.outputIndex, 8);
    EXPECT_EQ(kept, "/chosen/");  // a folder chosen in this run is not replaced
}

}  // namespace
