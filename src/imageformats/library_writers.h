// Writers that go through the system libraries: PNG (libpng), JPEG (libjpeg-turbo) and
// BMP (gdk-pixbuf). Each encodes into memory first; the Save* functions then replace the target
// atomically and return false on any failure without touching an existing file.
#pragma once

#include <optional>
#include <string>

#include "platform/byte_buffer.h"
#include "platform/image.h"

/// PNG with 32 bits per pixel (RGBA) when withAlpha, else 24 (RGB).
std::optional<ByteBuffer> EncodePng(const Image& image, bool withAlpha);
/// Baseline-or-not JPEG at the given quality (0..100); the alpha channel is dropped.
std::optional<ByteBuffer> EncodeJpeg(const Image& image, int quality);
/// 24-bit BMP; the alpha channel is dropped.
std::optional<ByteBuffer> EncodeBmp(const Image& image);

bool SavePng(const Image& image, const std::string& path, bool withAlpha);
bool SaveJpeg(const Image& image, const std::string& path, int quality);
bool SaveBmp(const Image& image, const std::string& path);
