// The application shell under the offscreen platform: window, layout, wiring, menu commands, open command.
#include "AppDelegate.h"
#include "AppManager.h"
#include "AppResources.h"
#include "BlackView.h"
#include "CVDisplayViewController.h"
#include "CVLayoutViewController.h"
#include "CVTextField.h"
#include "CVView.h"
#include "CVWebViewController.h"
#include "CVWindowController.h"
#include "ClipWriter.h"
#include "MyCache.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PlayListModel.h"
#include "PlayListViewController.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"
#include "VideoViewController.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Records every module call it receives, prefixed with its name.
class RecordingModule : public QObject, public CVModuleProtocol {
public:
    RecordingModule(QString name, QStringList& log, bool withDuration = true)
        : m_name(std::move(name))
        , m_log(log)
        , m_withDuration(withDuration) {}
    bool implementsOperation(Operation operation) const override {
        return operation != Operation::VideoAllTime || m_withDuration;
    }
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) override {
        m_log << m_name + ":path " + path.value_or("(nothing)").section('/', -1);
    }
    void updateDataByCurrentTime(double seconds) override {
        m_log << m_name + ":tick " + QString::number(seconds);
    }
    void videoAllTime(double seconds) override { m_log << m_name + ":duration " + QString::number(seconds); }
    void videoEnd() override { m_log << m_name + ":end"; }
    void playNext(bool next) override { m_log << m_name + (next ? ":next" : ":previous"); }

private:
    QString m_name;
    QStringList& m_log;
    bool m_withDuration;
};

