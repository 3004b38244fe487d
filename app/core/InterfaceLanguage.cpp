#include "InterfaceLanguage.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QHash>
#include <QTranslator>

#include <array>

namespace {

struct Language {
    const char* titleKey;
    const char* code;
};

constexpr std::array<Language, InterfaceLanguage::kCount> kLanguages = {{
    {"英语", "en"},
    {"法语", "fr"},
    {"西班牙语", "es"},
    {"德语", "de"},
    {"意大利语", "it"},
    {"简中", "zh_CN"},
    {"俄语", "ru"},
    {"日语", "ja"},
    {"波兰语", "pl"},
}};

bool valid(int index) {
    return index >= 0 && index < InterfaceLanguage::kCount;
}

// Every title of every language in every translation, with the title keys and table names.
const QHash<QString, int>& titles() {
    static const QHash<QString, int> table = [] {
        QHash<QString, int> all;
        for (int i = 0; i < InterfaceLanguage::kCount; ++i) {
            all.insert(QString::fromUtf8(kLanguages[i].titleKey), i);
            all.insert(QString::fromLatin1(kLanguages[i].code), i);
        }
        for (const Language& table : kLanguages) {
            QTranslator translator;
            if (!translator.load(QStringLiteral(":/i18n/kestrun_%1.qm").arg(QLatin1String(table.code))))
                continue;
            for (int i = 0; i < InterfaceLanguage::kCount; ++i) {
                const QString title = translator.translate("Localizable", kLanguages[i].titleKey);
                if (!title.isEmpty())
                    all.insert(title, i);
            }
        }
        return all;
    }();
    return table;
}

} // namespace

const char* InterfaceLanguage::titleKey(int index) {
    return valid(index) ? kLanguages[index].titleKey : "";
}

QString InterfaceLanguage::code(int index) {
    return valid(index) ? QString::fromLatin1(kLanguages[index].code) : QString();
}

int InterfaceLanguage::indexOfTitle(const QString& title) {
    return titles().value(title.trimmed(), -1);
}

int InterfaceLanguage::chosenIndex() {
    SettingsStore& store = SettingsStore::shared();
    if (!store.contains(SettingsKeys::kUserLanguage))
        return -1;
    return indexOfTitle(store.stringValue(SettingsKeys::kUserLanguage));
}

int InterfaceLanguage::indexForPreferred(const QStringList& preferredLanguages) {
    for (const QString& tag : preferredLanguages) {
        const QString language = tag.section('-', 0, 0).section('_', 0, 0).toLower();
        if (language == "zh")
            return kSimplifiedChinese; // the one Chinese translation
        for (int i = 0; i < kCount; ++i) {
            if (language == QLatin1String(kLanguages[i].code))
                return i;
        }
    }
    return kEnglish;
}

int InterfaceLanguage::indexInForce(const QStringList& preferredLanguages) {
    const int chosen = chosenIndex();
    return chosen >= 0 ? chosen : indexForPreferred(preferredLanguages);
}
