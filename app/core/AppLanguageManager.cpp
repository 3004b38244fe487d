#include "AppLanguageManager.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QLocale>

QString AppLanguageManager::normalizedTag(const QString& name) {
    QString cleaned = name.section('.', 0, 0).section('@', 0, 0).trimmed();
    if (cleaned.isEmpty() || cleaned == "C" || cleaned == "POSIX")
        return {};
    cleaned.replace('_', '-');
    const QLocale locale(cleaned);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return cleaned;
    QString tag = QLocale::languageToCode(locale.language());
    const QStringList parts = cleaned.split('-');
    const bool namesScript = parts.size() > 1 && parts[1].size() == 4;
    // Apple's tags carry the script where a language is written in several: Chinese above all.
    if (locale.language() == QLocale::Chinese || namesScript)
        tag += "-" + QLocale::scriptToCode(locale.script());
    const bool namesTerritory = parts.size() > 1 && (parts.last().size() == 2 || parts.last().size() == 3) &&
                                !(parts.size() == 2 && namesScript);
    if (namesTerritory)
        tag += "-" + QLocale::territoryToCode(locale.territory());
    return tag;
}

QStringList AppLanguageManager::preferredLanguages() {
    const QVariant stored = SettingsStore::shared().value(SettingsKeys::kAppleLanguages);
    if (stored.isValid()) {
        QStringList languages;
        for (const QVariant& item : stored.toList())
            languages << item.toString();
        if (languages.isEmpty() && stored.typeId() == QMetaType::QString)
            languages << stored.toString();
        return languages;
    }
    QStringList languages;
    for (const QString& name : QLocale::system().uiLanguages()) {
        const QString tag = normalizedTag(name);
        if (!tag.isEmpty() && !languages.contains(tag))
            languages << tag;
    }
    return languages;
}

QString AppLanguageManager::systemCurrentLanguage() {
    const QStringList languages = preferredLanguages();
    return languages.isEmpty() ? QString() : languages.first();
}
