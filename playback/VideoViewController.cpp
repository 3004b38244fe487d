#include "VideoViewController.h"

#include "MyCache.h"

#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <QtDebug>

VideoViewController::VideoViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName("videoVC");
    auto* layout = new QVBoxLayout(this);
    m_message = new QLabel(this);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setEnabled(false);
    m_message->setWordWrap(true);
    layout->addWidget(m_message);
    close();
    AppLinks::shared().registerVideoVC(this);
}

bool VideoViewController::implementsOperation(Operation) const {
    return false; // it drives the others; nobody calls it through the interface
}

void VideoViewController::close() {
    const bool wasActive = m_url.has_value();
    m_url.reset();
    m_message->setText(tr("No video"));
    if (wasActive) {
        // Stopped: the map and the dashboard show no file any more.
        gpsDelegate.dataLogicProcessOfViodePath(std::nullopt);
        speedDelegate.dataLogicProcessOfViodePath(std::nullopt);
    }
}

void VideoViewController::initAssetData(const QUrl& url) {
    m_url = url;
    const QString key = MyCache::fileKey(url);
    qInfo().noquote() << "initAssetData" << key;
    clearDelegate.playNext(true);
    gpsDelegate.dataLogicProcessOfViodePath(key);
    gpsInfoDelegate.dataLogicProcessOfViodePath(key);
    speedDelegate.dataLogicProcessOfViodePath(key);
    m_message->setText(QFileInfo(url.toLocalFile()).fileName() + "\n" +
                       tr("Video playback is not available yet."));
}

void VideoViewController::reportDuration(double seconds) {
    speedDelegate.videoAllTime(seconds);
    gpsDelegate.videoAllTime(seconds);
    gpsInfoDelegate.videoAllTime(seconds);
}

void VideoViewController::reportTime(double seconds) {
    gpsDelegate.updateDataByCurrentTime(seconds);
    gpsInfoDelegate.updateDataByCurrentTime(seconds);
    speedDelegate.updateDataByCurrentTime(seconds);
}

void VideoViewController::reportEnd() {
    videoEndDelegate.videoEnd();
}
