#include "PlayerSetingViewController.h"

#include "AppLanguageManager.h"
#include "AppManager.h"
#include "AppResources.h"
#include "InterfaceLanguage.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// The option buttons: the one that is on stands out (filled with the highlight colour, bold, ticked), so
// that each pair reads at a glance whatever the theme.
constexpr const char* kOptionStyle =
    "QPushButton[option=\"true\"] { padding: 4px 10px; border: 1px solid palette(mid); border-radius: 4px;"
    " background: palette(button); color: palette(button-text); }"
    "QPushButton[option=\"true\"]:checked { background: palette(highlight); color: palette(highlighted-text);"
    " border-color: palette(highlight); font-weight: bold; }"
    "QPushButton[option=\"true\"]:disabled { color: palette(mid); }";

void store(const char* key, const QString& value) {
    SettingsStore::shared().setValue(key, value);
}

void announce(const char* name, const QString& object) {
    NotificationCenter::defaultCenter().postAsync(name, object); // after this action has returned
}

} // namespace

PlayerSetingViewController::PlayerSetingViewController(QWidget* parent)
    : QWidget(parent) {
    setAutoFillBackground(true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setVerticalSpacing(10);
    const auto caption = [this](const char* key) {
        return new QLabel(AppResources::localized(key), this);
    };
    setStyleSheet(kOptionStyle);
    const auto option = [this](int tag, const QString& title) {
        auto* b = new QPushButton(title, this);
        b->setCheckable(true);
        b->setAutoExclusive(false);
        b->setProperty("tag", tag);
        b->setProperty("option", true);
        // Room for the ticked, bold title, so that turning a button on never cuts its text.
        QFont bold = b->font();
        bold.setBold(true);
        b->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(QStringLiteral("✓ ") + title) + 32);
        connect(b, &QPushButton::toggled, b, [b, title](bool on) {
            b->setText(on ? QStringLiteral("✓ ") + title : title);
            b->setAccessibleDescription(on ? tr("selected") : QString());
        });
        connect(b, &QPushButton::clicked, this, [this, tag] { selectSpeedSetAction(tag); });
        m_buttons[tag] = b;
        return b;
    };

    auto* name = caption("app名称");
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    name->setFont(bold);
    grid->addWidget(name, 0, 0, 1, 3);
    grid->addWidget(caption("速度单位"), 1, 0);
    grid->addWidget(option(SpeedKmh, AppResources::localized("km_speedUnit")), 1, 1);
    grid->addWidget(option(SpeedMph, AppResources::localized("mph_speedUnit")), 1, 2);
    grid->addWidget(caption("经纬度"), 2, 0);
    grid->addWidget(option(CoordinatesDms, AppResources::localized("度/分/秒")), 2, 1);
    grid->addWidget(option(CoordinatesDecimal, AppResources::localized("小数点显示")), 2, 2);
    grid->addWidget(caption("地图"), 3, 0);
    grid->addWidget(option(MapGoogle, AppResources::localized("Google Map")), 3, 1);
    grid->addWidget(option(MapBaidu, AppResources::localized("百度地图")), 3, 2);

    grid->addWidget(new QLabel(tr("Language"), this), 4, 0);
    m_listView = new QComboBox(this);
    m_listView->setAccessibleName(tr("Language"));
    grid->addWidget(m_listView, 4, 1, 1, 2);
    m_languageNote = new QLabel(tr("A new language is used from the next start."), this);
    m_languageNote->setWordWrap(true);
    QFont small = m_languageNote->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_languageNote->setFont(small);
    grid->addWidget(m_languageNote, 5, 1, 1, 2);

    // The version and the licences of what ships with the player. The project has no web site or support
    // address of its own, so those lines are left out.
    m_connectLabel = new QLabel(this);
    m_connectLabel->setWordWrap(true);
    m_connectLabel->setText(AppResources::versionText() + "\n" + AppResources::localized("许可"));
    m_connectLabel->setMaximumHeight(5 * m_connectLabel->fontMetrics().lineSpacing() + 4);
    grid->addWidget(m_connectLabel, 6, 0, 1, 3);

    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* sure = new QPushButton(AppResources::localized("Alert_Sure"), this);
    sure->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, [this] { closePageButtonAction(Cancel); });
    connect(sure, &QPushButton::clicked, this, [this] { closePageButtonAction(Sure); });
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(sure);
    grid->addLayout(buttons, 7, 0, 1, 3);

    showSettingsInForce();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const char* name : {NotificationNames::kSelectSpeed, NotificationNames::kSelectMapType,
                             NotificationNames::kSelectLatitudeFormat}) {
        center.addObserver(name, this, [this](const QVariant&) { showSettingsInForce(); });
    }

    // The language list: the nine languages of the interface, titled in the language in use. It shows the
    // language chosen and confirmed, else the one the interface follows.
    m_listView->clear();
    for (int i = 0; i < InterfaceLanguage::kCount; ++i)
        m_dataArray << AppResources::localized(InterfaceLanguage::titleKey(i));
    m_listView->addItems(m_dataArray);
    const bool chineseSystem = AppLanguageManager::systemCurrentLanguage().startsWith("zh-Han");
    int current = InterfaceLanguage::chosenIndex();
    if (current >= 0) {
        m_languageStr = m_dataArray.at(current);
    } else if (chineseSystem) {
        m_languageStr = AppResources::localized("简中");
        current = InterfaceLanguage::kSimplifiedChinese;
    } else {
        current = AppResources::installedLanguage() >= 0
                      ? AppResources::installedLanguage()
                      : InterfaceLanguage::indexForPreferred(AppLanguageManager::preferredLanguages());
    }
    m_listView->setCurrentIndex(current);
    if (chineseSystem)
        m_buttons[MapGoogle]->setEnabled(false);
    connect(m_listView, &QComboBox::activated, this, &PlayerSetingViewController::userSelectLanguage);
}

