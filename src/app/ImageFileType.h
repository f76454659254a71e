// Which picture format a Save Screen name asks for, and the save dialog's
// file types, kept free of any window system so the rule is checked alone.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

enum class ImageFileType { Bmp, Gif, Jpeg, Tiff, Png };

struct ImageFileFilter {
    const char* label;   // what the dialog shows
    const char* pattern; // "*.bmp"
    const char* suffix;  // appended to a name typed without an extension
};

// The "Save Image As:" file types in the order the dialog lists them.
const std::array<ImageFileFilter, 5>& ImageFileFilters();

// The extension of the file-name part of path ("pipe.PNG" -> "PNG"), empty
// when the name has none. A dot in a folder name is not an extension.
std::string FileExtension(std::string_view path);

// The format of a path by its whole extension, compared without regard to
// case: bmp, gif, jpg, jpeg, tif, tiff, png. Anything else (no extension,
// "pngx", "jp") has no format and must not be written.
std::optional<ImageFileType> ImageFileTypeForPath(std::string_view path);

// The MIME type of a format ("image/png").
const char* ImageMimeType(ImageFileType type);
