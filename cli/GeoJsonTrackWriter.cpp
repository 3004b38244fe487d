#include "GeoJsonTrackWriter.h"

#include "JsonTextWriter.h"
#include "TrackDictionary.h"
#include "TrackKeys.h"

#include <QVariantList>
#include <QVariantMap>

QByteArray GeoJsonTrackWriter::begin() {
    m_first = true;
    return "{\"type\":\"FeatureCollection\",\"features\":[\n";
}

QByteArray GeoJsonTrackWriter::track(const ExportTrack& track) {
    const auto points = positionedPoints(track);
    QVariantList coordinates;
    QVariantList times;
    for (const ExportPoint& point : points) {
        coordinates.append(QVariant(QVariantList{point.longitudeValue, point.latitudeValue}));
        times.append(point.time ? QVariant(QString::fromStdString(isoUtcText(*point.time))) : QVariant());
    }
    QVariant geometry;
    if (points.size() == 1)
        geometry = QVariantMap{{"type", "Point"}, {"coordinates", coordinates.front()}};
    else if (points.size() > 1)
        geometry = QVariantMap{{"type", "LineString"}, {"coordinates", coordinates}};

    QVariantMap properties = TrackDictionary::fromTrackInfo(track.info);
    properties.remove(TrackKeys::kVideoDatas);
    properties.insert("file", QString::fromStdString(track.path));
    properties.insert("times", times);
    const QVariantMap feature{{"type", "Feature"}, {"geometry", geometry}, {"properties", properties}};

    QByteArray out = m_first ? QByteArray() : QByteArray(",\n");
    m_first = false;
    return out + JsonTextWriter::write(feature, JsonTextWriter::NumberStyle::Shortest);
}

QByteArray GeoJsonTrackWriter::end() {
    return "\n]}\n";
}
