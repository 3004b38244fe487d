#include "VoiceViewController.h"

#include "AppResources.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QSlider>
#include <QVBoxLayout>

VoiceViewController::VoiceViewController(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 10, 8, 10);
    m_slider = new QSlider(Qt::Vertical, this);
    m_slider->setRange(0, kSteps);
    m_slider->setAccessibleName(AppResources::localized("音量"));
    m_slider->setValue(qRound(SettingsStore::shared().floatValue(SettingsKeys::kVolume) * kSteps));
    layout->addWidget(m_slider, 0, Qt::AlignHCenter);
    connect(m_slider, &QSlider::valueChanged, this, &VoiceViewController::changeValueSlider);
}

void VoiceViewController::changeValueSlider(int position) {
    const double value = double(position) / kSteps;
    SettingsStore::shared().setValue(SettingsKeys::kVolume, static_cast<float>(value));
    emit userChangeVolume(value);
}
