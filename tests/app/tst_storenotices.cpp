// What the stores have to say reaches the main window: a play-list database set aside, one that cannot be
// read, and a quit while changes are unsaved, driven through the real window's keys and buttons.
#include "AppDelegate.h"
#include "CVWindowController.h"
#include "MyCache.h"
#include "PlayListStore.h"
#include "SettingsStore.h"
#include "StoreNoticeBar.h"
#include "StoreNotices.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestStoreNotices : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;
    AppDelegate* m_delegate = nullptr;
    CVWindowController* m_window = nullptr;
    QString folder() const { return m_config.path() + "/Kestrun"; }

    // Answers the next message box with the button of this text; the box's text is kept.
    void answerNextBox(const QString& button, QString* text) {
        QTimer::singleShot(200, this, [this, button, text] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                answerNextBox(button, text); // not up yet
                return;
            }
            *text = box->text();
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == button)
                    QTest::mouseClick(b, Qt::LeftButton);
            }
        });
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QDir().mkpath(folder());
        QFile broken(folder() + "/KestrunPlayer.db");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, '?'));
        broken.close();
        SettingsStore::resetShared();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is not readable as a database"));
        m_delegate = new AppDelegate(this);
        m_window = new CVWindowController;
        m_delegate->buildMenus(m_window->menuBar());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    void aDatabaseSetAsideIsShown() {
        StoreNoticeBar* bar = m_window->notices();
        const QString aside = PlayListStore::shared().setAsidePath();
        QVERIFY(aside.startsWith(folder() + "/KestrunPlayer.db.unreadable-"));
        QTRY_VERIFY(bar->isVisible());
        QVERIFY(bar->shownTexts().join("\n").contains(aside)); // where the old file is
        // Information can be closed by the user.
        auto* close = bar->findChild<QToolButton*>();
        QVERIFY(close);
        QTest::mouseClick(close, Qt::LeftButton);
        QTRY_VERIFY(!bar->isVisible());
    }

    void quitWithUnsavedChangesAsksFirst() {
        // A database that cannot be read (here: a folder in its place) is left alone: changes stay unsaved.
        PlayListStore::resetShared();
        QVERIFY(QFile::remove(folder() + "/KestrunPlayer.db"));
        QVERIFY(QDir().mkpath(folder() + "/KestrunPlayer.db"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read"));
        QVERIFY(!MyCache::playList());
        StoreNoticeBar* bar = m_window->notices();
        QTRY_VERIFY(bar->isVisible());
        QVERIFY(bar->shownTexts().join("\n").contains("cannot be read"));
        MyCache::syncPlayList({PlayListEntry::fromTrackInfo("file:///new.mp4", TrackInfo{})});
        QCOMPARE(StoreNotices::shared().unsavedChanges(), 1);

        // Ctrl+Q: the player asks; keeping it running keeps the window.
        QString asked;
        answerNextBox("Keep Running", &asked);
        QTimer::singleShot(100, this, [this] { QTest::keyClick(m_window, Qt::Key_Q, Qt::ControlModifier); });
        QTimer::singleShot(3000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 1); // the quit was refused: the watchdog ended the loop
        QVERIFY(asked.contains("could not be saved"));
        QVERIFY(m_window->isVisible());

        // Quit Anyway: the window closes and the loop ends.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        asked.clear();
        answerNextBox("Quit Anyway", &asked);
        QTimer::singleShot(100, this, [this] { QTest::keyClick(m_window, Qt::Key_Q, Qt::ControlModifier); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        watchdog.start(10000);
        const int status = QCoreApplication::exec();
        QCOMPARE(status, 0);
        QVERIFY(!asked.isEmpty());
        QVERIFY(!m_window->isVisible());
    }

    void cleanupTestCase() {
        delete m_window;
        PlayListStore::resetShared();
    }
};

QTEST_MAIN(TestStoreNotices)
#include "tst_storenotices.moc"
