#include "PreferenceController.h"

#include "AppLanguageManager.h"
#include "AppResources.h"
#include "AppUserDefaults.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "RadioPair.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>

PreferenceController::PreferenceController(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(AppResources::localized("setting"));
    auto* form = new QFormLayout(this);
    const auto group = [this, form](const QString& caption, const QString& left, const QString& right) {
        auto* row = new QHBoxLayout;
        form->addRow(caption, row);
        return addRadioPair(this, row, left, right);
    };
    m_speedUnitRadio = group(AppResources::localized("速度单位"), AppResources::localized("km_speedUnit"),
                             AppResources::localized("mph_speedUnit"));
    m_languageRadio = group(tr("Language"), AppResources::localized("简中"), tr("Other"));
    m_languageRadio->button(AppLanguageManager::systemCurrentLanguage() == "zh-Hans" ? 0 : 1)
        ->setChecked(true);
    m_speedUnitRadio->button(AppUserDefaults::isKMPH() ? 0 : 1)->setChecked(true);
    connect(m_speedUnitRadio, &QButtonGroup::idClicked, this, &PreferenceController::speedUnitChange);
    connect(m_languageRadio, &QButtonGroup::idClicked, this, &PreferenceController::languageChange);
}

void PreferenceController::speedUnitChange(int column) {
    AppUserDefaults::chooseSpeedUnit(column);
}

void PreferenceController::languageChange(int) {}
