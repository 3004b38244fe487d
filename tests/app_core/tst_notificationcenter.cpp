#include "NotificationCenter.h"
#include "NotificationNames.h"

#include <QTest>
#include <QThread>

#include <memory>

class TestNotificationCenter : public QObject {
    Q_OBJECT
private slots:
    void asyncPostArrivesAfterTheCallerReturns() {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        QObject observer;
        QStringList seen;
        center.addObserver(NotificationNames::kSelectSpeed, &observer,
                           [&](const QVariant& object) { seen << object.toString(); });
        center.postAsync(NotificationNames::kSelectSpeed, "2");
        QVERIFY(seen.isEmpty()); // not during the post
        QTRY_COMPARE(seen, QStringList{"2"});
        center.post(NotificationNames::kSelectSpeed, "1");
        QCOMPARE(seen, (QStringList{"2", "1"})); // a plain post is delivered at once
        center.post(NotificationNames::kSelectMapType, "1");
        QCOMPARE(seen.size(), 2); // other names do not reach it
    }

    void destroyedObserversAreDropped() {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        int calls = 0;
        auto observer = std::make_unique<QObject>();
        center.addObserver(NotificationNames::kImageChange, observer.get(),
                           [&](const QVariant&) { ++calls; });
        center.postAsync(NotificationNames::kImageChange, QSize(1008, 630));
        observer.reset(); // gone before the queued post is delivered
        QTest::qWait(10);
        center.post(NotificationNames::kImageChange);
        QCOMPARE(calls, 0);
    }

    void removeObserver() {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        QObject observer;
        int calls = 0;
        center.addObserver(NotificationNames::kWindowFullChange, &observer,
                           [&](const QVariant&) { ++calls; });
        center.addObserver(NotificationNames::kWindowDidExitFullScreen, &observer,
                           [&](const QVariant&) { ++calls; });
        center.removeObserver(&observer, NotificationNames::kWindowFullChange);
        center.post(NotificationNames::kWindowFullChange);
        center.post(NotificationNames::kWindowDidExitFullScreen);
        QCOMPARE(calls, 1);
        center.removeObserver(&observer);
        center.post(NotificationNames::kWindowDidExitFullScreen);
        QCOMPARE(calls, 1);
    }

    void postsFromOtherThreadsArriveOnTheMainThread() {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        QObject observer;
        QThread* deliveredOn = nullptr;
        center.addObserver(NotificationNames::kSpeedUnit, &observer,
                           [&](const QVariant&) { deliveredOn = QThread::currentThread(); });
        std::unique_ptr<QThread> thread(
            QThread::create([&center] { center.post(NotificationNames::kSpeedUnit); }));
        thread->start();
        thread->wait();
        QTRY_VERIFY(deliveredOn != nullptr);
        QCOMPARE(deliveredOn, QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(TestNotificationCenter)
#include "tst_notificationcenter.moc"
