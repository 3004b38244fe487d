#pragma once

#include <QString>
#include <QStringList>

// The languages the interface is translated into (the nine of the settings panel's language list, in its
// order) and the one in force: the language the user chose and confirmed ("userLanguage" in the store), else
// the first preferred language that has a translation, else English. A choice is used from the next start.
class InterfaceLanguage {
public:
    InterfaceLanguage() = delete;

    static constexpr int kCount = 9;
    static constexpr int kEnglish = 0;
    static constexpr int kSimplifiedChinese = 5;

    // The title key of the language at `index` ("英语", ..., "波兰语").
    static const char* titleKey(int index);
    // The translation table's name ("en", "fr", "es", "de", "it", "zh_CN", "ru", "ja", "pl").
    static QString code(int index);

    // The language of a stored "userLanguage": its title in any of the translations (it is stored as the
    // title shown when it was chosen), its title key, or its table name. -1 when none matches.
    static int indexOfTitle(const QString& title);
    // The stored choice, or -1.
    static int chosenIndex();
    // The first of the preferred languages ("fr-CA", "zh-Hant-TW") that has a translation; English when none.
    static int indexForPreferred(const QStringList& preferredLanguages);
    // The chosen language, else the one for the preferred languages.
    static int indexInForce(const QStringList& preferredLanguages);
};