QImage render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;
    QTemporaryDir m_media;
    AppDelegate* m_delegate = nullptr;
    CVWindowController* m_window = nullptr;

    CVLayoutViewController* layout() const { return m_window->content(); }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        SettingsStore::resetShared();
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"fr-FR"});
        m_delegate = new AppDelegate(this);
        m_window = new CVWindowController;
        m_delegate->buildMenus(m_window->menuBar());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void cleanupTestCase() { delete m_window; }

    void firstStartWithAnEmptyStore() {
        m_delegate->applicationDidFinishLaunching();
        SettingsStore& store = SettingsStore::shared();
        QCOMPARE(store.value("userSpeed"), QVariant("2"));
        QCOMPARE(store.value("userMap"), QVariant("0"));
        QVERIFY(m_delegate->chineseSpeed()->isChecked());
        QVERIFY(!m_delegate->englishSpeed()->isChecked());
        QVERIFY(m_delegate->googleMap()->isChecked());
        QCOMPARE(m_delegate->playerName()->text(), QString("Kestrun Player"));
        QCOMPARE(m_delegate->windowVC(), m_window);
    }

    void unusableStoredSpeedIsKept() {
        SettingsStore::shared().setValue("userSpeed", "7");
        AppDelegate other;
        QMenuBar bar;
        other.buildMenus(&bar);
        other.applicationDidFinishLaunching();
        QCOMPARE(SettingsStore::shared().value("userSpeed"), QVariant("7"));
        // The marks show the unit in force.
        QCOMPARE(other.chineseSpeed()->isChecked(), AppManager::sharedManager().speedType() == 2);
        QCOMPARE(other.englishSpeed()->isChecked(), AppManager::sharedManager().speedType() != 2);
        SettingsStore::shared().setValue("userSpeed", "2");
    }

    void windowGeometry() {
        QCOMPARE(CVWindowController::initialGeometry(QRect(0, 0, 1440, 900)), QRect(216, 93, 1008, 630));
        QCOMPARE(CVWindowController::initialGeometry(QRect(0, 0, 1920, 1080)), QRect(456, 183, 1008, 630));
        QCOMPARE(m_window->minimumSize(), QSize(1008, 630));
        QCOMPARE(m_window->maximumSize(), m_window->screen()->geometry().size().expandedTo(QSize(1008, 630)));
        QCOMPARE(m_window->windowTitle(), QString("Kestrun Player"));
        QCOMPARE(m_window->windowIconText(), QString("Kestrun Player"));
    }

    void resizeNotifications() {
        QObject observer;
        QList<QSize> sizes;
        NotificationCenter::defaultCenter().addObserver(
            NotificationNames::kImageChange, &observer,
            [&](const QVariant& object) { sizes << object.toSize(); });
        QVERIFY(m_window->maximumWidth() >= 1100); // the test screen is 1440 × 900
        m_window->resize(1100, 700);
        QTRY_VERIFY(sizes.contains(QSize(1100, 700)));
        m_window->resize(1008, 640); // exactly the minimum width
        QTRY_VERIFY(sizes.contains(QSize(1008, 640)));
        QCOMPARE(m_window->size(), QSize(1008, 640)); // the size is never altered
    }

    void fullScreenNotifications() {
        QObject observer;
        QStringList seen;
        NotificationCenter& center = NotificationCenter::defaultCenter();
        center.addObserver(NotificationNames::kWindowFullChange, &observer,
                           [&](const QVariant&) { seen << "enter"; });
        center.addObserver(NotificationNames::kWindowDidExitFullScreen, &observer,
                           [&](const QVariant&) { seen << "exit"; });
        m_window->showFullScreen();
        QTRY_COMPARE(seen, QStringList{"enter"});
        m_window->showNormal();
        QTRY_COMPARE(seen, (QStringList{"enter", "exit"}));
    }

    void modulesAreCreatedAndWired() {
        CVLayoutViewController* content = layout();
        QCOMPARE(content->createdIdentifiers(), (QStringList{"displayVC", "webVC", "playlistVC", "videoVC"}));
        VideoViewController* video = content->videoVC();
        QCOMPARE(video->zoomInDelegate.object(), content);
        QCOMPARE(video->gpsDelegate.object(), content->webVC());
        QCOMPARE(video->speedDelegate.object(), content->displayVC());
        QCOMPARE(video->gpsInfoDelegate.object(), content->playlistVC());
        QCOMPARE(video->videoEndDelegate.object(), content->playlistVC());
        QCOMPARE(video->clearDelegate.object(), content->displayVC());
        QCOMPARE(content->webVC()->distanceDelegate.object(), content->displayVC());
        QCOMPARE(content->webVC()->zoomInOutDelegate.object(), content);
        QCOMPARE(m_delegate->videoVC(), static_cast<PlaybackControl*>(video));
        QCOMPARE(m_delegate->playlistVC(), static_cast<PlayListControl*>(content->playlistVC()));

        // Three splitters, four containers each filled by its module.
        QCOMPARE(content->globalSplitView()->count(), 2);
        QCOMPARE(content->globalSplitView()->widget(0), content->leftSplitView());
        QCOMPARE(content->globalSplitView()->widget(1), content->rightSplitView());
        const QList<QPair<QWidget*, QWidget*>> pairs{{content->videoView(), video},
                                                     {content->displayView(), content->displayVC()},
                                                     {content->mapInfoView(), content->webVC()},
                                                     {content->playListView(), content->playlistVC()}};
        for (const auto& [container, module] : pairs) {
            QCOMPARE(module->parentWidget(), container);
            QTRY_COMPARE(module->geometry(), container->rect());
        }
        QVERIFY(qobject_cast<BlackView*>(content->videoView()));
        QVERIFY(qobject_cast<CVView*>(content->mapInfoView()));
    }

    void moduleCallsComeInOrder() {
        VideoViewController* video = layout()->videoVC();
        QStringList log;
        RecordingModule map("map", log), list("list", log), display("display", log),
            silent("silent", log, false);
        video->gpsDelegate.set(&map);
        video->gpsInfoDelegate.set(&list);
        video->speedDelegate.set(&display);
        video->clearDelegate.set(&display);
        video->videoEndDelegate.set(&list);

        video->initAssetData(QUrl::fromLocalFile("/media/clip one.mp4"));
        video->reportDuration(12);
        video->reportTime(1.25);
        video->reportTime(2.5);
        video->reportEnd();
        QCOMPARE(log, (QStringList{"display:next", "map:path clip%20one.mp4", "list:path clip%20one.mp4",
                                   "display:path clip%20one.mp4", "display:duration 12", "map:duration 12",
                                   "list:duration 12", "map:tick 1.25", "list:tick 1.25", "display:tick 1.25",
                                   "map:tick 2.5", "list:tick 2.5", "display:tick 2.5", "list:end"}));
        log.clear();
        video->StopVideo(); // stopping tells the map and the dashboard, not the play list
        QCOMPARE(log, (QStringList{"map:path (nothing)", "display:path (nothing)"}));

        // A module without the operation is skipped; an empty reference does nothing.
        log.clear();
        video->gpsDelegate.set(&silent);
        video->gpsInfoDelegate.clear();
        video->reportDuration(3);
        QCOMPARE(log, QStringList{"display:duration 3"});
        {
            RecordingModule gone("gone", log);
            video->speedDelegate.set(&gone);
        }
        video->reportDuration(4);
        QCOMPARE(log, QStringList{"display:duration 3"});

        // Back to the real wiring.
        CVLayoutViewController* content = layout();
        video->gpsDelegate.set(content->webVC());
        video->gpsInfoDelegate.set(content->playlistVC());
        video->speedDelegate.set(content->displayVC());
        video->clearDelegate.set(content->displayVC());
        video->videoEndDelegate.set(content->playlistVC());
    }

    void menuCommandStoresBeforeItNotifies() {
        QObject observer;
        QStringList seen;
        NotificationCenter::defaultCenter().addObserver(
            NotificationNames::kSelectMapType, &observer, [&](const QVariant& object) {
                // By now the setting is stored and set.
                seen << object.toString() + "/" + SettingsStore::shared().stringValue("userMap") + "/" +
                            QString::number(AppManager::sharedManager().mapType());
            });
        m_delegate->baiduMap()->trigger();
        QVERIFY(seen.isEmpty()); // not while the command runs
        QVERIFY(m_delegate->baiduMap()->isChecked());
        QVERIFY(!m_delegate->googleMap()->isChecked());
        QTRY_COMPARE(seen, QStringList{"1/1/1"});
        m_delegate->googleMap()->trigger();
        QTRY_COMPARE(seen, (QStringList{"1/1/1", "0/0/0"}));

        QStringList speeds;
        NotificationCenter::defaultCenter().addObserver(
            NotificationNames::kSelectSpeed, &observer, [&](const QVariant& object) {
                speeds << object.toString() + "/" + SettingsStore::shared().stringValue("userSpeed");
            });
        m_delegate->englishSpeed()->trigger();
        QVERIFY(!m_delegate->chineseSpeed()->isChecked());
        QTRY_COMPARE(speeds, QStringList{"1/1"});
        QCOMPARE(AppManager::sharedManager().speedType(), 1);
        m_delegate->chineseSpeed()->trigger();
        QTRY_COMPARE(speeds, (QStringList{"1/1", "2/2"}));
    }

    void openCommand() {
        SyntheticDrive drive = SyntheticDrive::china();
        drive.seconds = 5;
        TestFiles::write(m_media, "china.mp4", ClipWriter::bareClip(drive.messages()));
        TestFiles::write(m_media, "world.mp4", ClipWriter::bareClip(SyntheticDrive::world().messages()));
        const QUrl china = QUrl::fromLocalFile(m_media.filePath("china.mp4"));
        const QUrl world = QUrl::fromLocalFile(m_media.filePath("world.mp4"));
        VideoViewController* video = layout()->videoVC();

        // A cancelled dialog leaves the file that plays alone.
        video->initAssetData(world);
        QPointer<QFileDialog> dialog;
        auto connection = connect(m_delegate, &AppDelegate::openDialogShown, this,
                                  [&dialog](QWidget* d) { dialog = qobject_cast<QFileDialog*>(d); });
        QTest::keyClick(m_window, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        QTRY_VERIFY(!dialog);
        QCOMPARE(video->activeUrl(), std::optional<QUrl>(world));

        // A file chosen: the list grows, the file is marked, played and followed by the play list.
        MyCache::syncPlayList({PlayListEntry::fromTrackInfo(MyCache::fileKey(world), TrackInfo{})});
        layout()->playlistVC()->reloadPlayListData();
        // The stand-in clip has no media: its alert is answered first, as the user would.
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()), 20000);
        auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QTest::mouseClick(alert->buttons().first(), Qt::LeftButton);
        m_window->activateWindow(); // the offscreen platform has no window manager to give it back
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QTest::keyClick(m_window, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(dialog);
        QSignalSpy finished(m_delegate, &AppDelegate::openFinished);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
        // The dialog opens in the clips' folder (where the user last was); the user types a name into the
        // name field and presses Return.
        dialog->setDirectory(m_media.path());
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClicks(name, "china.mp4");
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(finished.wait(20000));
        QTRY_VERIFY(!dialog);
        disconnect(connection);

        const auto list = MyCache::playList();
        QCOMPARE(list->size(), std::size_t(2));
        QCOMPARE(list->at(0).path(), MyCache::fileKey(world));
        QCOMPARE(list->at(1).path(), MyCache::fileKey(china));
        QCOMPARE(list->at(0).activeYn(), std::optional<bool>(false));
        QCOMPARE(list->at(1).activeYn(), std::optional<bool>(true)); // the chosen file
        QCOMPARE(video->activeUrl(), std::optional<QUrl>(china));
        PlayListViewController* playlist = layout()->playlistVC();
        QCOMPARE(playlist->model()->rowCount(), 2);
        QCOMPARE(playlist->selectIndex(), 1);
        QVERIFY(playlist->model()->index(1).data(PlayListModel::MarkedRole).toBool());
    }

    void filesHandedOverAreOpened() {
        // Files given on the command line (or by a player started later) open like chosen ones; a path that
        // is not a file is logged and left out.
        TestFiles::write(m_media, "handed over.mp4",
                         ClipWriter::bareClip(SyntheticDrive::world().messages()));
        const QString clip = m_media.filePath("handed over.mp4");
        QSignalSpy finished(m_delegate, &AppDelegate::openFinished);
        QTest::ignoreMessage(QtInfoMsg, qPrintable("filename " + clip));
        QTest::ignoreMessage(QtInfoMsg, "filename /nonexistent/clip.mp4");
        QTest::ignoreMessage(QtWarningMsg, "Not a file, not opened: /nonexistent/clip.mp4");
        m_delegate->openFiles({clip, "/nonexistent/clip.mp4"});
        QVERIFY(finished.wait(20000));
        const auto list = MyCache::playList();
        QCOMPARE(list->back().path(), MyCache::fileKey(QUrl::fromLocalFile(clip)));
        QCOMPARE(layout()->videoVC()->activeUrl(), std::optional<QUrl>(QUrl::fromLocalFile(clip)));
        for (const PlayListEntry& entry : *list)
            QVERIFY(!entry.path()->contains("nonexistent"));
    }

    void aNameThatIsNotUtf8IsAddedAndRead() {
        // Latin-1 "é" (one byte 0xE9) in a name: not UTF-8, yet a file like any other.
        const QByteArray path = QFile::encodeName(m_media.path()) + "/caf\xe9 clip.mp4";
        const auto bytes = ClipWriter::bareClip(SyntheticDrive::world().messages());
        QFile file;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        QVERIFY(file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        file.close();
        const QUrl url = MyCache::urlOfLocalFile(path);
        const QString key = MyCache::fileKey(url);
        QVERIFY2(key.endsWith("/caf%E9%20clip.mp4"), qPrintable(key));
        QCOMPARE(MyCache::localPathBytes(key), path);
        QSignalSpy finished(m_delegate, &AppDelegate::openFinished);
        m_delegate->openLocalUrls({url});
        QVERIFY(finished.wait(20000));
        const auto list = MyCache::playList();
        QCOMPARE(list->back().path(), key);
        QVERIFY(list->back().body().sampleCount() > 0); // the file itself was read
        QCOMPARE(layout()->videoVC()->activeUrl(), std::optional<QUrl>(url));
    }

    void exportAndMenuKeys() {
        TestFiles::write(m_media, "export.mp4", ClipWriter::bareClip(SyntheticDrive::world().messages()));
        const QString key = MyCache::fileKey(QUrl::fromLocalFile(m_media.filePath("export.mp4")));
        MyCache::syncPlayList({PlayListEntry::fromTrackInfo(key, TrackInfo{}),
                               PlayListEntry::fromTrackInfo("file:///gone/away.mp4", TrackInfo{})});
        const QString gpx = m_media.filePath("out.gpx");
        QVERIFY(AppDelegate::exportTracks({key, "file:///gone/away.mp4"}, gpx, "GPX (*.gpx)"));
        QFile file(gpx);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QCOMPARE(text.count("<trk>"), 2);   // one track per clip
        QCOMPARE(text.count("<trkpt"), 60); // re-read from the file, with the records' times
        QVERIFY(text.contains("<time>2024-06-01T08:30:00Z</time>"));
        QProcess xmllint;
        xmllint.start("xmllint", {"--noout", gpx});
        QVERIFY(xmllint.waitForFinished(20000));
        QCOMPARE(xmllint.exitCode(), 0); // well-formed
        const QString geojson = m_media.filePath("out.geojson");
        QVERIFY(AppDelegate::exportTracks({key, "file:///gone/away.mp4"}, geojson, "GeoJSON (*.geojson)"));
        QFile geoFile(geojson);
        QVERIFY(geoFile.open(QIODevice::ReadOnly));
        QJsonParseError error;
        const QJsonArray features =
            QJsonDocument::fromJson(geoFile.readAll(), &error).object()["features"].toArray();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(features.size(), 2);
        QCOMPARE(features[0].toObject()["geometry"].toObject()["coordinates"].toArray().size(), 60);
        QVERIFY(features[1].toObject()["geometry"].isNull());
        const QString csv = m_media.filePath("out.csv");
        QVERIFY(AppDelegate::exportTracks({key}, csv, "CSV (*.csv)"));
        QFile csvFile(csv);
        QVERIFY(csvFile.open(QIODevice::ReadOnly));
        QVERIFY(csvFile.readLine().startsWith("file,second,utc_time"));
        // The driving events alone, with the thresholds of the settings: a hard stop, then no event once
        // the threshold is above what the stop loses in a second.
        SyntheticDrive stop = SyntheticDrive::world();
        stop.hardStopSecond = 20;
        TestFiles::write(m_media, "stop.mp4", ClipWriter::bareClip(stop.messages()));
        const QString stopKey = MyCache::fileKey(QUrl::fromLocalFile(m_media.filePath("stop.mp4")));
        const QString events = m_media.filePath("events.csv");
        const auto eventRows = [&] {
            QFile in(events);
            return in.open(QIODevice::ReadOnly) ? in.readAll().trimmed().split('\n') : QList<QByteArray>();
        };
        QVERIFY(AppDelegate::exportTracks({stopKey}, events, "Events CSV (*.csv)"));
        QCOMPARE(eventRows().size(), 2);
        QVERIFY(eventRows().at(0).startsWith("file,kind,second"));
        QVERIFY2(eventRows().at(1).contains(",hard_braking,"), eventRows().at(1).constData());
        SettingsStore::shared().setValue(SettingsKeys::kEventSpeedChange, 60.0f);
        QVERIFY(AppDelegate::exportTracks({stopKey}, events, "Events CSV (*.csv)"));
        QCOMPARE(eventRows().size(), 1);
        SettingsStore::shared().remove(SettingsKeys::kEventSpeedChange);

        QMap<QString, QKeySequence> keys;
        for (QAction* menu : m_window->menuBar()->actions()) {
            for (QAction* a : menu->menu()->actions())
                keys.insert(a->text(), a->shortcut());
        }
        QCOMPARE(keys.value("Back 5 Seconds"), QKeySequence(Qt::Key_Left));
        QCOMPARE(keys.value("Forward 5 Seconds"), QKeySequence(Qt::Key_Right));
        QCOMPARE(keys.value("Next Clip"), QKeySequence(Qt::Key_PageDown));
        QCOMPARE(keys.value("Previous Clip"), QKeySequence(Qt::Key_PageUp));
        QCOMPARE(keys.value("Full Screen Video"), QKeySequence(Qt::Key_F));
        QCOMPARE(keys.value("Remove Selected Clip"), QKeySequence(QKeySequence::Delete));
        QCOMPARE(keys.value("Export Track…"), QKeySequence(Qt::CTRL | Qt::Key_E));
        QVERIFY(!keys.value("Preferences…").isEmpty());
        QCOMPARE(keys.value("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(keys.value(AppResources::localized("打开文件") + "…"), QKeySequence(Qt::CTRL | Qt::Key_O));
    }

    void controlsHaveAccessibleNames() {
        QStringList unnamed;
        for (QWidget* w : m_window->findChildren<QWidget*>()) {
            // Scroll bars, Qt's own helpers and the web view's render surface name themselves.
            if (qobject_cast<QScrollBar*>(w) || w->objectName().startsWith("qt_") ||
                qobject_cast<QWebEngineView*>(w->parentWidget()))
                continue;
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSlider*>(w) ||
                                 qobject_cast<QAbstractItemView*>(w) || (w->focusPolicy() & Qt::TabFocus);
            if (!control)
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << QString(w->metaObject()->className()) + "/" + w->objectName();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }

    void tabOrder() {
        // From the play list's bar, left to right, to its rows, the video view, the map's button and the
        // map itself (its keys pan it), and round.
        PlayListViewController* playlist = layout()->playlistVC();
        const QList<QWidget*> expected{playlist->filesButton(), playlist->deleteButton(),
                                       playlist->setbutton(),   playlist->tableView(),
                                       layout()->videoVC(),     layout()->webVC()->zoomInOutButton()};
        QList<QWidget*> chain;
        QWidget* w = expected.first();
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(m_window) && w->isEnabled())
                chain << w;
            w = w->nextInFocusChain();
        } while (w != expected.first());
        QCOMPARE(chain.mid(0, expected.size()), expected);
        for (QWidget* rest : chain.mid(expected.size())) // the map, once its page has made its view
            QVERIFY(layout()->webVC()->isAncestorOf(rest));
    }

    void reopenShowsTheWindow() {
        m_window->hide();
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(m_window->isVisible());
    }

    void aboutBox() {
        QString title;
        QString text;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
        m_delegate->showHelp();
        QCOMPARE(title, QString("Kestrun Player"));
        QCOMPARE(text, QString("Version %1(Build %2)").arg(KESTRUN_EXPECTED_VERSION, KESTRUN_EXPECTED_BUILD));
    }

    void decorativeViews() {
        CVTextField tag;
        tag.resize(80, 20);
        const QImage image = render(tag);
        QCOMPARE(qAlpha(image.pixel(10, 10)), 255); // inside the tag: black
        QCOMPARE(qGray(image.pixel(10, 10)), 0);
        QCOMPARE(qAlpha(image.pixel(79, 1)), 0); // beside the point: nothing drawn
        QCOMPARE(CVTextField::tagShape(QSizeF(80, 20)),
                 QPolygonF({{0, 0}, {70, 0}, {80, 10}, {70, 20}, {0, 20}}));

        CVView panel;
        panel.resize(40, 40);
        const QImage outline = render(panel);
        QVERIFY(qAlpha(outline.pixel(3, 20)) > 0);  // the outline, 3 px in
        QCOMPARE(qAlpha(outline.pixel(20, 20)), 0); // nothing inside
        QCOMPARE(qAlpha(outline.pixel(0, 20)), 0);  // nor outside
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
