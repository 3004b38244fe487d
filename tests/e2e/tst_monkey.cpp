// Random real input on the shown window of the whole player for a bounded time, on a mixed list: clips with
// and without GPS in both engines, a damaged file and one that has gone from the disk. Mouse and key events
// go to the real widgets through QTest; nothing is called on the player's behalf. The player must not crash
// (under the sanitizers: no report either), and the stored list must be whole at the end.
//
// KESTRUN_MONKEY_SECONDS sets the time (default 120), KESTRUN_MONKEY_SEED the random seed (default: from the
// clock, printed). Every action is written to test-artefacts/monkey-actions-SEED.log as it is taken.
#include "AppDelegate.h"
#include "CVWebViewController.h"
#include "CVWindowController.h"
#include "FileCell.h"
#include "MyCache.h"
#include "MyCustomSlider.h"
#include "PlayListModel.h"
#include "PlayListViewController.h"
#include "PlayerHarness.h"
#include "SpeedPlayerViewController.h"
#include "VideoViewController.h"
#include "VoiceViewController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <functional>

class TestMonkey : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<PlayerHarness> m_player;
    QList<QUrl> m_clips;
    QRandomGenerator m_random;
    QFile m_log;

    int pick(int bound) { return bound > 0 ? int(m_random.bounded(bound)) : 0; }
    double fraction() { return m_random.generateDouble(); }

    void note(const QString& action) {
        m_log.write((action + '\n').toUtf8());
        m_log.flush();
    }

    void click(QWidget* widget, QPoint at = {}) {
        if (widget && widget->isVisible() && widget->isEnabled())
            QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
    }

    QListView* list() const { return m_player->playlist()->tableView(); }
    int rows() const { return m_player->playlist()->model()->rowCount(); }
    QRect rowRect(int row) const { return list()->visualRect(list()->model()->index(row, 0)); }

    // An error alert is up: the user answers it.
    bool answerAlert() {
        for (QMessageBox* alert : m_player->window()->findChildren<QMessageBox*>()) {
            if (alert->isVisible() && !alert->buttons().isEmpty()) {
                note("answer alert: " + alert->text());
                click(alert->buttons().first());
                return true;
            }
        }
        return false;
    }

    void closePopups() {
        while (QWidget* popup = QApplication::activePopupWidget()) {
            QTest::keyClick(popup, Qt::Key_Escape);
            if (QApplication::activePopupWidget() == popup)
                popup->close();
        }
        if (QWidget* popover = m_player->video()->openPopover())
            popover->close();
    }

    // Opens a menu of the menu bar with the mouse and clicks a random item, through its submenus.
    void clickMenuItem(const QString& menuTitle) {
        QMenuBar* bar = m_player->window()->menuBar();
        if (!m_player->window()->isActiveWindow())
            return; // the video's full screen (or a dialog) covers the menu bar: a person cannot reach it
        note("open menu " + menuTitle);
        for (QAction* top : bar->actions()) {
            if (!top->menu() || !top->text().remove('&').contains(menuTitle))
                continue;
            click(bar, bar->actionGeometry(top).center());
            QString path = menuTitle;
            QMenu* menu = top->menu();
            while (menu) {
                QTRY_VERIFY(menu->isVisible());
                QList<QAction*> items;
                for (QAction* a : menu->actions())
                    if (!a->isSeparator() && a->isEnabled())
                        items << a;
                if (items.isEmpty())
                    return;
                QAction* item = items[pick(int(items.size()))];
                path += " > " + item->text();
                click(menu, menu->actionGeometry(item).center());
                menu = item->menu();
            }
            note("menu " + path);
            return;
        }
    }

    void drag(QWidget* widget, double from, double to) {
        if (!widget || !widget->isVisible())
            return;
        const auto at = [widget](double f) {
            return QPoint(qBound(1, qRound(widget->width() * f), widget->width() - 2), widget->height() / 2);
        };
        QTest::mousePress(widget, Qt::LeftButton, {}, at(from));
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(widget, at(from + (to - from) * i / 4));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, at(to));
    }

    // One random action of a user, as real input.
    void act() {
        if (QApplication::activePopupWidget() && pick(3) == 0) {
            closePopups();
            return;
        }
        if (pick(2) == 0 && answerAlert())
            return;
        VideoViewController* video = m_player->video();
        PlayListViewController* playlist = m_player->playlist();
        const QList<std::pair<QString, std::function<void()>>> actions{
            {"row",
             [&] {
                 if (rows() > 0) {
                     const int row = pick(rows());
                     note(QString("click row %1").arg(row));
                     click(list()->viewport(), QPoint(rowRect(row).left() + 40, rowRect(row).center().y()));
                 }
             }},
            {"delete",
             [&] {
                 if (rows() > 1 && pick(3) == 0) {
                     const int row = pick(rows());
                     note(QString("delete row %1").arg(row));
                     click(list()->viewport(),
                           FileCell::deleteButtonRect(
                               FileCell::clipRect(rowRect(row), list()->model()->index(row, 0)))
                               .center());
                 }
             }},
            {"next",
             [&] {
                 note("next");
                 click(video->nextButton());
             }},
            {"previous",
             [&] {
                 note("previous");
                 click(video->lasetButton());
             }},
            {"play",
             [&] {
                 note("play/pause");
                 click(video->playButton());
             }},
            {"seek",
             [&] {
                 const double a = fraction(), b = fraction();
                 note(QString("drag seek %1 -> %2").arg(a).arg(b));
                 drag(video->timeSlider(), a, b);
             }},
            {"key",
             [&] {
                 static const Qt::Key kKeys[] = {
                     Qt::Key_Space,  Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_F,
                     Qt::Key_Escape, Qt::Key_Up,   Qt::Key_Down,  Qt::Key_Return, Qt::Key_Tab};
                 const Qt::Key key = kKeys[pick(int(std::size(kKeys)))];
                 QWidget* target =
                     QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
                 if (!target)
                     target = m_player->window();
                 note("key " + QKeySequence(key).toString() + " to " + target->metaObject()->className());
                 QTest::keyClick(target, key);
             }},
            {"speed",
             [&] {
                 click(video->playSpeedButton());
                 if (QWidget* popover = video->openPopover()) {
                     if (auto* speed = popover->findChild<SpeedPlayerViewController*>()) {
                         const int i = pick(int(speed->buttons().size()));
                         note(QString("speed button %1").arg(i));
                         click(speed->buttons().at(i));
                     }
                 }
             }},
            {"volume",
             [&] {
                 click(video->voiceBtn());
                 if (QWidget* popover = video->openPopover()) {
                     if (auto* voice = popover->findChild<VoiceViewController*>()) {
                         note("volume drag");
                         QSlider* slider = voice->slider();
                         const auto at = [slider](double f) {
                             return QPoint(slider->width() / 2, qRound(slider->height() * (1 - f)));
                         };
                         QTest::mousePress(slider, Qt::LeftButton, {}, at(fraction()));
                         QTest::mouseRelease(slider, Qt::LeftButton, {}, at(fraction()));
                     }
                 }
             }},
            {"loop",
             [&] {
                 note("loop");
                 click(video->loopButton());
             }},
            {"video full screen",
             [&] {
                 note("video full screen");
                 click(video->fullButton());
             }},
            {"map button",
             [&] {
                 note("map button");
                 click(m_player->map()->zoomInOutButton());
             }},
            {"playback menu",
             [&] {
                 clickMenuItem("Playback");
             }},
            {"view menu",
             [&] {
                 clickMenuItem("View");
             }},
            {"settings",
             [&] {
                 click(playlist->setbutton());
                 if (QWidget* panel = playlist->openPanel()) {
                     QList<QAbstractButton*> choices;
                     for (QAbstractButton* b : panel->findChildren<QAbstractButton*>())
                         if (b->isCheckable() && b->isVisible())
                             choices << b;
                     if (!choices.isEmpty()) {
                         QAbstractButton* choice = choices[pick(int(choices.size()))];
                         note("settings: " + choice->text());
                         click(choice);
                     }
                 }
             }},
            {"add",
             [&] {
                 QList<QUrl> some;
                 for (const QUrl& url : m_clips)
                     if (pick(2) == 0)
                         some << url;
                 note(QString("add %1 files").arg(some.size()));
                 m_player->delegate()->openUrls(some); // as handed over by a second start with files
             }},
            {"clear",
             [&] {
                 if (pick(8) == 0) {
                     note("clear list");
                     click(playlist->deleteButton());
                 }
             }},
        };
        actions[pick(int(actions.size()))].second();
    }

    // The list on screen is the stored one, and the store reads back whole.
    void checkStoredList() {
        const auto stored = MyCache::playList();
        const int shown = rows();
        QCOMPARE(stored ? int(stored->size()) : 0, shown);
        for (int row = 0; row < shown; ++row)
            QCOMPARE(stored->at(std::size_t(row)).path(),
                     m_player->playlist()->model()->index(row, 0).data(PlayListModel::KeyRole).toString());
    }

