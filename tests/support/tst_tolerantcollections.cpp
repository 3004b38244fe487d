// Tolerant lists, dictionaries and strings.
#include "TolerantCollections.h"

#include <QTest>

using namespace Tolerant;

class TestTolerantCollections : public QObject {
    Q_OBJECT
private slots:
    void objectAtIndex_data() {
        QTest::addColumn<QVariantList>("list");
        QTest::addColumn<quint64>("index");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("empty, index 0") << QVariantList{} << quint64(0) << QVariant();
        QTest::newRow("one element") << QVariantList{7} << quint64(0) << QVariant(7);
        QTest::newRow("last") << QVariantList{1, 2, 3} << quint64(2) << QVariant(3);
        QTest::newRow("count") << QVariantList{1, 2, 3} << quint64(3) << QVariant();
        QTest::newRow("huge") << QVariantList{1, 2, 3} << ~quint64(0) << QVariant();
    }
    void objectAtIndex() {
        QFETCH(QVariantList, list);
        QFETCH(quint64, index);
        QFETCH(QVariant, expected);
        QCOMPARE(Tolerant::objectAtIndex(list, index).value_or(QVariant()), expected);
    }

    void insertObject() {
        QList<int> list{1, 2, 3};
        QVERIFY(Tolerant::insertObject(list, std::optional<int>(4), 3)); // at the count: appends
        QCOMPARE(list, (QList<int>{1, 2, 3, 4}));
        QVERIFY(!Tolerant::insertObject(list, std::optional<int>(9), 5)); // count + 1
        QVERIFY(!Tolerant::insertObject(list, std::optional<int>(), 0));  // nothing to insert
        QVariantList variants{1};
        QVERIFY(!Tolerant::insertObject(variants, std::optional<QVariant>(QVariant()), 0));
        QCOMPARE(list, (QList<int>{1, 2, 3, 4}));
        QCOMPARE(variants.size(), 1);
    }

    void removeRanges_data() {
        QTest::addColumn<quint64>("location");
        QTest::addColumn<quint64>("length");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("(count, 0) removes nothing") << quint64(4) << quint64(0) << QList<int>{1, 2, 3, 2};
        QTest::newRow("(count - 1, 2) is refused") << quint64(3) << quint64(2) << QList<int>{1, 2, 3, 2};
        QTest::newRow("inside") << quint64(1) << quint64(2) << QList<int>{1, 2};
        QTest::newRow("length over count") << quint64(0) << quint64(5) << QList<int>{1, 2, 3, 2};
        QTest::newRow("overflowing sum") << quint64(2) << ~quint64(0) << QList<int>{1, 2, 3, 2};
    }
    void removeRanges() {
        QFETCH(quint64, location);
        QFETCH(quint64, length);
        QFETCH(QList<int>, expected);
        QList<int> list{1, 2, 3, 2};
        removeObjectsInRange(list, location, length);
        QCOMPARE(list, expected);
    }

    void removeObjectInRange() {
        QList<int> list{2, 1, 2, 3, 2};
        QVERIFY(Tolerant::removeObjectInRange(list, std::optional<int>(2), 1, 3));
        QCOMPARE(list, (QList<int>{2, 1, 3, 2}));
        QVERIFY(!Tolerant::removeObjectInRange(list, std::optional<int>(), 0, 1));
        QVERIFY(!Tolerant::removeObjectInRange(list, std::optional<int>(2), 3, 2));
        QCOMPARE(list, (QList<int>{2, 1, 3, 2}));
    }

    void dictionaries() {
        QVariantMap map{{"a", 1}};
        QVERIFY(!setObjectForKey(map, std::optional<QVariant>(QVariant()), QString("a"))); // old value stays
        QVERIFY(!setObjectForKey(map, std::optional<QVariant>(2), QString()));
        QVERIFY(setObjectForKey(map, std::optional<QVariant>(3), QString("b")));
        QCOMPARE(map, (QVariantMap{{"a", 1}, {"b", 3}}));
        QVERIFY(!removeObjectForKey(map, QString()));
        QVERIFY(removeObjectForKey(map, "a"));
        QCOMPARE(map, (QVariantMap{{"b", 3}}));

        // A literal of three pairs whose second value is missing holds one pair.
        QCOMPARE(dictionaryWithObjects({1, QVariant(), 3}, {"x", "y", "z"}, 3), (QVariantMap{{"x", 1}}));
        QCOMPARE(dictionaryWithObjects({1, 2, 3}, {"x", QString(), "z"}, 3), (QVariantMap{{"x", 1}}));
        QCOMPARE(dictionaryWithObjects({1, 2}, {"x", "y", "z"}, 3), (QVariantMap{{"x", 1}, {"y", 2}}));
    }

    void substrings() {
        const QString text = "abc";
        QCOMPARE(substringFromIndex(text, 3), std::optional<QString>(""));
        QCOMPARE(substringFromIndex(text, 4), std::nullopt);
        QCOMPARE(substringFromIndex(text, 1), std::optional<QString>("bc"));
        QCOMPARE(substringToIndex(text, 3), std::optional<QString>("abc"));
        QCOMPARE(substringToIndex(text, 4), std::nullopt);
        QCOMPARE(substringWithRange(text, 1, 2), std::optional<QString>("bc"));
        QCOMPARE(substringWithRange(text, 2, 2), std::nullopt);
        QCOMPARE(substringWithRange(text, 4, 0), std::nullopt);
        QCOMPARE(substringWithRange(text, 3, 0), std::optional<QString>(""));
        // UTF-16 code units: an emoji is two.
        QCOMPARE(substringToIndex(QString::fromUtf8("a😀"), 3),
                 std::optional<QString>(QString::fromUtf8("a😀")));
    }

    void rangeOfString() {
        // A missing search string over a bad range searches the string for itself over the whole of it.
        QCOMPARE(Tolerant::rangeOfString("abc", std::nullopt, 0, {5, 1}), (Range{0, 3}));
        QCOMPARE(Tolerant::rangeOfString("abcabc", QString("bc"), 0, {2, 4}), (Range{4, 2}));
        QCOMPARE(Tolerant::rangeOfString("abcabc", QString("bc"), Backwards, {0, 6}), (Range{4, 2}));
        QCOMPARE(Tolerant::rangeOfString("abcabc", QString("BC"), CaseInsensitive, {0, 6}), (Range{1, 2}));
        QCOMPARE(Tolerant::rangeOfString("abcabc", QString("bc"), Anchored, {0, 6}), (Range{kNotFound, 0}));
        QCOMPARE(Tolerant::rangeOfString("abc", QString("x"), 0, {0, 3}), (Range{kNotFound, 0}));
    }

    void appendString() {
        QString text = "ab";
        QVERIFY(!Tolerant::appendString(text, std::nullopt));
        QVERIFY(!Tolerant::appendString(text, QString()));
        QVERIFY(Tolerant::appendString(text, QString("c")));
        QCOMPARE(text, QString("abc"));
    }
};

QTEST_GUILESS_MAIN(TestTolerantCollections)
#include "tst_tolerantcollections.moc"
