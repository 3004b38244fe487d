#include "CVDisplayViewController.h"

#include "AppManager.h"
#include "AppResources.h"
#include "BDTransUtil.h"
#include "DrivingEventStyle.h"
#include "MyCache.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "NumberText.h"
#include "PlayListEntry.h"
#include "SpeedView.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QColor kFigureColor(255, 82, 0);
const QColor kLegend[3] = {QColor(255, 59, 48), QColor(52, 199, 89), QColor(0, 122, 255)};
constexpr double kSecondsPerHour = 0.0002777777777777778;
constexpr const char* kSpeedFamily = "DIN Condensed";
constexpr const char* kFallbackFamily = "Barlow Condensed"; // a free condensed bold, compiled in

// What a read-out shows when the file that plays has no such figure (no fix), or when nothing plays.
const QString kNoValue = QStringLiteral("—");

QString fixed(double value, int decimals) {
    return QString::fromStdString(NumberText::formatFixed(value, decimals));
}

QLabel* label(const QString& text, QWidget* parent, const QColor& color = Qt::white) {
    auto* l = new QLabel(text, parent);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, color);
    l->setPalette(palette);
    return l;
}

QWidget* legendDot(const QColor& color, QWidget* parent) {
    auto* dot = new QWidget(parent);
    dot->setFixedSize(10, 10);
    dot->setStyleSheet(QString("background: %1; border-radius: 5px;").arg(color.name()));
    return dot;
}

void loadSpeedFont() {
    static const bool loaded = [] {
        return QFontDatabase::addApplicationFont(":/fonts/BarlowCondensed-Bold-latin.woff") >= 0;
    }();
    (void)loaded;
}

} // namespace

CVDisplayViewController::CVDisplayViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName("displayVC");
    loadSpeedFont();
    m_currentGsensorDataArr = std::make_shared<GraphEntries>();
    buildViews();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(NotificationNames::kSelectSpeed, this,
                       [this](const QVariant&) { selestSpeedNSNotification(); });
    center.addObserver(NotificationNames::kSelectMapType, this,
                       [this](const QVariant&) { selestMapTypeNSNotification(); });
    center.addObserver(NotificationNames::kSelectLatitudeFormat, this,
                       [this](const QVariant&) { selestSpeedNSNotification1(); });
    center.addObserver(NotificationNames::kImageChange, this,
                       [this](const QVariant& size) { imageWillChangSize(size.toSize()); });
    for (const char* name : {NotificationNames::kEventThresholds, NotificationNames::kSelectSpeed})
        center.addObserver(name, this, [this](const QVariant&) { showEventMarks(); });
}

void CVDisplayViewController::showEventMarks() {
    QList<CustomGsensorView::Mark> marks;
    if (const auto events = m_eventsKey.isEmpty() ? nullptr : MyCache::drivingEvents(m_eventsKey)) {
        for (const DrivingEvent& event : *events)
            marks.append({static_cast<int>(event.second), DrivingEventStyle::colour(event.kind),
                          DrivingEventStyle::tooltip(event)});
    }
    m_gsensorView->setMarks(marks);
}

