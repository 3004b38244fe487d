#pragma once

#include <QString>
#include <QStringList>

// The user's preferred languages ("AppleLanguages"): the store's value when present, else the system's UI
// languages as BCP 47 tags, Chinese with its script (zh_CN becomes zh-Hans-CN, zh_TW zh-Hant-TW).
class AppLanguageManager {
public:
    AppLanguageManager() = delete;

    static QStringList preferredLanguages();
    // The first preferred language, or an empty text.
    static QString systemCurrentLanguage();
    // One locale name ("zh_CN", "en-GB", "zh_TW.UTF-8") as such a tag; empty for "C" and "POSIX".
    static QString normalizedTag(const QString& name);
};
