#include "AppResources.h"

#include "InterfaceLanguage.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
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

QString AppResources::versionText() {
    // The table's line carries the numbers (filled in when the table is built); without a table, the same
    // spelling in English.
    const QString line = localized("版本");
    if (line != QStringLiteral("版本"))
        return line;
    return QStringLiteral("Version %1(Build %2)").arg(shortVersion(), buildVersion());
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

namespace {
int g_installedLanguage = -1;
} // namespace

QString AppResources::installTranslations(const QStringList& preferredLanguages) {
    const int index = InterfaceLanguage::indexInForce(preferredLanguages);
    const QString language = InterfaceLanguage::code(index);
    // The program's table, and Qt's own for the standard dialogs' buttons when the system has it.
    static QTranslator* translators[2] = {};
    for (QTranslator*& translator : translators) {
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
            translator = nullptr;
        }
    }
    const QString tables[2] = {":/i18n/kestrun_" + language + ".qm",
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_" + language +
                                   ".qm"};
    for (int i = 0; i < 2; ++i) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(tables[i])) {
            QCoreApplication::installTranslator(translator);
            translators[i] = translator;
        } else {
            delete translator;
        }
    }
    g_installedLanguage = index;
    return language;
}

int AppResources::installedLanguage() {
    return g_installedLanguage;
}
