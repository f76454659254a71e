#include <gtest/gtest.h>

#include "app/ImageFileType.h"

TEST(ImageFileType, WholeExtensionInAnyCaseChoosesTheFormat) {
    using T = ImageFileType;
    EXPECT_EQ(ImageFileTypeForPath("/data/Survey/Pipe.PNG"), T::Png);
    EXPECT_EQ(ImageFileTypeForPath("a.bmp"), T::Bmp);
    EXPECT_EQ(ImageFileTypeForPath("a.Gif"), T::Gif);
    EXPECT_EQ(ImageFileTypeForPath("a.jpg"), T::Jpeg);
    EXPECT_EQ(ImageFileTypeForPath("a.JPEG"), T::Jpeg);
    EXPECT_EQ(ImageFileTypeForPath("a.tif"), T::Tiff);
    EXPECT_EQ(ImageFileTypeForPath("a.tiff"), T::Tiff);
    EXPECT_EQ(ImageFileTypeForPath("shot.2024.png"), T::Png);

    // Near misses and names without an extension are refused, not guessed.
    for (const char* bad :
         {"a.pngx", "a.jp", "a.tifff", "a.", "a", "", "dir.png/shot", "dir.png/", "a.txt"})
        EXPECT_FALSE(ImageFileTypeForPath(bad).has_value()) << bad;

    // The path itself keeps its case: only the comparison ignores it.
    EXPECT_EQ(FileExtension("/Data.Old/Pipe.PnG"), "PnG");
    EXPECT_EQ(FileExtension("/Data.Old/Pipe"), "");
}

TEST(ImageFileType, EachDialogFilterAddsAnExtensionOfItsOwnFormat) {
    const ImageFileType order[] = {ImageFileType::Bmp, ImageFileType::Gif, ImageFileType::Jpeg,
                                   ImageFileType::Tiff, ImageFileType::Png};
    for (std::size_t i = 0; i < ImageFileFilters().size(); ++i) {
        const ImageFileFilter& f = ImageFileFilters()[i];
        EXPECT_EQ(ImageFileTypeForPath(std::string("name.") + f.suffix), order[i]) << f.label;
        EXPECT_EQ(std::string("*.") + f.suffix, f.pattern);
    }
    EXPECT_STREQ(ImageMimeType(ImageFileType::Tiff), "image/tiff");
}
