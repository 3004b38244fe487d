#include "PreferenceController.h"

#include "AppLanguageManager.h"
#include "AppManager.h"
#include "AppResources.h"
#include "AppUserDefaults.h"
#include "DrivingEventSettings.h"
#include "InterfaceLanguage.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "RadioPair.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>

PreferenceController::PreferenceController(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(AppResources::localized("setting"));
    auto* form = new QFormLayout(this);
    auto* row = new QHBoxLayout;
    form->addRow(AppResources::localized("速度单位"), row);
    m_speedUnitRadio = addRadioPair(this, row, AppResources::localized("km_speedUnit"),
                                    AppResources::localized("mph_speedUnit"));

    m_languageList = new QComboBox(this);
    m_languageList->setAccessibleName(tr("Language"));
    for (int i = 0; i < InterfaceLanguage::kCount; ++i)
        m_languageList->addItem(AppResources::localized(InterfaceLanguage::titleKey(i)));
    form->addRow(tr("Language"), m_languageList);
    m_languageNote = new QLabel(tr("A new language is used from the next start."), this);
    m_languageNote->setWordWrap(true);
    form->addRow(QString(), m_languageNote);

    // The map: the route in one colour, or coloured by the speed of each second.
    m_routeColours = new QCheckBox(tr("Colour the route by speed"), this);
    m_routeColours->setChecked(SettingsStore::shared().value(SettingsKeys::kRouteSpeedColours).toBool());
    form->addRow(AppResources::localized("地图"), m_routeColours);
    connect(m_routeColours, &QCheckBox::toggled, this, [](bool on) {
        SettingsStore::shared().setValue(SettingsKeys::kRouteSpeedColours, on);
        NotificationCenter::defaultCenter().postAsync(NotificationNames::kRouteColours, QVariant());
    });

    // The driving events: what counts as hard braking or acceleration, a sharp turn, an impact.
    const DrivingEventThresholds thresholds = DrivingEventSettings::thresholds();
    const struct {
        QString label;
        const char* key;
        double value;
        double maximum;
        double step;
    } rows[4] = {
        {tr("Hard braking or acceleration (km/h in one second)"), SettingsKeys::kEventSpeedChange,
         thresholds.speedChangeKmhPerSecond, 100, 1},
        {tr("Sharp turn (g sideways)"), SettingsKeys::kEventLateralG, thresholds.lateralG, 5, 0.05},
        {tr("Impact (g away from 1 g)"), SettingsKeys::kEventImpactG, thresholds.impactG, 10, 0.1},
        {tr("Impact (g change on one axis in one second)"), SettingsKeys::kEventAxisJumpG,
         thresholds.axisJumpG, 10, 0.1},
    };
    auto* heading = new QLabel("<b>" + tr("Driving events") + "</b>", this);
    form->addRow(heading);
    for (int i = 0; i < 4; ++i) {
        auto* box = new QDoubleSpinBox(this);
        box->setLocale(QLocale::c()); // the point as decimal separator, as everywhere in the player
        box->setDecimals(2);
        box->setRange(rows[i].step, rows[i].maximum);
        box->setSingleStep(rows[i].step);
        box->setValue(rows[i].value);
        box->setAccessibleName(rows[i].label);
        box->setKeyboardTracking(false); // stored when typing ends, not at every key
        form->addRow(rows[i].label, box);
        const char* key = rows[i].key;
        connect(box, &QDoubleSpinBox::valueChanged, this, [key](double value) {
            SettingsStore::shared().setValue(key, static_cast<float>(value));
            NotificationCenter::defaultCenter().postAsync(NotificationNames::kEventThresholds, QVariant());
        });
        m_thresholds[i] = box;
    }

    // Every choice applies at once; Close (or Escape) only closes the window, also where no window
    // manager draws a title bar.
    m_closeButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    form->addRow(m_closeButtons);
    connect(m_closeButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    showSettingsInForce();
    connect(m_speedUnitRadio, &QButtonGroup::idClicked, this, &PreferenceController::speedUnitChange);
    connect(m_languageList, &QComboBox::activated, this, &PreferenceController::languageChange);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const char* name : {NotificationNames::kSelectSpeed, NotificationNames::kUserLanguage})
        center.addObserver(name, this, [this](const QVariant&) { showSettingsInForce(); });
}

void PreferenceController::showEvent(QShowEvent* event) {
    showSettingsInForce();
    QDialog::showEvent(event);
}

void PreferenceController::showSettingsInForce() {
    const bool kmh = AppManager::sharedManager().speedType() == AppManager::kSpeedKmh;
    m_speedUnitRadio->button(kmh ? 0 : 1)->setChecked(true);
    int language = InterfaceLanguage::chosenIndex();
    if (language < 0) {
        language = AppResources::installedLanguage() >= 0
                       ? AppResources::installedLanguage()
                       : InterfaceLanguage::indexForPreferred(AppLanguageManager::preferredLanguages());
    }
    m_languageList->setCurrentIndex(language);
}

void PreferenceController::speedUnitChange(int column) {
    // The unit in force, as the View menu sets it; "speed_unit" follows (with its own notification).
    const bool kmh = column == 0;
    AppManager::sharedManager().setSpeedType(kmh ? AppManager::kSpeedKmh : AppManager::kSpeedMph);
    const QString value = kmh ? "2" : "1";
    SettingsStore::shared().setValue(SettingsKeys::kUserSpeed, value);
    AppUserDefaults::chooseSpeedUnit(column);
    NotificationCenter::defaultCenter().postAsync(NotificationNames::kSelectSpeed, value);
}

void PreferenceController::languageChange(int index) {
    if (index < 0 || index >= InterfaceLanguage::kCount)
        return;
    const QString title = m_languageList->itemText(index);
    SettingsStore::shared().setValue(SettingsKeys::kUserLanguage, title);
    NotificationCenter::defaultCenter().postAsync(NotificationNames::kUserLanguage, title);
}