void CVDisplayViewController::buildViews() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 8, 12, 8);
    grid->setHorizontalSpacing(16);

    // The gauge with the speed and its unit inside the ring.
    m_speedView = new SpeedView(this);
    m_speedView->setMinimumSize(150, 150);
    auto* inside = new QVBoxLayout(m_speedView);
    inside->addStretch(3);
    m_speedLabel = label(kNoValue, m_speedView);
    m_speedView->installEventFilter(this);
    m_speedLabel->setAccessibleName(tr("Current speed"));
    m_speedLabel->setAlignment(Qt::AlignCenter);
    QFont speedFont;
    speedFont.setFamilies({kSpeedFamily, kFallbackFamily});
    speedFont.setBold(true);
    speedFont.setPixelSize(qRound(speedFontSize(1008)));
    m_speedLabel->setFont(speedFont);
    m_speedunit = label(unitName(), m_speedView, AppResources::color("cell文字颜色"));
    m_speedunit->setAlignment(Qt::AlignCenter);
    inside->addWidget(m_speedLabel);
    inside->addWidget(m_speedunit);
    inside->addStretch(4);
    grid->addWidget(m_speedView, 0, 0, 6, 1);

    // Captions and figures.
    const auto row = [&](int r, const char* key, QLabel*& value, const QColor& color) {
        QLabel* caption = label(AppResources::localized(key), this);
        value = label(kNoValue, this, color);
        QFont f = value->font();
        f.setBold(true);
        f.setPixelSize(16);
        value->setFont(f);
        // Wide enough for the widest figure, so the graph beside them never moves when a text changes.
        value->setMinimumWidth(QFontMetrics(f).horizontalAdvance(QStringLiteral("W000°00′00″ 0.000000")) * 2 /
                               3);
        grid->addWidget(caption, r, 1);
        grid->addWidget(value, r, 2);
    };
    row(0, "平均时速", m_aevSpeedLabel, kFigureColor);
    row(1, "最高时速", m_maxSpeedLabel, kFigureColor);
    row(2, "行驶距离", m_distanceLabel, Qt::white);
    row(3, "纬度", m_LatiLabel, Qt::white);
    row(4, "经度", m_LongLabel, Qt::white);

    // The G-sensor values with the legend of the graph's curves, and the graph.
    auto* values = new QHBoxLayout;
    m_xlabel = label("X=0.0", this);
    m_ylabel = label("Y=0.0", this);
    m_zlabel = label("Z=0.0", this);
    QLabel* labels[3] = {m_xlabel, m_ylabel, m_zlabel};
    for (int i = 0; i < 3; ++i) {
        values->addWidget(legendDot(kLegend[i], this));
        values->addWidget(labels[i]);
        values->addSpacing(8);
    }
    values->addStretch(1);
    grid->addLayout(values, 0, 3);
    m_gsensorView = new CustomGsensorView(this);
    m_gsensorView->setMinimumSize(220, 110);
    m_gsensorView->setGsensorArray(m_currentGsensorDataArr);
    grid->addWidget(m_gsensorView, 1, 3, 5, 1);
    grid->setColumnStretch(3, 1);
}

bool CVDisplayViewController::implementsOperation(Operation operation) const {
    return operation == Operation::DataLogicProcessOfViodePath ||
           operation == Operation::UpdateDataByCurrentTime || operation == Operation::VideoAllTime ||
           operation == Operation::PlayNext;
}

double CVDisplayViewController::speedFactor(int speedType) {
    return SpeedUnits::factor(speedType);
}

int CVDisplayViewController::roundedSpeed(double raw, int speedType) {
    const auto value = static_cast<float>(raw * speedFactor(speedType));
    return static_cast<int>(std::lround(value));
}

QString CVDisplayViewController::unitWord(int speedType) {
    return speedType == AppManager::kSpeedKmh ? "KM" : "MILES";
}

QString CVDisplayViewController::distanceText(float distance, int speedType) {
    if (distance == 0)
        return "0 " + unitWord(speedType);
    return fixed(roundedSpeed(distance, speedType) * kSecondsPerHour, 1) + " " + unitWord(speedType);
}

QString CVDisplayViewController::positionText(float value, bool latitude, int languageShowType) {
    const double v = value;
    if (languageShowType == AppManager::kCoordinatesDms) {
        if (v == 0)
            return "0";
        const QString hemisphere = latitude ? (v < 0 ? "S" : "N") : (v < 0 ? "W" : "E");
        const double a = std::fabs(v);
        const double d = std::floor(a);
        const double m1 = (a - d) * 60;
        const double m = std::floor(m1);
        const double s = std::floor((m1 - m) * 60);
        return hemisphere + fixed(d, 0) + QChar(0x00B0) + fixed(m, 0) + QChar(0x2032) + fixed(s, 0) +
               QChar(0x2033);
    }
    if (v < 0)
        return "-" + fixed(std::fabs(v), 6);
    if (v == 0)
        return "0";
    return fixed(v, 6);
}

