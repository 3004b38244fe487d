#pragma once

#include "AppLinks.h"
#include "CVModuleProtocol.h"

#include <QWidget>

#include <optional>

class QListWidget;

// The play-list module. Until the full play-list view is built it lists the stored files by name and marks
// the one that plays; `selectIndex` is the row that next and previous count from.
class PlayListViewController : public QWidget, public CVModuleProtocol, public PlayListControl {
    Q_OBJECT
public:
    explicit PlayListViewController(QWidget* parent = nullptr);

    bool implementsOperation(Operation operation) const override;
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) override;
    // The next (true) or previous (false) row plays, when there is one.
    void playNext(bool next) override;
    // The end of the file: the next row plays, or the same row again when repeat is on.
    void videoEnd() override;
    // Plays the row: marks it active, closes playback and starts its file.
    void selectIndexPlay(int row);

    // PlayListControl
    void reloadPlayListData() override;
    void followPlayingFile(const QString& key) override;

    int selectIndex() const { return m_selectIndex; }
    QListWidget* table() const { return m_list; }

private:
    void showMarker(); // the playing row in bold

    QListWidget* m_list = nullptr;
    int m_selectIndex = -1;
};
