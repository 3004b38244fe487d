#include "MapPages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace MapPages {

QString directory() {
    const QString configured = qEnvironmentVariable("KESTRUN_MAP_DIR");
    if (!configured.isEmpty())
        return configured;
    return QDir(QCoreApplication::applicationDirPath() + "/../share/kestrun-player/map").absolutePath();
}

QString read(bool baidu) {
    QFile file(directory() + "/" + (baidu ? kBaidu : kGoogle));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace MapPages
