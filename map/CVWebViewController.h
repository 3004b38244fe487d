#pragma once

#include "CVModuleProtocol.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <memory>
#include <optional>

class MapPlayerChannel;
class QLabel;
class QToolButton;
class QWebEngineView;
class QWebEngineUrlRequestInterceptor;
class Reachability;

// The map module: a web view with the Google or Baidu map page, the active file's route drawn on it and a
// marker that follows the video. The page is driven only through script functions with compact JSON
// arguments. While the provider's host cannot be reached the page stays, drawing its own base map, and shows
// the message (the text of teeet, a label never shown) as a banner over it (setOffline).
class CVWebViewController : public QWidget, public CVModuleProtocol {
    Q_OBJECT
public:
    static constexpr double kImageFactor = 0.029761904761904764; // 5/168 of the window width

    explicit CVWebViewController(QWidget* parent = nullptr);
    ~CVWebViewController() override;

    // Hosts probed for each provider (tests point them at loopback or a fake).
    static void setProbeHosts(const QString& google, const QString& baidu);
    // An interceptor installed on every page's profile (tests block every non-local host).
    static void setRequestInterceptor(QWebEngineUrlRequestInterceptor* interceptor);

    bool implementsOperation(Operation operation) const override;
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) override; // Load
    void updateDataByCurrentTime(double seconds) override;                         // Tick
    void videoAllTime(double seconds) override;

    void loadMapHTMLData(bool baidu);
    void reloadHtmlData();
    void zoomInOut(); // Re-centre
    void selestMapTypeNSNotification();
    void imageWillChangSize(const QSize& size);
    // What the reachability monitor reports: the page is loaded if it has not been yet, else told to show or
    // drop its offline banner.
    void setOffline(bool offline);

    // The script text for the route (exactly as evaluated): the file's own route, or, when the file is one
    // clip of a trip (consecutive clips of one drive), every clip's route with the file's highlighted.
    QString drawScript() const;
    // "setSpeedColours(<on>,{"name":"km/h","factor":1})": whether routes are coloured by speed, and in
    // which unit the legend counts.
    QString speedColoursScript() const;
    // A click on the drawn route: plays the clip of the trip (0 for a lone route) from the second of its
    // point; indexes the page did not draw are ignored.
    void routePointClicked(int clip, int point);
    // "setOffline(true,<message as JSON text>)" or "setOffline(false)".
    QString offlineScript() const;

    // State, for tests.
    QWebEngineView* webview() const { return m_webview; }
    QLabel* teeet() const { return m_teeet; }
    bool isAgain() const { return m_isAgain; }
    bool pageLoaded() const { return m_pageLoaded; }
    bool offline() const { return m_offline; }
    QVariantList route() const { return m_route; }
    // The clips drawn (one for a lone route) and which of them plays.
    int tripClipCount() const { return static_cast<int>(m_trip.size()); }
    int tripCurrent() const { return m_tripCurrent; }
    QVariantList tripPoints(int clip) const {
        return clip >= 0 && clip < m_trip.size() ? m_trip[clip].points : QVariantList();
    }
    QStringList sentScripts() const { return m_sent; }
    QToolButton* zoomInOutButton() const { return m_zoomInOut; }
    void clearSentScripts() { m_sent.clear(); }
    double totalTime() const { return m_totalTime; }
    int imageH() const;
    std::shared_ptr<Reachability> monitor() const { return m_monitor; }

    ModuleRef distanceDelegate;  // the dashboard
    ModuleRef zoomInOutDelegate; // the layout controller

signals:
    // A page finished loading (true) or failed (false).
    void pageFinished(bool ok);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Puts the car at that second of the file, when the file has a position for it.
    void placeMarker(qint64 second);

    void createWebView();
    void startInternetNotification();
    void pageLoadFinished(QWebEngineView* view, bool ok);
    void placeRecentreButton();
    void evaluate(const QString& script);
    // The file's trip, read from the play list: every clip's route and speeds in the page's form.
    void readTrip(const QString& path);

    // One clip of the drawn trip: its file key, its points in the page's form, its speeds in km/h and the
    // second of each point (seconds without a position draw no point).
    struct TripClip {
        QString key;
        QVariantList points;
        QVariantList speeds;
        QList<int> secondOfPoint;
    };

    QWebEngineView* m_webview = nullptr;
    QLabel* m_teeet = nullptr;
    QToolButton* m_zoomInOut = nullptr;
    std::shared_ptr<Reachability> m_monitor;

    QVariantList m_route;                 // entries in the page's form
    QList<std::optional<int>> m_bySecond; // route entry of each second, when that second has a position
    QList<TripClip> m_trip;               // the clips drawn; the playing file's alone outside a trip
    int m_tripCurrent = -1;
    QHash<QString, TripClip> m_keptRoutes; // other clips' routes by map and file key
    MapPlayerChannel* m_channel = nullptr;
    QVariant m_currentAddress;
    std::optional<qint64> m_markerSecond; // the second of the file the marker was last placed at
    std::optional<QString> m_currentPlayVideoPath;
    bool m_isAgain = false;
    bool m_pageLoaded = false;
    bool m_pageLoading = false;
    bool m_offline = false;
    bool m_routeOnPage = false;
    double m_totalTime = 0;
    QStringList m_sent;
};
