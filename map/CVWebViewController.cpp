#include "CVWebViewController.h"
#include "KestrunLog.h"

#include "AppLinks.h"
#include "AppManager.h"
#include "AppResources.h"
#include "BDTransUtil.h"
#include "JsonTextWriter.h"
#include "MapPages.h"
#include "MapPlayerChannel.h"
#include "MyCache.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "NumberText.h"
#include "PlayListTrips.h"
#include "Reachability.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SpeedUnits.h"

#include <QLabel>
#include <QPointer>
#include <QStackedLayout>
#include <QToolButton>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <QtDebug>

namespace {

QString g_googleHost = "www.google.com";
QString g_baiduHost = "map.baidu.com";
QPointer<QWebEngineUrlRequestInterceptor> g_interceptor;

QString json(const QVariant& value) {
    return QString::fromUtf8(JsonTextWriter::write(value, JsonTextWriter::NumberStyle::Double17g));
}

bool baiduSelected() {
    return AppManager::sharedManager().mapType() != AppManager::kMapGoogle;
}

// A sample's position in the form of the page that is loaded, in the datum of its tiles; none for a second
// without a position.
std::optional<QVariant> pagePoint(const TrackSample& sample, bool inChina) {
    const float lat = NumberText::parseLeadingFloat(sample.gpsLat);
    const float lgt = NumberText::parseLeadingFloat(sample.gpsLgt);
    if (lat == 0 || lgt == 0)
        return std::nullopt;
    if (!baiduSelected()) {
        if (inChina) {
            const auto gcj = BDTransUtil::wgs2gcjLat(NumberText::parseLeadingDouble(sample.gpsLat),
                                                     NumberText::parseLeadingDouble(sample.gpsLgt));
            return QVariantMap{{"lat", gcj[0]}, {"lng", gcj[1]}};
        }
        return QVariantMap{{"lat", lat}, {"lng", lgt}};
    }
    if (inChina) {
        const auto bd = BDTransUtil::wgs2bdLat(lat, lgt);
        return QVariantList{bd[0], bd[1]};
    }
    return QVariantList{lgt, lat};
}

// The most clips of a trip drawn around the one that plays, on either side (half an hour of three-minute
// clips), and how many clips' routes are kept for the next switch within the trip.
constexpr std::size_t kTripClipsEachSide = 10;
constexpr qsizetype kKeptRoutes = 4 * kTripClipsEachSide;

} // namespace

void CVWebViewController::setProbeHosts(const QString& google, const QString& baidu) {
    g_googleHost = google;
    g_baiduHost = baidu;
}

void CVWebViewController::setRequestInterceptor(QWebEngineUrlRequestInterceptor* interceptor) {
    g_interceptor = interceptor;
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(interceptor);
}

CVWebViewController::CVWebViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName("webVC");
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(10, 16, 25));
    setPalette(palette);

    auto* stack = new QStackedLayout(this);
    stack->setStackingMode(QStackedLayout::StackAll);
    m_teeet = new QLabel(AppResources::localized("请检查网络连接"), this);
    m_teeet->setAlignment(Qt::AlignCenter);
    m_teeet->setWordWrap(true);
    m_teeet->setMaximumHeight(2 * m_teeet->fontMetrics().lineSpacing() + 4);
    QPalette text = m_teeet->palette();
    text.setColor(QPalette::WindowText, QColor(82, 88, 93));
    m_teeet->setPalette(text);
    m_teeet->hide(); // its text is the page's banner; the label itself would show through the map
    m_zoomInOut = new QToolButton(this);
    m_zoomInOut->setIcon(
        QIcon(AppResources::picture("map_recentre", QSize(24, 24), devicePixelRatioF())));
    m_zoomInOut->setToolTip(tr("Centre the map on the car"));
    m_zoomInOut->setAccessibleName(tr("Centre the map on the car"));
    m_zoomInOut->setAutoRaise(true);
    connect(m_zoomInOut, &QToolButton::clicked, this, &CVWebViewController::zoomInOut);

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(NotificationNames::kImageChange, this,
                       [this](const QVariant& size) { imageWillChangSize(size.toSize()); });
    createWebView();
    startInternetNotification();
    center.addObserver(NotificationNames::kSelectMapType, this,
                       [this](const QVariant&) { selestMapTypeNSNotification(); });
    center.addObserver(NotificationNames::kWindowFullChange, this, [](const QVariant&) {});
    // The route's colours and the legend's unit follow the settings.
    for (const char* name : {NotificationNames::kRouteColours, NotificationNames::kSelectSpeed}) {
        center.addObserver(name, this, [this](const QVariant&) {
            if (!m_pageLoaded)
                return;
            evaluate(speedColoursScript());
            if (m_routeOnPage && !m_route.isEmpty())
                evaluate(drawScript()); // a lone route is sent with its speeds while they colour it
        });
    }
}