private slots:
    void initTestCase() {
        const QByteArray seedText = qgetenv("KESTRUN_MONKEY_SEED");
        const quint32 seed =
            seedText.isEmpty() ? quint32(QDateTime::currentMSecsSinceEpoch()) : seedText.toUInt();
        qInfo() << "monkey seed" << seed;
        m_random.seed(seed);
        QDir().mkpath(KESTRUN_ARTEFACTS);
        m_log.setFileName(QString(KESTRUN_ARTEFACTS) + QString("/monkey-actions-%1.log").arg(seed));
        QVERIFY(m_log.open(QIODevice::WriteOnly | QIODevice::Truncate));
        note(QString("seed %1").arg(seed));

        m_player = std::make_unique<PlayerHarness>();
        PlayerHarness& p = *m_player;
        SyntheticDrive china = SyntheticDrive::china();
        china.seconds = 2;
        m_clips = p.mixedClips(4) << p.clip("missing.mp4", PlayerHarness::h264(2), china);
        QFile damaged(p.mediaPath("damaged.mp4"));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        QFile good(m_clips[0].toLocalFile());
        QVERIFY(good.open(QIODevice::ReadOnly));
        damaged.write(good.read(3000)); // the start of a clip, cut off
        damaged.close();
        m_clips << QUrl::fromLocalFile(damaged.fileName());

        p.start();
        QSignalSpy opened(p.delegate(), &AppDelegate::openFinished);
        p.delegate()->openUrls(m_clips);
        QVERIFY(opened.wait(30000));
        QFile::remove(m_clips[5].toLocalFile()); // in the list, gone from the disk
    }

    void randomInput() {
        const int seconds = qEnvironmentVariableIsSet("KESTRUN_MONKEY_SECONDS")
                                ? qEnvironmentVariableIntValue("KESTRUN_MONKEY_SECONDS")
                                : 120;
        QElapsedTimer clock;
        clock.start();
        int steps = 0;
        while (clock.elapsed() < seconds * 1000LL) {
            act();
            if (QTest::currentTestFailed())
                return;
            QTest::qWait(20 + pick(400));
            if (++steps % 25 == 0) {
                m_player->screenshot("monkey", "latest");
                QVERIFY(m_player->window()->isVisible());
            }
        }
        qInfo() << "monkey steps" << steps;
        closePopups();
        while (answerAlert())
            QTest::qWait(100);
        QTest::qWait(500);
        checkStoredList();
    }

    void theListSurvivesARestart() {
        QStringList before;
        for (int row = 0; row < rows(); ++row)
            before << m_player->playlist()->model()->index(row, 0).data(PlayListModel::KeyRole).toString();
        m_player->stop();
        m_player->start();
        QStringList after;
        for (int row = 0; row < rows(); ++row)
            after << m_player->playlist()->model()->index(row, 0).data(PlayListModel::KeyRole).toString();
        QCOMPARE(after, before);
        checkStoredList();
    }
};

// Qt WebEngine wants shared OpenGL contexts set before the application object exists. QtTest ends a test
// function after five minutes by default (an abort, "Received a fatal error"): a long run needs longer.
static const bool kShareContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    const int seconds = qEnvironmentVariableIsSet("KESTRUN_MONKEY_SECONDS")
                            ? qEnvironmentVariableIntValue("KESTRUN_MONKEY_SECONDS")
                            : 120;
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((qint64(seconds) + 600) * 1000));
    return true;
}();

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
