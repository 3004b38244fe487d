// Snapshots of the video: the caption burnt into the frame without changing its size, file names that say
// which clip and second they show and never replace a file, and a save that leaves no half file.
#include "FrameSnapshot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestFrameSnapshot : public QObject {
    Q_OBJECT
private slots:
    void captionKeepsTheFramesSize() {
        QImage frame(1920, 1080, QImage::Format_RGB32);
        frame.fill(QColor(200, 200, 200));
        QCOMPARE(FrameSnapshot::captioned(frame, {}), frame); // no caption: the frame as it is
        const QImage image =
            FrameSnapshot::captioned(frame, {"2024-06-01 10:30:05", "61 km/h", "22.543100, 113.940000"});
        QCOMPARE(image.size(), frame.size());
        // A dark band with white text at the lower left; the rest untouched.
        int white = 0;
        int dark = 0;
        for (int y = image.height() - 150; y < image.height(); ++y) {
            for (int x = 0; x < 400; ++x) {
                const QColor c = image.pixelColor(x, y);
                white += c.lightness() > 240;
                dark += c.lightness() < 120;
            }
        }
        QVERIFY(white > 500);
        QVERIFY(dark > 10000);
        QCOMPARE(image.pixelColor(1900, 20), QColor(200, 200, 200));
        QCOMPARE(image.pixelColor(1900, 1070), QColor(200, 200, 200));
    }

    void namesSayClipAndSecond_data() {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("name");
        QTest::newRow("first second") << "drive.MP4" << 0.4 << "drive 00-00.png";
        QTest::newRow("minutes") << "drive.mp4" << 65.9 << "drive 01-05.png";
        QTest::newRow("hours") << "long.drive.mp4" << 3700.0 << "long.drive 1-01-40.png";
    }
    void namesSayClipAndSecond() {
        QFETCH(QString, clip);
        QFETCH(double, seconds);
        QFETCH(QString, name);
        QTemporaryDir folder;
        QCOMPARE(FrameSnapshot::freePath(folder.path(), clip, seconds), folder.filePath(name));
    }

    void savesNeverReplaceOrLeaveHalfFiles() {
        QTemporaryDir folder;
        QImage image(64, 36, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString first = FrameSnapshot::freePath(folder.path(), "clip.mp4", 5);
        QVERIFY(FrameSnapshot::save(image, first));
        const QString second = FrameSnapshot::freePath(folder.path(), "clip.mp4", 5);
        QCOMPARE(second, folder.filePath("clip 00-05 (2).png"));
        QVERIFY(FrameSnapshot::save(image, second));
        QCOMPARE(QImage(first).size(), QSize(64, 36));
        QCOMPARE(QImage(second).pixelColor(0, 0), QColor(Qt::red));

        if (::geteuid() == 0)
            QSKIP("root writes every folder");
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
        QString problem;
        QVERIFY(!FrameSnapshot::save(image, folder.filePath("clip 00-06.png"), &problem));
        QVERIFY(!problem.isEmpty());
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
};

QTEST_MAIN(TestFrameSnapshot)
#include "tst_framesnapshot.moc"