CVWebViewController::~CVWebViewController() {
    if (m_monitor)
        m_monitor->stopNotifier();
}

void CVWebViewController::createWebView() {
    m_webview = new QWebEngineView(this);
    m_webview->setAttribute(Qt::WA_DontShowOnScreen, false);
    // The view stays shown: before its page has loaded it shows the pane's background, and without the
    // tile server the page draws its own base map under an offline banner.
    m_webview->page()->setBackgroundColor(QColor(10, 16, 25));
    m_webview->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    m_webview->setContextMenuPolicy(Qt::NoContextMenu);
    m_webview->setAccessibleName(tr("Map"));
    if (g_interceptor)
        m_webview->page()->profile()->setUrlRequestInterceptor(g_interceptor);
    // The page reports clicks on the route through the web channel.
    if (!m_channel) {
        m_channel = new MapPlayerChannel(this);
        connect(m_channel, &MapPlayerChannel::routePointClicked, this, [this](int clip, int point) {
            // After the page's call has returned: playing another file reloads this page's route.
            QMetaObject::invokeMethod(
                this, [this, clip, point] { routePointClicked(clip, point); }, Qt::QueuedConnection);
        });
    }
    auto* channel = new QWebChannel(m_webview->page());
    channel->registerObject("kestrunPlayer", m_channel);
    m_webview->page()->setWebChannel(channel);
    QWebEngineView* view = m_webview;
    connect(m_webview, &QWebEngineView::loadFinished, this,
            [this, view](bool ok) { pageLoadFinished(view, ok); });
    static_cast<QStackedLayout*>(layout())->addWidget(m_webview);
    m_zoomInOut->raise();
}

void CVWebViewController::startInternetNotification() {
    // One monitor at a time: the previous provider's monitor stops.
    if (m_monitor)
        m_monitor->stopNotifier();
    m_monitor = Reachability::reachabilityWithHostname(baiduSelected() ? g_baiduHost : g_googleHost);
    if (!m_monitor)
        return;
    QPointer<CVWebViewController> self(this);
    m_monitor->setReachableBlock([self](Reachability&) {
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (!self)
                    return;
                self->setOffline(false);
            },
            Qt::QueuedConnection);
    });
    m_monitor->setUnreachableBlock([self](Reachability&) {
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (!self)
                    return;
                self->setOffline(true);
            },
            Qt::QueuedConnection);
    });
    m_monitor->startNotifier();
}

bool CVWebViewController::implementsOperation(Operation operation) const {
    return operation == Operation::DataLogicProcessOfViodePath ||
           operation == Operation::UpdateDataByCurrentTime || operation == Operation::VideoAllTime;
}

void CVWebViewController::setOffline(bool offline) {
    const bool changed = m_offline != offline;
    m_offline = offline;
    if (!m_pageLoaded && !m_pageLoading) {
        reloadHtmlData(); // the first report, or a report after a map change: load the page either way
        return;
    }
    if (m_pageLoaded && (changed || offline))
        evaluate(offlineScript());
    // A page still loading is told when it has finished.
}

QString CVWebViewController::offlineScript() const {
    if (!m_offline)
        return "setOffline(false)";
    return "setOffline(true," + QString::fromUtf8(JsonTextWriter::quoted(m_teeet->text())) + ")";
}

void CVWebViewController::loadMapHTMLData(bool baidu) {
    m_pageLoaded = false;
    m_pageLoading = true;
    m_routeOnPage = false;
    m_webview->setHtml(MapPages::read(baidu), QUrl::fromLocalFile(MapPages::directory() + "/"));
}

void CVWebViewController::reloadHtmlData() {
    loadMapHTMLData(baiduSelected());
}

