#include "CVLayoutViewController.h"
#include "KestrunLog.h"

#include "BlackView.h"
#include "CVDisplayViewController.h"
#include "CVView.h"
#include "CVWebViewController.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PlayListViewController.h"
#include "VideoViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QSplitter>
#include <QToolButton>
#include <QtDebug>

namespace {

// Puts the module's view into its container so that it always fills it.
void fill(QWidget* container, QWidget* module) {
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(module);
}

} // namespace

CVLayoutViewController::CVLayoutViewController(QWidget* parent)
    : QWidget(parent) {
    // Containers: video on top of the dashboard on the left, the map on top of the play list on the right.
    m_globalSplitView = new QSplitter(Qt::Horizontal, this);
    m_leftSplitView = new QSplitter(Qt::Vertical, m_globalSplitView);
    m_rightSplitView = new QSplitter(Qt::Vertical, m_globalSplitView);
    m_videoView = new BlackView(m_leftSplitView);
    m_displayView = new CVView(m_leftSplitView);
    m_mapInfoView = new CVView(m_rightSplitView);
    m_playListView = new CVView(m_rightSplitView);
    for (QSplitter* splitter : {m_globalSplitView, m_leftSplitView, m_rightSplitView})
        splitter->setChildrenCollapsible(false);
    m_globalSplitView->setStretchFactor(0, 62);
    m_globalSplitView->setStretchFactor(1, 38);
    m_globalSplitView->setSizes({625, 383});
    m_leftSplitView->setSizes({420, 210});
    m_rightSplitView->setSizes({330, 300});
    m_globalSplitView->setObjectName("globalSplitView");
    m_leftSplitView->setObjectName("leftSplitView");
    m_rightSplitView->setObjectName("rightSplitView");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_globalSplitView);

    m_setView = new QLabel(this);
    m_setView->hide();

    NotificationCenter::defaultCenter().addObserver(NotificationNames::kWindowFullChange, this,
                                                    [this](const QVariant&) { windowFullScreenChange(); });
    m_videoZoomed = false;
    m_mapZoomed = false;

    m_displayVC = new CVDisplayViewController;
    m_created << m_displayVC->objectName();
    m_webVC = new CVWebViewController;
    m_created << m_webVC->objectName();
    m_webVC->distanceDelegate.set(m_displayVC);
    m_webVC->zoomInOutDelegate.set(this);
    m_playlistVC = new PlayListViewController;
    m_created << m_playlistVC->objectName();
    m_videoVC = new VideoViewController;
    m_created << m_videoVC->objectName();
    m_videoVC->zoomInDelegate.set(this);
    m_videoVC->gpsDelegate.set(m_webVC);
    m_videoVC->speedDelegate.set(m_displayVC);
    m_videoVC->gpsInfoDelegate.set(m_playlistVC);
    m_videoVC->videoEndDelegate.set(m_playlistVC);
    m_videoVC->clearDelegate.set(m_displayVC);

    fill(m_playListView, m_playlistVC);
    fill(m_mapInfoView, m_webVC);
    fill(m_displayView, m_displayVC);
    fill(m_videoView, m_videoVC);

    // Tab goes from the play list's buttons and rows to the video view (whose keys are Space and Escape),
    // then to the map's button, and round to the play list. Set once the modules sit in their containers
    // (a new parent re-links the focus chain).
    setTabOrder(m_playlistVC->tableView(), m_videoVC);
    setTabOrder(m_videoVC, m_webVC->zoomInOutButton());
}

bool CVLayoutViewController::implementsOperation(Operation) const {
    return false; // the zoom operations are declared, and nobody implements them
}

void CVLayoutViewController::windowFullScreenChange() {
    qCInfo(lcKestrun) << "444444";
}
