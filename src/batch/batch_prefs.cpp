#include "batch/batch_prefs.h"

#include <algorithm>

#include "app/prefs.h"

BatchChoices ReadBatchChoices(const std::string& prefsFile, std::string& outputFolder) {
    BatchChoices choices;
    if (prefsFile.empty()) return choices;
    auto index = [&](const char* key) { return int(std::clamp<int64_t>(ReadPrefInt(prefsFile, key, 0), 0, 8)); };
    choices.sourceIndex = index("BatchSource");
    choices.outputIndex = index("BatchOutput");
    choices.useSourceFolder = ReadPrefInt(prefsFile, "BatchUseSource", 1) != 0;
    choices.force = ReadPrefInt(prefsFile, "BatchForce", 0) != 0;
    choices.fit1024 = ReadPrefInt(prefsFile, "BatchFit1024", 1) != 0;
    if (outputFolder.empty()) outputFolder = ReadPrefText(prefsFile, "BatchOutputFolder");
    return choices;
}

void WriteBatchChoices(const std::string& prefsFile, const BatchChoices& choices, const std::string& outputFolder) {
    if (prefsFile.empty()) return;
    WritePrefInt(prefsFile, "BatchSource", choices.sourceIndex);
    WritePrefInt(prefsFile, "BatchOutput", choices.outputIndex);
    WritePrefInt(prefsFile, "BatchUseSource", choices.useSourceFolder ? 1 : 0);
    WritePrefInt(prefsFile, "BatchForce", choices.force ? 1 : 0);
    WritePrefInt(prefsFile, "BatchFit1024", choices.fit1024 ? 1 : 0);
    WritePrefText(prefsFile, "BatchOutputFolder", outputFolder);
}
