#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

class QCoreApplication;

// The application's named resources: localised texts (the keys are the source texts; a missing translation
// shows the key), named colours, named pictures and the bundle information. Pictures and colours are
// compiled in; translations are loaded by installTranslations().
class AppResources {
public:
    AppResources() = delete;

    // The text of a key of the default table ("Localizable").
    static QString localized(const char* key);
    // "CFBundleDisplayName" of the "InfoPlist" table.
    static QString displayName();
    static QString shortVersion(); // "CFBundleShortVersionString"
    static QString buildVersion(); // "CFBundleVersion"
    // The version line shown by the about box, the settings panel and --version: the localised "版本", or
    // "Version <short>(Build <build>)" without a table.
    static QString versionText();

    // A named colour ("圆低色", "红色", ...); invalid when there is none by that name.
    static QColor color(const QString& name);
    // The resource path of a named picture ("player_play", "动画-3", "动画.gif"); empty when missing.
    static QString picturePath(const QString& name);
    // The picture drawn at `size` device-independent pixels (SVG pictures are rendered, not scaled);
    // a null pixmap when missing.
    static QPixmap picture(const QString& name, const QSize& size, qreal devicePixelRatio = 1.0);

    // Loads the translation of the interface language in force (InterfaceLanguage: the user's confirmed
    // choice, else the preferred languages, "zh-Hans-CN" → Simplified Chinese, else English) into the
    // application. Returns the table's language, e.g. "zh_CN".
    static QString installTranslations(const QStringList& preferredLanguages);
    // The InterfaceLanguage index of the installed translation; -1 before installTranslations.
    static int installedLanguage();
};
