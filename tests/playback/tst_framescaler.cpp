// The picture's conversion: decoded frames in each pixel format the engines deliver become the right
// colours at the size they are shown, padding left out, and a frame that cannot be read gives no picture.
#include "FrameScaler.h"

#include <QTest>
#include <QVideoFrame>

#include <cstring>

namespace {

using Format = QVideoFrameFormat;

// A frame of one colour: `values` are the components in the order the format stores them per plane
// (Y, U, V for planar YUV; Y, then U and V interleaved for the semi-planar ones; the four bytes of a pixel
// for the RGB ones), 16-bit formats writing each value in the upper bits.
QVideoFrame solidFrame(Format::PixelFormat pixelFormat, QSize size, const QList<int>& values,
                       Format::ColorSpace space = Format::ColorSpace_BT709,
                       Format::ColorRange range = Format::ColorRange_Video) {
    Format format(size, pixelFormat);
    format.setColorSpace(space);
    format.setColorRange(range);
    QVideoFrame frame(format);
    if (!frame.map(QVideoFrame::WriteOnly))
        return {};
    const auto fill = [&](int plane, const QList<int>& pattern, int bytesPerValue) {
        uchar* bits = frame.bits(plane);
        const int bytes = frame.mappedBytes(plane);
        for (int i = 0, v = 0; i + bytesPerValue <= bytes; i += bytesPerValue, v = (v + 1) % pattern.size()) {
            if (bytesPerValue == 2) {
                const auto value = static_cast<quint16>(pattern[v] << 8);
                std::memcpy(bits + i, &value, 2);
            } else {
                bits[i] = static_cast<uchar>(pattern[v]);
            }
        }
    };
    switch (pixelFormat) {
    case Format::Format_YUV420P:
    case Format::Format_YV12:
        fill(0, {values[0]}, 1);
        fill(1, {values[1]}, 1);
        fill(2, {values[2]}, 1);
        break;
    case Format::Format_NV12:
    case Format::Format_NV21:
        fill(0, {values[0]}, 1);
        fill(1, {values[1], values[2]}, 1);
        break;
    case Format::Format_P010:
        fill(0, {values[0]}, 2);
        fill(1, {values[1], values[2]}, 2);
        break;
    default:
        fill(0, values, 1);
        break;
    }
    frame.unmap();
    return frame;
}

bool near(QRgb pixel, QColor expected) {
    return std::abs(qRed(pixel) - expected.red()) <= 3 && std::abs(qGreen(pixel) - expected.green()) <= 3 &&
           std::abs(qBlue(pixel) - expected.blue()) <= 3;
}

} // namespace

