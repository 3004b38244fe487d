#include "TestFiles.h"

#include "NmeaCoordinate.h"

#include <QFile>
#include <QProcess>

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace TestFiles {

QString write(const QTemporaryDir& dir, const QString& name, std::span<const std::byte> bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

HDGPSMessage fix(double latitude, double longitude, double knots, double heading, char status) {
    const NmeaCoordinate lat = NmeaCoordinate::latitude(latitude);
    const NmeaCoordinate lon = NmeaCoordinate::longitude(longitude);
    HDGPSMessage m = rawMessage(lat.value, lat.letter, lon.value, lon.letter, knots, status);
    m.angle = heading;
    return m;
}

HDGPSMessage rawMessage(double rawLatitude, char nsind, double rawLongitude, char ewind, double knots,
                        char status) {
    HDGPSMessage m;
    m.status = status;
    m.latitude = rawLatitude;
    m.nsind = nsind;
    m.longitude = rawLongitude;
    m.ewind = ewind;
    m.speed = knots;
    m.year = 2024;
    m.month = 6;
    m.day = 1;
    m.hour = 8;
    m.minute = 30;
    m.x = 12;
    m.y = -34;
    m.z = 1024;
    return m;
}

bool decimalCommaLocale() {
    const std::lconv* conv = std::localeconv();
    return conv && std::strcmp(conv->decimal_point, ",") == 0;
}

bool localeAsExpected() {
    const bool expected = qEnvironmentVariableIsSet("KESTRUN_EXPECT_DECIMAL_COMMA");
    return expected == decimalCommaLocale();
}

bool runFfmpeg(const QStringList& arguments, QString* error) {
    const QString program = QStringLiteral(KESTRUN_FFMPEG_PATH);
    if (program.isEmpty()) {
        if (error)
            *error = "ffmpeg not found";
        return false;
    }
    QProcess process;
    process.start(program, QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} + arguments);
    const bool finished = process.waitForFinished(120000);
    if (error)
        *error = QString::fromUtf8(process.readAllStandardError());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace TestFiles
