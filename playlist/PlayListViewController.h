#pragma once

#include "AppLinks.h"
#include "CVModuleProtocol.h"
#include "CustomGsensorView.h"
#include "DelayedAction.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <optional>

class FileCell;
class PlayListModel;
#include "PopoverWindow.h"
#include "WaitViewController.h"
class QLabel;
class QListView;
class QToolButton;

// The play-list module: the stored files as a table; a click plays a row, next and previous and the end of
// a file move through the list (or repeat), rows are deleted or the list cleared, files are added through
// the open dialog with a wait indicator for slow batches, and the settings panel opens from here. Below the
// table, the active file's speed over time.
class PlayListViewController : public QWidget, public CVModuleProtocol, public PlayListControl {
    Q_OBJECT
public:
    static constexpr int kWaitDelayMs = 1500;

    explicit PlayListViewController(QWidget* parent = nullptr);
    ~PlayListViewController() override;

    bool implementsOperation(Operation operation) const override;
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) override;
    void updateDataByCurrentTime(double seconds) override;
    void videoAllTime(double seconds) override;
    void playNext(bool next) override;
    void videoEnd() override;

    // PlayListControl
    void reloadPlayListData() override;
    void followPlayingFile(const QString& key) override;
    QStringList selectedKeys() const override;
    void removeSelectedRow() override;

    // The selection rule: refused while files are being added; otherwise the lowest proposed row plays.
    bool proposeSelection(const QList<int>& rows);
    void selectIndexPlay(qint64 row);
    void playCurrentItem(const QString& key);
    void addVideoPlay();
    // What the open dialog hands over (an empty list: cancelled).
    void filesChosen(const QList<QUrl>& urls);
    // Adds files handed over by drag and drop through the same batch; refused while an add runs.
    bool addDroppedFiles(const QList<QUrl>& urls);
    void removeVideoPlay();
    void customTableCellView(int row, const QString& key);
    void openSeting();
    void keyDown(QKeyEvent* event);

    qint64 selectIndex() const { return m_selectIndex; }
    bool fileOpen() const { return m_fileOpen; }
    bool isWaitIndicatorShown() const { return m_popoverC != nullptr; }
    WaitViewController* waitC() const { return m_waitC; }
    QListView* tableView() const { return m_tableView; }
    PlayListModel* model() const { return m_model; }
    CustomGsensorView* gsensorView() const { return m_gsensorView; }
    // The unit the speed graph is captioned with.
    QString speedCaption() const;
    QToolButton* setbutton() const { return m_setbutton; }
    QToolButton* filesButton() const { return m_filesButton; }
    QLabel* timeText() const { return m_timeText; } // "elapsed / length" under the list
    QToolButton* deleteButton() const { return m_deleteButton; }
    QWidget* openPanel() const { return m_panel; }

signals:
    // The open dialog of an add is up (tests).
    void openDialogShown(QWidget* dialog);
    void addFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Video files dropped on the list are added like chosen ones.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Hides the rows of folded trips (after the model is reset or a trip is folded).
    void showFolds();
    // Folds or unfolds the trip whose heading is at a point of the list's viewport; false when none is.
    bool toggleTripAt(const QPoint& viewportPos);
    void starWaitFileFinish();
    void stopPlayback();
    void showSpeedGraph();
    // The rows the user selected with Ctrl+click or Ctrl+A: highlighted, exported, removed.
    void setSelectedRows(QList<int> rows);
    void closeWaitIndicator();

    PlayListModel* m_model = nullptr;
    FileCell* m_cell = nullptr;
    QListView* m_tableView = nullptr;
    QToolButton* m_setbutton = nullptr;
    QToolButton* m_filesButton = nullptr;
    QToolButton* m_deleteButton = nullptr;
    QLabel* m_timeText = nullptr;
    CustomGsensorView* m_gsensorView = nullptr;
    QWidget* m_unitCaption = nullptr;
    SharedGraphEntries m_graph;
    QPointer<QWidget> m_panel;
    QPointer<QWidget> m_openDialog; // the open dialog while it is up

    qint64 m_selectIndex = -1;
    QList<int> m_selectedRows;              // the rows the user selected
    Qt::KeyboardModifiers m_pressModifiers; // of the last mouse press on the rows
    bool m_fileOpen = false;
    QPointer<DelayedAction> m_delayBlock;
    QPointer<PopoverWindow> m_popoverC;
    QPointer<WaitViewController> m_waitC;
    double m_totalTime = 0;
    std::optional<QString> m_currentPlayVideoPath;
};
