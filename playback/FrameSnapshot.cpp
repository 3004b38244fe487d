#include "FrameSnapshot.h"

#include "TimeFormatUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

QImage FrameSnapshot::captioned(const QImage& frame, const QStringList& lines) {
    if (frame.isNull() || lines.isEmpty())
        return frame;
    QImage image = frame.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Text about a thirtieth of the picture's height, readable at every resolution.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(std::max(10, image.height() / 30));
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int margin = std::max(4, font.pixelSize() / 2);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int height = metrics.lineSpacing() * static_cast<int>(lines.size());
    const QRect band(0, image.height() - height - 2 * margin, std::min(image.width(), width + 2 * margin),
                     height + 2 * margin);
    painter.fillRect(band, QColor(0, 0, 0, 150));
    painter.setPen(Qt::white);
    int y = band.top() + margin + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(band.left() + margin, y, line);
        y += metrics.lineSpacing();
    }
    return image;
}

QString FrameSnapshot::freePath(const QString& folder, const QString& clipFileName, double seconds) {
    const QString base = QFileInfo(clipFileName).completeBaseName();
    // "01-05": the time as the seek bar shows it, with a character file names can hold everywhere.
    const QString at = TimeFormatUtils::stringFromSeconds(static_cast<std::int32_t>(std::max(0.0, seconds)))
                           .replace(':', '-');
    const QDir dir(folder);
    QString path = dir.filePath(base + " " + at + ".png");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QString("%1 %2 (%3).png").arg(base, at).arg(n));
    return path;
}

QString FrameSnapshot::defaultFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir().mkpath(pictures))
        return pictures;
    return QDir::homePath();
}

bool FrameSnapshot::save(const QImage& image, const QString& path, QString* problem) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (problem)
            *problem = file.errorString();
        return false;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        if (problem)
            *problem = writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (problem)
            *problem = file.errorString();
        return false;
    }
    return true;
}
