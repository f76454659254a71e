#include "app/ImageFileType.h"

#include <algorithm>
#include <cctype>

const std::array<ImageFileFilter, 5>& ImageFileFilters() {
    static constexpr std::array<ImageFileFilter, 5> filters = {{
        {"Bitmap: (*.BMP)", "*.bmp", "bmp"},
        {"Graphics Interchange Format: (*.GIF)", "*.gif", "gif"},
        {"JPG File Interchange Format: (*.JPG)", "*.jpg", "jpg"},
        {"Tag Image File Format: (*.TIF)", "*.tif", "tif"},
        {"Portable Networks Graphics: (*.PNG)", "*.png", "png"},
    }};
    return filters;
}

std::string FileExtension(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

std::optional<ImageFileType> ImageFileTypeForPath(std::string_view path) {
    // Only the extension is lower-cased: the folders and the name stay as
    // typed, since on this platform "Survey/" and "survey/" are two folders.
    std::string ext = FileExtension(path);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "bmp") return ImageFileType::Bmp;
    if (ext == "gif") return ImageFileType::Gif;
    if (ext == "jpg" || ext == "jpeg") return ImageFileType::Jpeg;
    if (ext == "tif" || ext == "tiff") return ImageFileType::Tiff;
    if (ext == "png") return ImageFileType::Png;
    return std::nullopt;
}

const char* ImageMimeType(ImageFileType type) {
    switch (type) {
    case ImageFileType::Bmp:
        return "image/bmp";
    case ImageFileType::Gif:
        return "image/gif";
    case ImageFileType::Jpeg:
        return "image/jpeg";
    case ImageFileType::Tiff:
        return "image/tiff";
    case ImageFileType::Png:
        return "image/png";
    }
    return "";
}