double CVDisplayViewController::speedFontSize(double windowWidth) {
    return windowWidth * kFontFactor;
}

QString CVDisplayViewController::unitName() const {
    return AppResources::localized(
        AppManager::sharedManager().speedType() == AppManager::kSpeedKmh ? "km_speedUnit" : "mph_speedUnit");
}

void CVDisplayViewController::dataLogicProcessOfViodePath(const std::optional<QString>& path) {
    // The position shown belongs to this file: none until one of its seconds has one. (A new unit or map
    // reads the same file again and keeps it.)
    if (path != m_currentPlayVideoPath) {
        m_currentlat.clear();
        m_currentlog.clear();
    }
    m_currentPlayVideoPath = path;
    const QString key = path.value_or(QString());
    const auto samples = path ? MyCache::findGpsDatas(key) : nullptr;
    m_currentSpeedDataArr = {};
    m_currentGsensorDataArr = std::make_shared<GraphEntries>();
    m_currentVideoGpsDataArr = {};
    const bool inChina = path ? MyCache::locationIsINChina(key) : true;
    if (samples) {
        for (const TrackSample& sample : *samples) {
            m_currentSpeedDataArr.append(sample.spd);
            m_currentGsensorDataArr->append({double(sample.gsensorX) / kGravityUnits,
                                             double(sample.gsensorY) / kGravityUnits,
                                             double(sample.gsensorZ) / kGravityUnits});
            // Indexed by second: a sample without a position keeps its place, so later seconds keep theirs.
            if (!PlayListEntryBody::hasPosition(sample)) {
                m_currentVideoGpsDataArr.append(std::nullopt);
                continue;
            }
            const float lat = NumberText::parseLeadingFloat(sample.gpsLat);
            const float lgt = NumberText::parseLeadingFloat(sample.gpsLgt);
            std::array<double, 2> position{double(lgt), double(lat)};
            if (inChina) {
                position = AppManager::sharedManager().mapType() != AppManager::kMapGoogle
                               ? BDTransUtil::wgs2bdLat(lat, lgt)
                               : BDTransUtil::wgs2gcjLat1(lat, lgt);
            }
            m_currentVideoGpsDataArr.append(QPointF(position[0], position[1]));
        }
    }
    m_gsensorView->setGsensorArray(m_currentGsensorDataArr);
    m_eventsKey = path ? key : QString();
    showEventMarks();

    const QVariantMap summary = path ? MyCache::findFileMessage(key) : QVariantMap();
    const float average = summary.value("aevSpeed").toFloat();
    const float maximum = summary.value("maxSpeed").toFloat();
    const float distance = summary.value("totailDistance").toFloat();
    const int speedType = AppManager::sharedManager().speedType();
    if (!(average > 0))
        m_currentspeed = 0;
    const int shown = roundedSpeed(m_currentspeed, speedType);
    m_speedView->updateGsensorRange(shown);
    m_speedLabel->setText(path ? QString::number(shown) : kNoValue);
    // Without a single position fix the file's figures mean nothing: dashes, not zeros.
    const bool hasFix = std::any_of(m_currentVideoGpsDataArr.begin(), m_currentVideoGpsDataArr.end(),
                                    [](const std::optional<QPointF>& p) { return p.has_value(); });
    m_aevSpeedLabel->setText(hasFix ? QString::number(roundedSpeed(average, speedType)) : kNoValue);
    m_maxSpeedLabel->setText(hasFix ? QString::number(roundedSpeed(maximum, speedType)) : kNoValue);
    m_distanceLabel->setText(hasFix ? distanceText(distance, speedType) : kNoValue);
    showPosition();
    if (!path) {
        m_gsensorView->clearView();
        for (QLabel* axis : {m_xlabel, m_ylabel, m_zlabel})
            axis->setText(axis->text().left(2) + kNoValue);
    }
}

