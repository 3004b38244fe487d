#include "PlayListViewController.h"

#include "AppManager.h"
#include "MyCache.h"

#include <QFileInfo>
#include <QListWidget>
#include <QVBoxLayout>

PlayListViewController::PlayListViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName("playlistVC");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setAccessibleName(tr("Play list"));
    layout->addWidget(m_list);
    reloadPlayListData(); // the stored list of the previous run, nothing marked
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { selectIndexPlay(m_list->row(item)); });
    AppLinks::shared().registerPlaylistVC(this);
}

bool PlayListViewController::implementsOperation(Operation operation) const {
    return operation == Operation::DataLogicProcessOfViodePath || operation == Operation::PlayNext ||
           operation == Operation::VideoEnd;
}

void PlayListViewController::playNext(bool next) {
    const int row = m_selectIndex + (next ? 1 : -1);
    if (row >= 0 && row < m_list->count())
        selectIndexPlay(row);
}

void PlayListViewController::videoEnd() {
    if (AppManager::sharedManager().playType() == 0)
        playNext(true);
    else if (m_selectIndex >= 0)
        selectIndexPlay(m_selectIndex);
}

void PlayListViewController::selectIndexPlay(int row) {
    if (row < 0 || row >= m_list->count())
        return;
    const QString key = m_list->item(row)->data(Qt::UserRole).toString();
    if (AppController* app = AppLinks::shared().appController())
        app->activeCurrentPlayIndex(row);
    m_selectIndex = row;
    showMarker();
    if (PlaybackControl* video = AppLinks::shared().videoVC()) {
        video->close();
        video->initAssetData(QUrl(key));
    }
}

void PlayListViewController::dataLogicProcessOfViodePath(const std::optional<QString>&) {}

void PlayListViewController::reloadPlayListData() {
    m_list->clear();
    const auto list = MyCache::playList();
    if (!list)
        return;
    for (const PlayListEntry& entry : *list) {
        const QString key = entry.path().value_or(QString());
        auto* item = new QListWidgetItem(QFileInfo(MyCache::localPath(key)).fileName(), m_list);
        item->setData(Qt::UserRole, key);
        item->setToolTip(MyCache::localPath(key));
    }
    showMarker();
}

void PlayListViewController::followPlayingFile(const QString& key) {
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->data(Qt::UserRole).toString() == key) {
            m_selectIndex = row;
            m_list->scrollToItem(m_list->item(row));
        }
    }
    showMarker();
}

void PlayListViewController::showMarker() {
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        QFont font = item->font();
        font.setBold(row == m_selectIndex);
        item->setFont(font);
    }
}