void CVWebViewController::pageLoadFinished(QWebEngineView* view, bool ok) {
    if (view != m_webview)
        return; // a replaced view
    m_pageLoading = false;
    if (!ok) {
        qCInfo(lcKestrun) << "地图加载失败失败失败失败失败";
        return;
    }
    qCInfo(lcKestrun) << "加载地图加载地图加载地图加载地图";
    m_pageLoaded = true;
    // The layout raised this view over the re-centre button when it made it current (after a map change,
    // once the old view had gone): the button goes back on top.
    m_zoomInOut->raise();
    if (SettingsStore::shared().value(SettingsKeys::kRouteSpeedColours).toBool())
        evaluate(speedColoursScript()); // a page starts with plain routes

    // The route goes onto the new page after a map change or a recovery, and also when the file was
    // handed over before this page had loaded.
    if ((m_isAgain || !m_routeOnPage) && !m_route.isEmpty()) {
        evaluate(drawScript());
        m_routeOnPage = true;
        // After a map change the car goes back where it stood, in the new page's coordinates, whether
        // or not the video moves.
        if (m_isAgain && m_markerSecond)
            placeMarker(*m_markerSecond);
    }
    m_isAgain = false;
    if (m_offline)
        evaluate(offlineScript());
    emit pageFinished(ok);
}

QString CVWebViewController::drawScript() const {
    // A lone route is drawn plain, unless its colours need its speeds.
    if (m_trip.size() < 2 && !SettingsStore::shared().value(SettingsKeys::kRouteSpeedColours).toBool())
        return "drawPolyLinePath(" + json(m_route) + ")";
    QVariantList clips;
    for (const TripClip& clip : m_trip)
        clips.append(QVariantMap{{"points", clip.points}, {"speeds", clip.speeds}});
    return "drawTrip(" + json(clips) + "," + QString::number(m_tripCurrent) + ")";
}

QString CVWebViewController::speedColoursScript() const {
    const bool on = SettingsStore::shared().value(SettingsKeys::kRouteSpeedColours).toBool();
    const int speedType = AppManager::sharedManager().speedType();
    // The page is given km/h; the legend counts in the unit in force.
    const QVariantMap unit{{"name", speedType == AppManager::kSpeedKmh ? "km/h" : "mph"},
                           {"factor", SpeedUnits::factor(speedType) / SpeedUnits::kKmhFactor}};
    return QString("setSpeedColours(") + (on ? "true" : "false") + "," + json(unit) + ")";
}

void CVWebViewController::readTrip(const QString& path) {
    m_trip.clear();
    m_tripCurrent = -1;
    // The playing file alone, unless it is a clip of a trip in the list.
    TripClip own{path, m_route, {}, {}};
    const auto samples = MyCache::findGpsDatas(path);
    for (qsizetype second = 0; second < m_bySecond.size(); ++second) {
        if (m_bySecond[second]) {
            own.secondOfPoint.append(static_cast<int>(second));
            own.speeds.append(double(samples->at(static_cast<std::size_t>(second)).spd) *
                              SpeedUnits::kKmhFactor);
        }
    }
    const auto list = MyCache::playList();
    std::optional<std::size_t> row;
    for (std::size_t i = 0; list && i < list->size(); ++i) {
        if (list->at(i).path() == path) {
            row = i;
            break;
        }
    }
    const auto trip =
        row ? PlayListTrips::tripOf(PlayListTrips::group(PlayListTrips::clipsOf(*list)), *row) : std::nullopt;
    if (!trip) {
        m_trip.append(own);
        m_tripCurrent = 0;
        return;
    }
    const std::size_t first =
        std::max(trip->firstRow, *row - std::min<std::size_t>(*row, kTripClipsEachSide));
    const std::size_t last = std::min(trip->lastRow, *row + kTripClipsEachSide);
    for (std::size_t i = first; i <= last; ++i) {
        if (i == *row) {
            m_tripCurrent = static_cast<int>(m_trip.size());
            m_trip.append(own);
            continue;
        }
        const QString key = list->at(i).path().value_or(QString());
        // The next clip of a drive draws the same neighbours: their routes are kept, for the map in use.
        const QString kept = (baiduSelected() ? "baidu " : "google ") + key;
        if (const auto found = m_keptRoutes.constFind(kept); found != m_keptRoutes.cend()) {
            m_trip.append(*found);
            continue;
        }
        const auto clipSamples = MyCache::findGpsDatas(key);
        const bool clipInChina = MyCache::locationIsINChina(key);
        TripClip clip{key, {}, {}, {}};
        for (std::size_t second = 0; clipSamples && second < clipSamples->size(); ++second) {
            if (const auto point = pagePoint(clipSamples->at(second), clipInChina)) {
                clip.points.append(*point);
                clip.speeds.append(double(clipSamples->at(second).spd) * SpeedUnits::kKmhFactor);
                clip.secondOfPoint.append(static_cast<int>(second));
            }
        }
        if (m_keptRoutes.size() >= kKeptRoutes)
            m_keptRoutes.clear();
        m_keptRoutes.insert(kept, clip);
        m_trip.append(clip);
    }
}

