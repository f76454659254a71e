#include <gtest/gtest.h>

#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include "AppFixture.h"
#include "app/MenuLayout.h"
#include "app/SaveScreen.h"

namespace {

// Red left half, blue right half, a green band: wrong channels, a flipped
// or shifted picture all show in the samples below.
QImage TestPicture() {
    QImage image(173, 61, QImage::Format_RGB32);
    image.fill(QColor(220, 20, 20));
    QPainter p(&image);
    p.fillRect(87, 0, 86, 61, QColor(20, 40, 210));
    p.fillRect(0, 40, 173, 21, QColor(20, 200, 40));
    return image;
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

TEST(SaveScreenFile, EveryFormatDecodesBackAsItsOwnFormatWithThePicture) {
    QTemporaryDir dir;
    const QImage picture = TestPicture();
    const struct {
        const char* name;
        QByteArray format;
    } cases[] = {{"a.bmp", "bmp"},  {"b.GIF", "gif"},   {"c.jpg", "jpeg"}, {"d.jpeg", "jpeg"},
                 {"e.tif", "tiff"}, {"f.Tiff", "tiff"}, {"g.png", "png"}};
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.name);
        EXPECT_EQ(WriteScreenImage(picture, path), QString()) << c.name;
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), c.format) << c.name;
        const QImage back = reader.read();
        ASSERT_FALSE(back.isNull()) << c.name << ": " << reader.errorString().toStdString();
        EXPECT_EQ(back.size(), picture.size()) << c.name;
        // JPEG is lossy and the GIF palette coarser: colours come back close.
        for (const QPoint at : {QPoint(10, 10), QPoint(160, 10), QPoint(80, 55), QPoint(120, 30)})
            EXPECT_TRUE(Near(back.pixel(at), picture.pixel(at), 24))
                << c.name << " at " << at.x() << "," << at.y();
    }

    // Long paths are kept whole.
    const QString deep =
        dir.filePath(QString(120, 'd') + "/" + QString(120, 'e') + "/" + QString(120, 'f') + "/" +
                     QString(120, 'g') + "/" + QString(120, 'h'));
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString longName = deep + "/" + QString(200, 'n') + ".png";
    ASSERT_GT(longName.size(), 800);
    EXPECT_EQ(WriteScreenImage(picture, longName), QString());
    EXPECT_EQ(QImage(longName).size(), picture.size());
}

TEST(SaveScreenFile, FailedSavesSayWhyAndLeaveNoFile) {
    QTemporaryDir dir;
    const QImage picture = TestPicture();

    const QString missing = dir.filePath("gone/shot.png");
    const QString why = WriteScreenImage(picture, missing);
    EXPECT_TRUE(why.contains(dir.filePath("gone"))) << why.toStdString();
    EXPECT_FALSE(QFile::exists(missing));

    // A folder nobody may write to; as root permissions do not stop a
    // write, so a folder no file can be made in stands in.
    QString locked = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (::geteuid() == 0) locked = QStringLiteral("/proc");
    EXPECT_FALSE(WriteScreenImage(picture, locked + "/shot.gif").isEmpty());
    EXPECT_EQ(QDir(locked).entryList({"shot*"}), QStringList());

    EXPECT_EQ(WriteScreenImage(picture, dir.filePath("shot.pngx")), "Invalid File Format");
    EXPECT_FALSE(QFile::exists(dir.filePath("shot.pngx")));

    // A save that fails while encoding keeps the file already there as it was.
    const QString kept = dir.filePath("kept.gif");
    WriteTextFile(kept, "old");
    const QImage tooWideForGif(70000, 1, QImage::Format_RGB32);
    EXPECT_FALSE(WriteScreenImage(tooWideForGif, kept).isEmpty());
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
    EXPECT_EQ(QDir(dir.path()).entryList({"kept*"}), QStringList({"kept.gif"}));
}

using SaveScreenCommandTest = AppFixture;

TEST_F(SaveScreenCommandTest, DialogStartsInTheWriteFolderAndTheChosenTypeNamesTheFile) {
    Frame().UpdateCommandUi();
    EXPECT_TRUE(Frame().Action(cmd::kSaveScreen)->isEnabled());
    QTemporaryDir out;
    Doc().Settings().m_writeDirectory = out.path().toStdString() + "/";

    QStringList filters;
    QString startedIn;
    const auto typeGif = [&](QFileDialog& d) {
        filters = d.nameFilters();
        startedIn = d.directory().absolutePath();
        // The operator picks the second type, then types a bare name.
        auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        if (!types) return false;
        types->setCurrentIndex(1);
        emit types->textActivated(types->currentText());
        d.selectFile(out.filePath("Shot"));
        return true;
    };
    const SaveScreenOutcome saved = SaveScreen(Doc(), Frame(), typeGif);
    EXPECT_EQ(filters,
              QStringList({"Bitmap: (*.BMP)", "Graphics Interchange Format: (*.GIF)",
                           "JPG File Interchange Format: (*.JPG)", "Tag Image File Format: (*.TIF)",
                           "Portable Networks Graphics: (*.PNG)"}));
    EXPECT_EQ(startedIn, out.path());
    EXPECT_EQ(saved.kind, SaveScreenOutcome::Kind::Saved) << saved.message.toStdString();
    QImageReader reader(out.filePath("Shot.gif"));
    EXPECT_EQ(reader.format(), "gif");
    const QImage shot = reader.read();
    EXPECT_EQ(shot.size(), Frame().frameGeometry().size());

    // A name in a missing folder: the operator is told where and why.
    const QString lost = out.filePath("no such folder/Shot.png");
    const SaveScreenOutcome failed = SaveScreen(Doc(), Frame(), [&](QFileDialog& d) {
        d.selectFile(lost);
        return true;
    });
    EXPECT_EQ(failed.kind, SaveScreenOutcome::Kind::Failed);
    EXPECT_EQ(failed.icon, QMessageBox::Warning);
    EXPECT_TRUE(failed.message.contains(lost)) << failed.message.toStdString();
    EXPECT_FALSE(QFile::exists(lost));

    // A cancelled dialog writes nothing and says nothing.
    const SaveScreenOutcome cancelled =
        SaveScreen(Doc(), Frame(), [](QFileDialog&) { return false; });
    EXPECT_EQ(cancelled.kind, SaveScreenOutcome::Kind::Cancelled);
    EXPECT_TRUE(cancelled.message.isEmpty());
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList({"Shot.gif"}));
}
