// The exporters' text pieces: names that are not UTF-8, markup, numbers that are not finite.
#include "ExportText.h"

#include <QTest>

#include <limits>

class TestExportText : public QObject {
    Q_OBJECT
private slots:
    void validUtf8_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray r = "\xef\xbf\xbd"; // U+FFFD
        QTest::newRow("ascii") << QByteArray("clip 01.mp4") << QByteArray("clip 01.mp4");
        QTest::newRow("two, three and four bytes") << QByteArray("\xc3\xa4\xe8\xa1\x8c\xf0\x9f\x9a\x97")
                                                   << QByteArray("\xc3\xa4\xe8\xa1\x8c\xf0\x9f\x9a\x97");
        QTest::newRow("latin-1") << QByteArray("f\xe4hrt") << "f" + r + "hrt";
        QTest::newRow("lone continuation") << QByteArray("a\x80z") << "a" + r + "z";
        QTest::newRow("cut-off sequence") << QByteArray("a\xe8\xa1") << "a" + r + r;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << r + r;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << r + r + r;
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << r + r + r + r;
        QTest::newRow("0xff") << QByteArray("\xff") << r;
    }
    void validUtf8() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(ExportText::validUtf8(input.toStdString())), expected);
    }

    void jsonString_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain") << QByteArray("22.543209") << QByteArray("\"22.543209\"");
        QTest::newRow("quote and backslash") << QByteArray("a\"b\\c") << QByteArray("\"a\\\"b\\\\c\"");
        QTest::newRow("controls") << QByteArray("\t\n\x01") << QByteArray("\"\\t\\n\\u0001\"");
        QTest::newRow("line separator") << QByteArray("\xe2\x80\xa8") << QByteArray("\"\\u2028\"");
        QTest::newRow("not utf-8") << QByteArray("\xff.mp4") << QByteArray("\"\xef\xbf\xbd.mp4\"");
    }
    void jsonString() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        std::string out;
        ExportText::appendJsonString(out, input.toStdString());
        QCOMPARE(QByteArray::fromStdString(out), expected);
    }

    void xmlText_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("markup") << QByteArray("<a & 'b'>\"")
                                << QByteArray("&lt;a &amp; &apos;b&apos;&gt;&quot;");
        QTest::newRow("control") << QByteArray("a\x01\tb") << QByteArray("a?\tb");
        QTest::newRow("non-characters") << QByteArray("\xef\xbf\xbe\xef\xbf\xbf") << QByteArray("??");
        QTest::newRow("not utf-8") << QByteArray("\xe4") << QByteArray("\xef\xbf\xbd");
    }
    void xmlText() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(ExportText::xmlEscaped(input.toStdString())), expected);
    }

    void csvKeepsBytes() {
        QCOMPARE(ExportText::csvField("f\xe4hrt.mp4"), std::string("f\xe4hrt.mp4"));
        QCOMPARE(ExportText::csvField("a,\"b\""), std::string("\"a,\"\"b\"\"\""));
    }

    void notFiniteIsNull() {
        std::string out;
        ExportText::appendNumber(out, std::numeric_limits<float>::infinity());
        out += ',';
        ExportText::appendNumber(out, -std::numeric_limits<double>::infinity());
        out += ',';
        ExportText::appendNumber(out, std::numeric_limits<float>::quiet_NaN());
        out += ',';
        ExportText::appendNumber(out, 113.94f);
        QCOMPARE(out, std::string("null,null,null,113.94"));
    }
};

QTEST_GUILESS_MAIN(TestExportText)
#include "tst_exporttext.moc"
