// The batch window's remembered choices in the preferences file: read when the window opens,
// written when it closes. The output folder lives for the whole run of the program and is read
// from the file only while it is still empty.
#pragma once

#include <string>

struct BatchChoices {
    int sourceIndex = 0;         // BatchSource, 0..8
    int outputIndex = 0;         // BatchOutput, 0..8
    bool useSourceFolder = true; // BatchUseSource
    bool force = false;          // BatchForce
    bool fit1024 = true;         // BatchFit1024
};

/// Reads the five choices (indexes clamped to 0..8, any non-zero flag counts as ticked) and,
/// when outputFolder is empty, BatchOutputFolder into it. An empty file name reads the defaults.
BatchChoices ReadBatchChoices(const std::string& prefsFile, std::string& outputFolder);
/// Writes the five choices and BatchOutputFolder; nothing when prefsFile is empty.
void WriteBatchChoices(const std::string& prefsFile, const BatchChoices& choices, const std::string& outputFolder);