class TestFrameScaler : public QObject {
    Q_OBJECT
private slots:
    void coloursOfEachFormat_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("space");
        QTest::addColumn<int>("range");
        QTest::addColumn<QColor>("expected");
        const int bt709 = Format::ColorSpace_BT709;
        const int bt601 = Format::ColorSpace_BT601;
        const int video = Format::ColorRange_Video;
        const int full = Format::ColorRange_Full;
        // Video range: black at 16, white at 235. Blue and red tell U from V: a swap turns one into the
        // other.
        QTest::newRow("I420 white") << int(Format::Format_YUV420P) << QList<int>{235, 128, 128} << bt709
                                    << video << QColor(255, 255, 255);
        QTest::newRow("I420 black") << int(Format::Format_YUV420P) << QList<int>{16, 128, 128} << bt709
                                    << video << QColor(0, 0, 0);
        QTest::newRow("I420 BT.709 red")
            << int(Format::Format_YUV420P) << QList<int>{63, 102, 240} << bt709 << video << QColor(255, 0, 0);
        QTest::newRow("I420 BT.601 red")
            << int(Format::Format_YUV420P) << QList<int>{81, 90, 240} << bt601 << video << QColor(255, 0, 0);
        QTest::newRow("I420 BT.709 blue")
            << int(Format::Format_YUV420P) << QList<int>{32, 240, 118} << bt709 << video << QColor(0, 0, 255);
        QTest::newRow("I420 full range grey") << int(Format::Format_YUV420P) << QList<int>{128, 128, 128}
                                              << bt709 << full << QColor(128, 128, 128);
        QTest::newRow("YV12 blue") << int(Format::Format_YV12) << QList<int>{32, 118, 240} << bt709 << video
                                   << QColor(0, 0, 255);
        QTest::newRow("NV12 blue") << int(Format::Format_NV12) << QList<int>{32, 240, 118} << bt709 << video
                                   << QColor(0, 0, 255);
        QTest::newRow("NV21 blue") << int(Format::Format_NV21) << QList<int>{32, 118, 240} << bt709 << video
                                   << QColor(0, 0, 255);
        QTest::newRow("P010 red") << int(Format::Format_P010) << QList<int>{63, 102, 240} << bt709 << video
                                  << QColor(255, 0, 0);
        QTest::newRow("BGRA red") << int(Format::Format_BGRA8888) << QList<int>{0, 0, 255, 255} << bt709
                                  << video << QColor(255, 0, 0);
        QTest::newRow("XRGB blue") << int(Format::Format_XRGB8888) << QList<int>{255, 0, 0, 255} << bt709
                                   << video << QColor(0, 0, 255);
        QTest::newRow("RGBA green") << int(Format::Format_RGBA8888) << QList<int>{0, 255, 0, 255} << bt709
                                    << video << QColor(0, 255, 0);
    }
    void coloursOfEachFormat() {
        QFETCH(int, format);
        QFETCH(QList<int>, values);
        QFETCH(int, space);
        QFETCH(int, range);
        QFETCH(QColor, expected);
        const auto pixelFormat = static_cast<Format::PixelFormat>(format);
        QVERIFY(FrameScaler::converts(pixelFormat));
        // Scaled down and at its own size; YUV at an odd size (chroma planes of rounded halves), RGB at the
        // even sizes decoders give.
        const bool yuv = format > Format::Format_RGBX8888;
        const QSize size = yuv ? QSize(63, 47) : QSize(64, 48);
        const QVideoFrame frame =
            solidFrame(pixelFormat, size, values, Format::ColorSpace(space), Format::ColorRange(range));
        QVERIFY(frame.isValid());
        FrameScaler scaler;
        for (const QSize target : {size / 2, size}) {
            const QImage image = scaler.scale(frame, {}, target);
            QCOMPARE(image.size(), target);
            for (const QPoint at : {QPoint(0, 0), QPoint(target.width() / 2, target.height() / 2),
                                    QPoint(target.width() - 1, target.height() - 1)})
                QVERIFY2(
                    near(image.pixel(at), expected),
                    qPrintable(
                        QString("%1 at %2,%3").arg(QColor(image.pixel(at)).name()).arg(at.x()).arg(at.y())));
        }
    }

    // A decoder's padding below the picture (a frame of 48 lines holding a picture of 40) is never shown.
    void paddingIsLeftOut() {
        QVideoFrame frame = solidFrame(Format::Format_YUV420P, QSize(64, 48), {235, 128, 128});
        QVERIFY(frame.map(QVideoFrame::ReadWrite));
        std::memset(frame.bits(0) + 40 * frame.bytesPerLine(0), 16,
                    size_t(8 * frame.bytesPerLine(0))); // black
        frame.unmap();
        FrameScaler scaler;
        const QImage shown = scaler.scale(frame, QSize(64, 40), QSize(32, 20));
        QCOMPARE(shown.size(), QSize(32, 20));
        for (int x = 0; x < 32; ++x)
            QVERIFY(near(shown.pixel(x, 19), Qt::white));
        const QImage whole = scaler.scale(frame, {}, QSize(64, 48));
        QVERIFY(near(whole.pixel(10, 47), Qt::black));
    }

    void framesThatCannotBeConverted() {
        FrameScaler scaler;
        QCOMPARE(scaler.scale(QVideoFrame(), {}, QSize(10, 10)), QImage());
        const QVideoFrame frame = solidFrame(Format::Format_YUV420P, QSize(16, 16), {235, 128, 128});
        QCOMPARE(scaler.scale(frame, {}, QSize()), QImage());
        QVERIFY(!FrameScaler::converts(Format::Format_Jpeg));
        QVERIFY(!FrameScaler::converts(Format::Format_SamplerExternalOES));
        QVideoFrame jpeg(Format(QSize(16, 16), Format::Format_Jpeg));
        QCOMPARE(scaler.scale(jpeg, {}, QSize(16, 16)), QImage());
    }
};

QTEST_GUILESS_MAIN(TestFrameScaler)
#include "tst_framescaler.moc"
