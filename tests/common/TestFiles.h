#pragma once

#include "HDGPSMessage.h"

#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <span>
#include <vector>

// Small helpers shared by the tests: fixture files in a temporary folder, GPS messages by value.
namespace TestFiles {

// Writes `bytes` to `dir`/`name` and returns the path.
QString write(const QTemporaryDir& dir, const QString& name, std::span<const std::byte> bytes);

// A message with a fix at the given decimal position (hemispheres from the signs), speed in knots.
HDGPSMessage fix(double latitude, double longitude, double knots, double heading = 0, char status = 'A');

// A message with the raw ddmm.mmmm values and hemisphere letters as a camera writes them.
HDGPSMessage rawMessage(double rawLatitude, char nsind, double rawLongitude, char ewind, double knots,
                        char status = 'A');

// True when the locale in force writes numbers with a decimal comma (the de_DE run of a test).
bool decimalCommaLocale();

// Fails the current test unless KESTRUN_EXPECT_DECIMAL_COMMA agrees with the locale in force, so that the
// decimal-comma run of a test really runs under such a locale.
bool localeAsExpected();

// Runs ffmpeg with `arguments`; false (with its error text in `error`) when it fails or is missing.
bool runFfmpeg(const QStringList& arguments, QString* error = nullptr);

} // namespace TestFiles