void CVWebViewController::routePointClicked(int clip, int point) {
    if (clip < 0 || clip >= m_trip.size() || point < 0 || point >= m_trip[clip].secondOfPoint.size())
        return;
    // Only a file that is still listed plays (the page may show a route a moment longer than its row).
    const auto list = MyCache::playList();
    const QString& key = m_trip[clip].key;
    if (!list || std::none_of(list->begin(), list->end(),
                              [&key](const PlayListEntry& entry) { return entry.path() == key; }))
        return;
    if (PlaybackControl* video = AppLinks::shared().videoVC())
        video->playFileAt(m_trip[clip].key, m_trip[clip].secondOfPoint[point]);
}

void CVWebViewController::evaluate(const QString& script) {
    m_sent << script;
    m_webview->page()->runJavaScript(script);
}

void CVWebViewController::dataLogicProcessOfViodePath(const std::optional<QString>& path) {
    if (!path) {
        // No file: nothing of the last one stays, on the fresh page or under a click.
        m_currentPlayVideoPath.reset();
        m_route = {};
        m_bySecond = {};
        m_trip.clear();
        m_tripCurrent = -1;
        m_currentAddress = QVariant();
        m_markerSecond.reset();
        reloadHtmlData();
        return;
    }
    if (path != m_currentPlayVideoPath)
        m_markerSecond.reset(); // another file: its car is placed when its time comes
    distanceDelegate.totalDistance(0);
    const bool inChina = MyCache::locationIsINChina(*path);
    m_currentPlayVideoPath = path;
    const auto samples = MyCache::findGpsDatas(*path);
    m_route = {};
    m_bySecond = {};
    if (samples) {
        for (const TrackSample& sample : *samples) {
            const std::optional<QVariant> point = pagePoint(sample, inChina);
            m_bySecond.append(point ? std::optional<int>(static_cast<int>(m_route.size())) : std::nullopt);
            if (point)
                m_route.append(
                    *point); // a second without a position is left out; later ones keep their places
        }
    }
    readTrip(*path);
    if (m_route.isEmpty()) {
        reloadHtmlData(); // the fresh page shows no route
        return;
    }
    if (m_pageLoaded) {
        evaluate(drawScript());
        m_routeOnPage = true;
    } else {
        m_routeOnPage = false; // drawn when the page has loaded
    }
}

void CVWebViewController::updateDataByCurrentTime(double seconds) {
    if (m_isAgain || m_route.isEmpty() || !m_pageLoaded)
        return;
    placeMarker(static_cast<qint64>(seconds));
}

void CVWebViewController::placeMarker(qint64 second) {
    if (second < 0 || second >= m_bySecond.size() || !m_bySecond.at(second))
        return; // past the end, or a second without a position: the marker stays
    m_markerSecond = second;
    m_currentAddress = m_route.at(*m_bySecond.at(second));
    evaluate("updateMarkerPosition(" + json(m_currentAddress) + ")");
}

void CVWebViewController::videoAllTime(double seconds) {
    m_totalTime = seconds;
}

void CVWebViewController::zoomInOut() {
    if (m_currentAddress.isValid())
        evaluate("updateNewCenterPosition(" + json(m_currentAddress) + ")");
    else
        loadMapHTMLData(baiduSelected());
}

void CVWebViewController::selestMapTypeNSNotification() {
    m_webview->disconnect(this);
    m_webview->deleteLater();
    m_webview = nullptr;
    m_isAgain = true;
    m_pageLoaded = false;
    m_pageLoading = false;
    createWebView();
    dataLogicProcessOfViodePath(m_currentPlayVideoPath);
    startInternetNotification();
}

int CVWebViewController::imageH() const {
    return m_zoomInOut->height();
}

void CVWebViewController::imageWillChangSize(const QSize& size) {
    const int h = qMax(16, qRound(size.width() * kImageFactor));
    m_zoomInOut->setFixedSize(h, h);
    m_zoomInOut->setIconSize(QSize(h - 6, h - 6));
    placeRecentreButton();
}

void CVWebViewController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeRecentreButton();
}

// The re-centre button stands in the map's top right corner: the page keeps its zoom buttons at the top
// left, its banner at the top centre, the legend and the credits at the bottom.
void CVWebViewController::placeRecentreButton() {
    constexpr int kMargin = 10;
    m_zoomInOut->move(width() - m_zoomInOut->width() - kMargin, kMargin);
}
