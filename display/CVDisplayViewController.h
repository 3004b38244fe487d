#pragma once

#include "CVModuleProtocol.h"
#include "CustomGsensorView.h"
#include "SpeedUnits.h"

#include <QList>
#include <QPointF>
#include <QWidget>

#include <optional>

class QLabel;
class SpeedView;

// The telemetry dashboard module: the current speed (number and gauge), the file's average and maximum
// speed and distance, the current position and G-sensor values, and the G-sensor graph, for the file that
// plays, in the units and formats chosen in the settings. Main thread only.
class CVDisplayViewController : public QWidget, public CVModuleProtocol {
    Q_OBJECT
public:
    static constexpr double kKmhFactor = SpeedUnits::kKmhFactor;
    static constexpr double kMphFactor = SpeedUnits::kMphFactor;
    static constexpr double kGravityUnits = 1024;
    static constexpr double kFontFactor = 0.046632124352331605; // 9/193 of the window width
    static constexpr double kMaxSpeedFontOfRing = 0.36;         // the speed's height within the ring

    explicit CVDisplayViewController(QWidget* parent = nullptr);

    bool implementsOperation(Operation operation) const override;
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) override; // Load
    void updateDataByCurrentTime(double seconds) override;                         // Tick
    void videoAllTime(double seconds) override;
    void playNext(bool next) override; // Reset

    // Notification handlers.
    void selestSpeedNSNotification();
    void selestMapTypeNSNotification();
    void selestSpeedNSNotification1();
    void imageWillChangSize(const QSize& size);

    // The rules, as pure functions.
    static double speedFactor(int speedType);
    // raw × f in double precision, narrowed to single, rounded half away from zero.
    static int roundedSpeed(double raw, int speedType);
    static QString unitWord(int speedType); // "KM" or "MILES"
    static QString distanceText(float distance, int speedType);
    static QString positionText(float value, bool latitude, int languageShowType);
    static double speedFontSize(double windowWidth);

    QLabel* speedLabel() const { return m_speedLabel; }
    QLabel* speedunit() const { return m_speedunit; }
    QLabel* aevSpeedLabel() const { return m_aevSpeedLabel; }
    QLabel* maxSpeedLabel() const { return m_maxSpeedLabel; }
    QLabel* distanceLabel() const { return m_distanceLabel; }
    QLabel* latiLabel() const { return m_LatiLabel; }
    QLabel* longLabel() const { return m_LongLabel; }
    QLabel* xlabel() const { return m_xlabel; }
    QLabel* ylabel() const { return m_ylabel; }
    QLabel* zlabel() const { return m_zlabel; }
    SpeedView* speedView() const { return m_speedView; }
    CustomGsensorView* gsensorView() const { return m_gsensorView; }
    std::optional<QString> activePath() const { return m_currentPlayVideoPath; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The driving events of the file that shows, marked on the G-sensor graph.
    void showEventMarks();
    QString m_eventsKey;
    void applySpeedFont();
    double m_windowWidth = 1008;
    void buildViews();
    void showPosition();
    QString unitName() const;

    // Per-file lists, by second.
    QList<float> m_currentSpeedDataArr;                     // knots
    SharedGraphEntries m_currentGsensorDataArr;             // g, shared with the graph
    QList<std::optional<QPointF>> m_currentVideoGpsDataArr; // (longitude, latitude) in the map's datum

    std::optional<QString> m_currentPlayVideoPath;
    int m_totalTime = 0;
    double m_currentspeed = 0;
    QString m_currentlat = "0.000000";
    QString m_currentlog = "0.000000";

    QLabel* m_speedLabel = nullptr;
    QLabel* m_speedunit = nullptr;
    QLabel* m_aevSpeedLabel = nullptr;
    QLabel* m_maxSpeedLabel = nullptr;
    QLabel* m_distanceLabel = nullptr;
    QLabel* m_LatiLabel = nullptr;
    QLabel* m_LongLabel = nullptr;
    QLabel* m_xlabel = nullptr;
    QLabel* m_ylabel = nullptr;
    QLabel* m_zlabel = nullptr;
    SpeedView* m_speedView = nullptr;
    CustomGsensorView* m_gsensorView = nullptr;
};