void PlayerSetingViewController::showSettingsInForce() {
    const AppManager& manager = AppManager::sharedManager();
    if (manager.speedType() == AppManager::kSpeedKmh) {
        setOn(SpeedKmh, true);
        setOn(SpeedMph, false);
        m_speedUnit = AppManager::kSpeedKmh;
    } else if (manager.speedType() == AppManager::kSpeedMph) {
        setOn(SpeedMph, true);
        setOn(SpeedKmh, false);
        m_speedUnit = AppManager::kSpeedMph;
    }
    // The coordinate format in force: the stored choice, or the default when none (or none usable) is stored.
    if (manager.languageShowType() == AppManager::kCoordinatesDms) {
        setOn(CoordinatesDms, true);
        setOn(CoordinatesDecimal, false);
    } else if (manager.languageShowType() == AppManager::kCoordinatesDecimal) {
        setOn(CoordinatesDecimal, true);
        setOn(CoordinatesDms, false);
    }
    if (manager.mapType() == AppManager::kMapGoogle) {
        setOn(MapGoogle, true);
        setOn(MapBaidu, false);
    } else if (manager.mapType() == AppManager::kMapBaidu) {
        setOn(MapBaidu, true);
        setOn(MapGoogle, false);
    }
}

QPushButton* PlayerSetingViewController::button(int tag) const {
    return tag >= 1 && tag <= 6 ? m_buttons[tag] : nullptr;
}

void PlayerSetingViewController::setOn(int tag, bool on) {
    if (QPushButton* b = button(tag))
        b->setChecked(on);
}

void PlayerSetingViewController::selectSpeedSetAction(int tag) {
    setOn(tag, true);
    AppManager& manager = AppManager::sharedManager();
    switch (tag) {
    case SpeedKmh:
        setOn(SpeedMph, false);
        m_speedUnit = AppManager::kSpeedKmh;
        manager.setSpeedType(AppManager::kSpeedKmh);
        store(SettingsKeys::kUserSpeed, "2");
        announce(NotificationNames::kSelectSpeed, "2");
        break;
    case SpeedMph:
        setOn(SpeedKmh, false);
        m_speedUnit = AppManager::kSpeedMph;
        manager.setSpeedType(AppManager::kSpeedMph);
        store(SettingsKeys::kUserSpeed, "1");
        announce(NotificationNames::kSelectSpeed, "1");
        break;
    case CoordinatesDms:
        manager.setLanguageShowType(AppManager::kCoordinatesDms);
        store(SettingsKeys::kLanguageShowType, "2");
        announce(NotificationNames::kSelectLatitudeFormat, "2");
        setOn(CoordinatesDecimal, false);
        break;
    case CoordinatesDecimal:
        manager.setLanguageShowType(AppManager::kCoordinatesDecimal);
        store(SettingsKeys::kLanguageShowType, "1");
        announce(NotificationNames::kSelectLatitudeFormat, "1");
        setOn(CoordinatesDms, false);
        break;
    case MapGoogle:
        // The Google button selects the Google map, whatever language is chosen in the list.
        manager.setMapType(AppManager::kMapGoogle);
        store(SettingsKeys::kUserMap, "0");
        announce(NotificationNames::kSelectMapType, "0");
        setOn(MapBaidu, false);
        break;
    case MapBaidu:
        manager.setMapType(AppManager::kMapBaidu);
        store(SettingsKeys::kUserMap, "1");
        announce(NotificationNames::kSelectMapType, "1");
        setOn(MapGoogle, false);
        break;
    default:
        break;
    }
}

void PlayerSetingViewController::userSelectLanguage(int index) {
    if (index < 0 || index >= m_dataArray.size())
        return;
    m_languageStr = m_dataArray.at(index);
    m_listView->setCurrentIndex(index);
}

void PlayerSetingViewController::closePageButtonAction(int tag) {
    if (tag == Cancel) {
        emit closeRequested();
    } else if (tag == Sure) {
        AppManager::sharedManager().setSpeedType(m_speedUnit);
        const QString unit = QString::number(m_speedUnit);
        announce(NotificationNames::kSelectSpeed, unit);
        store(SettingsKeys::kUserSpeed, unit);
        if (m_languageStr)
            store(SettingsKeys::kUserLanguage, *m_languageStr);
        else
            SettingsStore::shared().remove(SettingsKeys::kUserLanguage);
        announce(NotificationNames::kUserLanguage, m_languageStr.value_or(QString()));
        emit closeRequested();
    }
}
