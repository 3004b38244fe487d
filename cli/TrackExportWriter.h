#pragma once

#include "ExportTrack.h"

#include <QByteArray>

#include <memory>
#include <optional>
#include <string_view>

enum class ExportFormat { Json, Gpx, Kml, Csv, GeoJson };

// "json", "gpx", "kml", "csv", "geojson"
std::optional<ExportFormat> exportFormatFromName(std::string_view name);

// Writes tracks as one document: begin(), track() once per file in order, end(). The text is UTF-8.
class TrackExportWriter {
public:
    virtual ~TrackExportWriter() = default;

    virtual QByteArray begin() { return {}; }
    virtual QByteArray track(const ExportTrack& track) = 0;
    virtual QByteArray end() { return {}; }

    static std::unique_ptr<TrackExportWriter> create(ExportFormat format);
};

// Text for XML character data and attribute values.
QByteArray xmlEscaped(std::string_view text);
