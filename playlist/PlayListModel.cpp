#include "PlayListModel.h"

#include "AppManager.h"
#include "MyCache.h"
#include "NumberText.h"
#include "SpeedUnits.h"
#include "TimeFormatUtils.h"

#include <QUrl>

void PlayListModel::setPlayList(PlayList list, qint64 markedRow) {
    beginResetModel();
    m_list = std::move(list);
    m_marked = markedRow;
    m_trips = PlayListTrips::group(PlayListTrips::clipsOf(m_list));
    // A fold is forgotten once its clip no longer starts a trip (removed, or the trip split), so that a
    // trip formed later is not found folded.
    if (!m_folded.isEmpty()) {
        QSet<QString> starts;
        for (const PlayListTrips::Trip& trip : m_trips)
            starts.insert(m_list[trip.firstRow].path().value_or(QString()));
        m_folded.intersect(starts);
    }
    endResetModel();
}

void PlayListModel::toggleTrip(int firstRow) {
    const auto trip = PlayListTrips::tripOf(m_trips, static_cast<std::size_t>(std::max(firstRow, 0)));
    if (firstRow < 0 || !trip || trip->firstRow != static_cast<std::size_t>(firstRow))
        return;
    const QString key = m_list[trip->firstRow].path().value_or(QString());
    if (!m_folded.remove(key))
        m_folded.insert(key);
    emit dataChanged(index(firstRow), index(static_cast<int>(trip->lastRow)), {TripCollapsedRole});
}

bool PlayListModel::isFolded(int row) const {
    if (row < 0 || m_folded.isEmpty())
        return false;
    const auto trip = PlayListTrips::tripOf(m_trips, static_cast<std::size_t>(row));
    return trip && trip->firstRow != static_cast<std::size_t>(row) &&
           m_folded.contains(m_list[trip->firstRow].path().value_or(QString()));
}

QString PlayListModel::tripHeaderText(const PlayListTrips::Trip& trip, int speedType) {
    // Kilometres from knots via km/h, miles the way the dashboard counts them (mph per knot).
    const double distance = trip.distanceKm / SpeedUnits::kKmhFactor * SpeedUnits::factor(speedType);
    const QString unit = speedType == AppManager::kSpeedKmh ? "km" : "mi";
    return tr("Trip · %1 clips · %2 · %3")
        .arg(trip.clipCount())
        .arg(TimeFormatUtils::stringFromSeconds(static_cast<std::int32_t>(trip.durationSeconds)))
        .arg(QString::fromStdString(NumberText::formatFixed(distance, 1)) + " " + unit);
}

void PlayListModel::setSelectedRows(const QList<int>& rows) {
    m_selected = rows;
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {SelectedRole});
}

int PlayListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.size());
}

QString PlayListModel::fileName(const QString& key) {
    return QUrl::fromPercentEncoding(key.section('/', -1).toUtf8());
}

QString PlayListModel::sizeText(float megabytes) {
    return QString::fromStdString(NumberText::formatFixed(megabytes, 1)) + "M";
}

QString PlayListModel::gpsText(const PlayListEntry& entry) {
    const std::size_t seconds = entry.body().sampleCount();
    if (seconds == 0)
        return tr("no GPS");
    if (entry.body().fixCount() == std::optional<std::size_t>(0))
        return tr("no fix");
    if (seconds < 60)
        return tr("%1 s GPS").arg(seconds);
    // Minutes and seconds, with hours once there are any: "3:00 GPS", "1:02:00 GPS".
    const std::size_t hours = seconds / 3600;
    const std::size_t minutes = seconds / 60 % 60;
    const QString rest = QString("%1").arg(seconds % 60, 2, 10, QChar('0'));
    const QString length = hours > 0
                               ? QString("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QChar('0')).arg(rest)
                               : QString("%1:%2").arg(minutes).arg(rest);
    return tr("%1 GPS").arg(length);
}

QString PlayListModel::recordTimeText(const QString& isoUtc) {
    return TimeFormatUtils::localRecordTime(isoUtc);
}

QVariant PlayListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const PlayListEntry& entry = m_list.at(static_cast<std::size_t>(index.row()));
    const PlayListEntryBody& body = entry.body();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return fileName(entry.path().value_or(QString()));
    case Qt::ToolTipRole: {
        const QString file = QUrl(entry.path().value_or(QString())).toLocalFile();
        // The path, then the two dates the row shows: when the camera recorded it and when it was added.
        QStringList lines{file};
        const QString recorded = body.recordTime ? recordTimeText(*body.recordTime) : QString();
        if (!recorded.isEmpty())
            lines.append(tr("Recorded %1").arg(recorded));
        if (body.fileTime && !body.fileTime->isEmpty())
            lines.append(tr("Added %1").arg(*body.fileTime));
        return lines.join('\n');
    }
    case KeyRole:
        return entry.path().value_or(QString());
    case TimeRole:
        return body.fileTime ? QVariant(*body.fileTime) : QVariant();
    case SizeRole:
        return body.fileSize ? QVariant(sizeText(*body.fileSize)) : QVariant();
    case GpsRole:
        return gpsText(entry);
    case HasGpsRole:
        return body.sampleCount() > 0 && body.fixCount() != std::optional<std::size_t>(0);
    case EventCountRole: {
        // Found from the track, read from the store for the rows that show (and kept).
        const auto events =
            body.hasSamples() ? MyCache::drivingEvents(entry.path().value_or(QString())) : nullptr;
        return events ? static_cast<int>(events->size()) : 0;
    }
    case RecordTimeRole: {
        const QString text = body.recordTime ? recordTimeText(*body.recordTime) : QString();
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case TripHeaderRole:
    case TripCollapsedRole: {
        const auto trip = PlayListTrips::tripOf(m_trips, static_cast<std::size_t>(index.row()));
        if (!trip || trip->firstRow != static_cast<std::size_t>(index.row()))
            return {};
        if (role == TripCollapsedRole)
            return m_folded.contains(entry.path().value_or(QString()));
        return tripHeaderText(*trip, AppManager::sharedManager().speedType());
    }
    case MarkedRole:
        return index.row() == m_marked;
    case SelectedRole:
        return m_selected.contains(index.row());
    default:
        return {};
    }
}
