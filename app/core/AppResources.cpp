#include "AppResources.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSvgRenderer>
#include <QTranslator>

#ifndef KESTRUN_VERSION
#define KESTRUN_VERSION "0.0.0"
#endif
#ifndef KESTRUN_BUILD_NUMBER
#define KESTRUN_BUILD_NUMBER "0"
#endif

namespace {

constexpr const char* kDefaultTable = "Localizable";
constexpr const char* kInfoPlistTable = "InfoPlist";
constexpr const char* kDisplayNameKey = "CFBundleDisplayName";
constexpr const char* kFallbackDisplayName = "Kestrun Player";

const QHash<QString, QColor>& namedColors() {
    static const QHash<QString, QColor> colors = [] {
        QHash<QString, QColor> table;
        QFile file(":/colors/NamedColors.json");
        if (file.open(QIODevice::ReadOnly)) {
            const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
            for (auto it = object.begin(); it != object.end(); ++it)
                table.insert(it.key(), QColor::fromString(it.value().toString()));
        }
        return table;
    }();
    return colors;
}

} // namespace

QString AppResources::localized(const char* key) {
    return QCoreApplication::translate(kDefaultTable, key);
}

QString AppResources::displayName() {
    const QString name = QCoreApplication::translate(kInfoPlistTable, kDisplayNameKey);
    return name == QLatin1StringView(kDisplayNameKey) ? QString(kFallbackDisplayName) : name;
}

QString AppResources::shortVersion() {
    return QStringLiteral(KESTRUN_VERSION);
}

QString AppResources::buildVersion() {
    return QStringLiteral(KESTRUN_BUILD_NUMBER);
}

QColor AppResources::color(const QString& name) {
    return namedColors().value(name);
}

QString AppResources::picturePath(const QString& name) {
    for (const QString& candidate :
         {":/pictures/" + name + ".svg", ":/pictures/" + name + ".png", ":/pictures/" + name}) {
        if (QFile::exists(candidate))
            return candidate;
    }
    return {};
}

QPixmap AppResources::picture(const QString& name, const QSize& size, qreal devicePixelRatio) {
    const QString path = picturePath(name);
    if (path.isEmpty() || size.isEmpty())
        return {};
    if (!path.endsWith(".svg"))
        return QPixmap(path).scaled(size * devicePixelRatio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QString AppResources::installTranslations(const QStringList& preferredLanguages) {
    const QString first = preferredLanguages.isEmpty() ? QString() : preferredLanguages.first();
    const QString language = first.startsWith("zh") ? "zh_CN" : "en";
    static QTranslator* translator = nullptr;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(":/i18n/kestrun_" + language + ".qm"))
        QCoreApplication::installTranslator(translator);
    return language;
}
