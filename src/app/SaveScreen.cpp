#include "app/SaveScreen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>
#include <QWidget>

#include "app/GifWriter.h"
#include "app/ImageFileType.h"
#include "app/MenuLayout.h"
#include "doc/TubescanDoc.h"

namespace {

QString FilterText(const ImageFileFilter& filter) {
    return QString::fromLatin1(filter.label);
}

const char* QtFormatName(ImageFileType type) {
    switch (type) {
    case ImageFileType::Bmp:
        return "bmp";
    case ImageFileType::Jpeg:
        return "jpeg";
    case ImageFileType::Tiff:
        return "tiff";
    case ImageFileType::Png:
        return "png";
    case ImageFileType::Gif:
        break;
    }
    return "";
}

QString EncodeTo(const QImage& image, ImageFileType type, QIODevice& device) {
    if (type == ImageFileType::Gif) return WriteGif(image, device);
    const QByteArray format = QtFormatName(type);
    if (!QImageWriter::supportedImageFormats().contains(format))
        return QStringLiteral("no %1 encoder is installed").arg(ImageMimeType(type));
    QImageWriter writer(&device, format);
    // The screen has no transparency; JPEG and BMP have no room for it either.
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) return writer.errorString();
    return {};
}

} // namespace

std::unique_ptr<QFileDialog> MakeSaveScreenDialog(const CTubescanDoc& doc, QWidget* parent) {
    auto dialog =
        std::make_unique<QFileDialog>(parent, QStringLiteral("Save Image As:"),
                                      QString::fromStdString(doc.Settings().m_writeDirectory));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const ImageFileFilter& filter : ImageFileFilters())
        filters << FilterText(filter);
    dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(QString::fromLatin1(ImageFileFilters().front().suffix));
    QFileDialog* d = dialog.get();
    QObject::connect(d, &QFileDialog::filterSelected, d, [d](const QString& selected) {
        for (const ImageFileFilter& filter : ImageFileFilters())
            if (selected == FilterText(filter))
                d->setDefaultSuffix(QString::fromLatin1(filter.suffix));
    });
    return dialog;
}

QImage CaptureWindow(QWidget& window) {
    // Let the closed dialog leave the screen, then paint every part of the
    // window now, so no remains of the dialog are in the picture.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    window.repaint();
    const QRect frame = window.frameGeometry();
    if (!window.isVisible() || frame.isEmpty()) return {};
    if (QScreen* screen = window.screen()) {
        const QRect onScreen = frame.translated(-screen->geometry().topLeft());
        const QPixmap shot =
            screen->grabWindow(0, onScreen.x(), onScreen.y(), onScreen.width(), onScreen.height());
        if (!shot.isNull()) return shot.toImage();
    }
    // Where the screen cannot be read, the window paints itself (no frame).
    return window.grab().toImage();
}

QString WriteScreenImage(const QImage& image, const QString& path) {
    const std::optional<ImageFileType> type = ImageFileTypeForPath(path.toStdString());
    if (!type) return QStringLiteral("Invalid File Format");
    if (image.isNull()) return QStringLiteral("there is no picture to write");
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return QStringLiteral("the folder %1 does not exist")
            .arg(QDir::toNativeSeparators(info.absolutePath()));
    // The picture goes to a temporary file beside the target, which takes the
    // name only once it is complete: a failure leaves nothing half-written.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const QString failure = EncodeTo(image, *type, file);
    if (!failure.isEmpty()) {
        file.cancelWriting();
        return failure;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

SaveScreenOutcome SaveScreen(const CTubescanDoc& doc, QWidget& window,
                             const FileDialogRunner& run) {
    SaveScreenOutcome outcome;
    {
        const auto dialog = MakeSaveScreenDialog(doc, &window);
        if (!run(*dialog) || dialog->selectedFiles().isEmpty()) return outcome;
        outcome.path = dialog->selectedFiles().first();
    }
    outcome.kind = SaveScreenOutcome::Kind::Failed;
    if (!ImageFileTypeForPath(outcome.path.toStdString())) {
        outcome.message = QStringLiteral("Invalid File Format");
        outcome.icon = QMessageBox::Warning;
        return outcome;
    }
    const QImage shot = CaptureWindow(window);
    if (shot.isNull()) {
        outcome.message = QStringLiteral("Can't save the screen!");
        return outcome;
    }
    const QString failure = WriteScreenImage(shot, outcome.path);
    if (!failure.isEmpty()) {
        outcome.message = QStringLiteral("The screen was not saved to\n%1\n\nReason: %2.")
                              .arg(QDir::toNativeSeparators(outcome.path), failure);
        outcome.icon = QMessageBox::Warning;
        return outcome;
    }
    outcome.kind = SaveScreenOutcome::Kind::Saved;
    return outcome;
}

void SaveScreenCommand(const CTubescanDoc& doc, QWidget& window, const FileDialogRunner& run) {
    const SaveScreenOutcome outcome = SaveScreen(doc, window, run);
    if (outcome.message.isEmpty()) return;
    QMessageBox box(outcome.icon, QString::fromLatin1(kAppTitle), outcome.message, QMessageBox::Ok,
                    &window);
    box.exec();
}
