#pragma once

#include "ExportTrack.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

enum class ExportFormat { Json, Gpx, Kml, Csv, GeoJson };

// "json", "gpx", "kml", "csv", "geojson"
std::optional<ExportFormat> exportFormatFromName(std::string_view name);

// Writes tracks as one document: begin(), track() once per file in order, end(). The text is UTF-8 (CSV
// keeps file names as the file system's bytes); a name that is not UTF-8 never makes a document invalid.
class TrackExportWriter {
public:
    virtual ~TrackExportWriter() = default;

    virtual std::string begin() { return {}; }
    virtual std::string track(const ExportTrack& track) = 0;
    virtual std::string end() { return {}; }

    static std::unique_ptr<TrackExportWriter> create(ExportFormat format);
};
