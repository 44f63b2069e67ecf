// Loading any supported file into an image: the extension picks the reader.
#pragma once

#include <optional>
#include <string>

#include "adjust/hdr_tone.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// True when the lower-cased extension is read by OpenImageFile rather than as a .tex file.
bool IsImageFileExtension(const std::string& extension);

/// Reads a non-.tex image file: our own readers for pcx, hdr, dds, tga, tif/tiff (a TIFF our
/// reader does not handle goes to the library decoder), the library decoder for everything else.
/// Fills info from a cleared record; none with info.error on failure.
std::optional<Image> OpenImageFile(const std::string& path, LoadInfo& info, const HdrSettings& hdr);

/// Loads a plain path or an archive path ("archive.gro::member"): archive members and .tex files
/// through the .tex reader, everything else through OpenImageFile.
std::optional<Image> LoadImageAnyPath(const std::string& path, LoadInfo& info, const HdrSettings& hdr);

/// Loads what OpenDocument loads for path: like LoadImageAnyPath, except that every plain path
/// whose extension is not an image extension (none, .dat, ...) is read as a .tex file.
std::optional<Image> LoadDocumentImage(const std::string& path, LoadInfo& info, const HdrSettings& hdr);