void CVDisplayViewController::updateDataByCurrentTime(double seconds) {
    const auto n = static_cast<qint64>(seconds); // truncated toward zero
    m_gsensorView->setTotleSecond(m_totalTime);
    if (m_currentGsensorDataArr && n >= 0 && n < m_currentGsensorDataArr->size()) {
        m_gsensorView->updateGsensorRange(static_cast<int>(n));
        const QList<double>& triple = m_currentGsensorDataArr->at(n);
        m_xlabel->setText("X=" + fixed(static_cast<float>(triple.value(0)), 2));
        m_ylabel->setText("Y=" + fixed(static_cast<float>(triple.value(1)), 2));
        m_zlabel->setText("Z=" + fixed(static_cast<float>(triple.value(2)), 2));
    }
    if (n >= 0 && n < m_currentSpeedDataArr.size()) {
        const float raw = m_currentSpeedDataArr.at(n);
        m_currentspeed = raw;
        const int shown = roundedSpeed(raw, AppManager::sharedManager().speedType());
        m_speedView->updateGsensorRange(shown);
        m_speedLabel->setText(QString::number(shown));
    }
    // Second n's own position; a second without one shows nothing new.
    if (n < 0 || n >= m_currentVideoGpsDataArr.size() || !m_currentVideoGpsDataArr.at(n))
        return;
    const QPointF position = *m_currentVideoGpsDataArr.at(n);
    m_currentlat = fixed(position.y(), 6);
    m_currentlog = fixed(position.x(), 6);
    showPosition();
}

void CVDisplayViewController::showPosition() {
    if (m_currentlat.isEmpty() || m_currentlog.isEmpty()) {
        m_LatiLabel->setText(kNoValue);
        m_LongLabel->setText(kNoValue);
        return;
    }
    const float lat = NumberText::parseLeadingFloat(m_currentlat.toStdString());
    const float lgt = NumberText::parseLeadingFloat(m_currentlog.toStdString());
    // The labels change only when a coordinate's whole degrees are not 0.
    if (std::trunc(lat) == 0 && std::trunc(lgt) == 0)
        return;
    const int format = AppManager::sharedManager().languageShowType();
    m_LatiLabel->setText(positionText(lat, true, format));
    m_LongLabel->setText(positionText(lgt, false, format));
}

void CVDisplayViewController::videoAllTime(double seconds) {
    m_totalTime = static_cast<int>(seconds);
    m_gsensorView->setNewSecondTotle(m_totalTime);
}

void CVDisplayViewController::playNext(bool) {
    m_xlabel->setText("X=0.0");
    m_ylabel->setText("Y=0.0");
    m_zlabel->setText("Z=0.0");
    m_LongLabel->setText(kNoValue);
    m_LatiLabel->setText(kNoValue);
    m_speedLabel->setText("0");
    m_aevSpeedLabel->setText(kNoValue);
    m_maxSpeedLabel->setText(kNoValue);
    m_distanceLabel->setText(kNoValue);
    m_currentlat.clear();
    m_currentlog.clear();
    m_gsensorView->clearView();
}

void CVDisplayViewController::selestSpeedNSNotification() {
    m_speedunit->setText(unitName());
    dataLogicProcessOfViodePath(m_currentPlayVideoPath);
}

void CVDisplayViewController::selestMapTypeNSNotification() {
    dataLogicProcessOfViodePath(m_currentPlayVideoPath);
}

void CVDisplayViewController::selestSpeedNSNotification1() {
    showPosition();
}

void CVDisplayViewController::imageWillChangSize(const QSize& size) {
    m_windowWidth = size.width();
    applySpeedFont();
}

// The speed follows the window's width, but never outgrows the ring it sits in.
void CVDisplayViewController::applySpeedFont() {
    const double ring = std::min(m_speedView->width(), m_speedView->height());
    QFont font = m_speedLabel->font();
    font.setPixelSize(qMax(8, qRound(std::min(speedFontSize(m_windowWidth), ring * kMaxSpeedFontOfRing))));
    m_speedLabel->setFont(font);
}

bool CVDisplayViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_speedView && event->type() == QEvent::Resize)
        applySpeedFont();
    return QWidget::eventFilter(watched, event);
}
