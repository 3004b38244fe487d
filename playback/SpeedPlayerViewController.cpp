#include "SpeedPlayerViewController.h"

#include "AppManager.h"
#include "AppResources.h"
#include "NumberText.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr double kRates[] = {4.0, 2.0, 1.0, 0.5, 0.25};
}

double SpeedPlayerViewController::rateForTag(int tag) {
    return tag >= 1 && tag <= 5 ? kRates[tag - 1] : 1.0;
}

QString SpeedPlayerViewController::pictureName(double rate) {
    return QString::fromStdString(NumberText::formatFixed(rate, 2));
}

SpeedPlayerViewController::SpeedPlayerViewController(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    for (int tag = 1; tag <= 5; ++tag) {
        const double rate = rateForTag(tag);
        auto* button = new QPushButton(this);
        button->setCheckable(true);
        button->setProperty("tag", tag);
        button->setText(QString::fromStdString(NumberText::formatShortest(rate)) + QStringLiteral("×"));
        button->setAccessibleName(AppResources::localized("播放速度") + " " + button->text());
        button->setMinimumHeight(34);
        connect(button, &QPushButton::clicked, this, [this, tag] { touchButtonSetSpeed(tag); });
        layout->addWidget(button);
        m_buttons << button;
    }
    // A speed chosen in this run is marked; after a restart none is, until one is chosen again.
    if (AppManager::sharedManager().speedPlay() != 0) {
        float stored = SettingsStore::shared().floatValue(SettingsKeys::kUserPlaySpeed);
        if (stored == 0)
            stored = 1;
        markTag(static_cast<int>(stored));
    } else {
        markTag(0);
    }
}

QList<int> SpeedPlayerViewController::checkedTags() const {
    QList<int> tags;
    for (QPushButton* button : m_buttons) {
        if (button->isChecked())
            tags << button->property("tag").toInt();
    }
    return tags;
}

void SpeedPlayerViewController::markTag(int tag) {
    for (QPushButton* button : m_buttons)
        button->setChecked(button->property("tag").toInt() == tag);
}

void SpeedPlayerViewController::touchButtonSetSpeed(int tag) {
    const double rate = rateForTag(tag);
    AppManager::sharedManager().setSpeedPlay(tag);
    SettingsStore::shared().setValue(SettingsKeys::kUserPlaySpeed, static_cast<float>(tag));
    markTag(tag);
    QString title;
    for (QPushButton* button : m_buttons) {
        if (button->property("tag").toInt() == tag)
            title = button->text();
    }
    emit currentSelectPlaySpeed(rate, title);
}
