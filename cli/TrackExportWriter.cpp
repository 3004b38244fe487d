#include "TrackExportWriter.h"

#include "CsvTrackWriter.h"
#include "GeoJsonTrackWriter.h"
#include "GpxTrackWriter.h"
#include "JsonLinesTrackWriter.h"
#include "KmlTrackWriter.h"

std::optional<ExportFormat> exportFormatFromName(std::string_view name) {
    if (name == "json")
        return ExportFormat::Json;
    if (name == "gpx")
        return ExportFormat::Gpx;
    if (name == "kml")
        return ExportFormat::Kml;
    if (name == "csv")
        return ExportFormat::Csv;
    if (name == "geojson")
        return ExportFormat::GeoJson;
    return std::nullopt;
}

std::unique_ptr<TrackExportWriter> TrackExportWriter::create(ExportFormat format) {
    switch (format) {
    case ExportFormat::Json:
        return std::make_unique<JsonLinesTrackWriter>();
    case ExportFormat::Gpx:
        return std::make_unique<GpxTrackWriter>();
    case ExportFormat::Kml:
        return std::make_unique<KmlTrackWriter>();
    case ExportFormat::Csv:
        return std::make_unique<CsvTrackWriter>();
    case ExportFormat::GeoJson:
        return std::make_unique<GeoJsonTrackWriter>();
    }
    return nullptr;
}
