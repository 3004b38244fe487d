#pragma once

#include "CVModuleProtocol.h"

#include <QStringList>
#include <QWidget>

class CVDisplayViewController;
class CVWebViewController;
class PlayListViewController;
class VideoViewController;
class QLabel;
class QSplitter;

// The main window's content: three splitters and four containers, the four modules created in the order
// "displayVC", "webVC", "playlistVC", "videoVC", wired to each other and each filling its container.
class CVLayoutViewController : public QWidget, public CVModuleProtocol {
    Q_OBJECT
public:
    explicit CVLayoutViewController(QWidget* parent = nullptr);

    bool implementsOperation(Operation operation) const override;

    CVDisplayViewController* displayVC() const { return m_displayVC; }
    CVWebViewController* webVC() const { return m_webVC; }
    PlayListViewController* playlistVC() const { return m_playlistVC; }
    VideoViewController* videoVC() const { return m_videoVC; }

    QSplitter* globalSplitView() const { return m_globalSplitView; }
    QSplitter* leftSplitView() const { return m_leftSplitView; }
    QSplitter* rightSplitView() const { return m_rightSplitView; }
    QWidget* videoView() const { return m_videoView; }
    QWidget* displayView() const { return m_displayView; }
    QWidget* mapInfoView() const { return m_mapInfoView; }
    QWidget* playListView() const { return m_playListView; }

    // The identifiers of the modules in the order they were created.
    QStringList createdIdentifiers() const { return m_created; }

private:
    void windowFullScreenChange();

    QSplitter* m_globalSplitView = nullptr;
    QSplitter* m_leftSplitView = nullptr;
    QSplitter* m_rightSplitView = nullptr;
    QWidget* m_videoView = nullptr;
    QWidget* m_displayView = nullptr;
    QWidget* m_mapInfoView = nullptr;
    QWidget* m_playListView = nullptr;
    QLabel* m_setView = nullptr;

    CVDisplayViewController* m_displayVC = nullptr;
    CVWebViewController* m_webVC = nullptr;
    PlayListViewController* m_playlistVC = nullptr;
    VideoViewController* m_videoVC = nullptr;

    bool m_videoZoomed = false;
    bool m_mapZoomed = false;
    QStringList m_created;
};
