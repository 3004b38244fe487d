#include "PlayListViewController.h"
#include "KestrunLog.h"

#include "AppManager.h"
#include "AppResources.h"
#include "FileCell.h"
#include "GsensorGraphGeometry.h"
#include "MyCache.h"
#include "MyCacheEvents.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "NumberText.h"
#include "OpenFilesDialog.h"
#include "PlayListModel.h"
#include "PlayerSetingViewController.h"
#include "PopoverWindow.h"
#include "SpeedUnits.h"
#include "TimeFormatUtils.h"
#include "WaitViewController.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtDebug>

#include <memory>

namespace {

// A caption drawn rotated by −90°, reading upwards.
class RotatedLabel : public QWidget {
public:
    RotatedLabel(QString text, QWidget* parent)
        : QWidget(parent)
        , m_text(std::move(text)) {
        setFixedWidth(fontMetrics().height() + 4);
    }
    void setText(const QString& text) {
        m_text = text;
        update();
    }
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QColor(255, 255, 255, 178)); // white at alpha 0.7
        p.translate(0, height());
        p.rotate(-90);
        p.drawText(QRect(0, 0, height(), width()), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
};

QToolButton* toolButton(const QString& text, const char* tooltipKey, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(AppResources::localized(tooltipKey));
    b->setAccessibleName(AppResources::localized(tooltipKey));
    b->setAutoRaise(true);
    return b;
}

} // namespace

PlayListViewController::PlayListViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName("playlistVC");
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(22, 29, 37));
    palette.setColor(QPalette::Base, QColor(22, 29, 37));
    setPalette(palette);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(6, 4, 6, 6);
    auto* bar = new QHBoxLayout;
    m_setbutton = toolButton(QStringLiteral("⚙"), "设置", this);
    m_filesButton = toolButton(QStringLiteral("＋"), "打开文件", this);
    m_deleteButton = toolButton(QStringLiteral("🗑"), "清空列表", this);
    m_deleteButton->setText(AppResources::localized("清空列表"));
    m_filesButton->setText(AppResources::localized("打开文件"));
    m_setbutton->setText(AppResources::localized("设置"));
    bar->addWidget(m_filesButton);
    bar->addWidget(m_deleteButton);
    bar->addStretch(1);
    bar->addWidget(m_setbutton);
    root->addLayout(bar);

    m_model = new PlayListModel(this);
    m_cell = new FileCell(this);
    m_tableView = new QListView(this);
    m_tableView->setModel(m_model);
    m_tableView->setItemDelegate(m_cell);
    m_tableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tableView->setFrameShape(QFrame::NoFrame);
    m_tableView->setMouseTracking(true);
    m_tableView->setAccessibleName(tr("Play list"));
    // Tab: the bar's buttons left to right, then the rows.
    setTabOrder(m_filesButton, m_deleteButton);
    setTabOrder(m_deleteButton, m_setbutton);
    setTabOrder(m_setbutton, m_tableView);
    // Rows differ in height: the first clip of a trip carries the trip's heading.
    m_tableView->setUniformItemSizes(false);
    m_tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tableView->installEventFilter(this);
    root->addWidget(m_tableView, 1);

    auto* graphRow = new QHBoxLayout;
    auto* unitCaption = new RotatedLabel(QString(), this);
    m_unitCaption = unitCaption;
    graphRow->addWidget(unitCaption);
    m_gsensorView = new CustomGsensorView(this);
    m_gsensorView->setCurveCount(1);
    m_gsensorView->setMinimumHeight(90);
    m_graph = std::make_shared<GraphEntries>();
    m_gsensorView->setGsensorArray(m_graph);
    graphRow->addWidget(m_gsensorView, 1);
    m_timeText = new QLabel(AppResources::localized("time_Text_string"), this);
    QPalette muted = m_timeText->palette();
    muted.setColor(QPalette::WindowText, QColor(255, 255, 255, 178));
    m_timeText->setPalette(muted);
    root->addWidget(m_timeText);
    root->addLayout(graphRow);

    connect(m_tableView, &QListView::pressed, this, [this](const QModelIndex& index) {
        // A click plays the row; Ctrl+click adds it to the selection or takes it out (for export and
        // removal) and leaves playback alone.
        if (!m_pressModifiers.testFlag(Qt::ControlModifier)) {
            proposeSelection({index.row()});
            return;
        }
        QList<int> rows = m_selectedRows;
        if (rows.contains(index.row()))
            rows.removeAll(index.row());
        else
            rows << index.row();
        setSelectedRows(rows);
    });
    connect(m_cell, &FileCell::didClickImageButton, this, &PlayListViewController::customTableCellView);
    connect(m_filesButton, &QToolButton::clicked, this, &PlayListViewController::addVideoPlay);
    connect(m_deleteButton, &QToolButton::clicked, this, &PlayListViewController::removeVideoPlay);
    connect(m_setbutton, &QToolButton::clicked, this, &PlayListViewController::openSeting);
    connect(&MyCache::events(), &MyCacheEvents::batchProgress, this, [this](int done, int total) {
        if (m_waitC)
            m_waitC->setProgress(done, total);
    });

    setAcceptDrops(true);
    m_tableView->setAcceptDrops(true);
    m_tableView->viewport()->setAcceptDrops(true);
    m_tableView->viewport()->installEventFilter(this);
    NotificationCenter::defaultCenter().addObserver(
        NotificationNames::kSelectSpeed, this, [this](const QVariant&) {
            showSpeedGraph();
            m_tableView->viewport()->update(); // the trips' distances
        });
    NotificationCenter::defaultCenter().addObserver(
        NotificationNames::kEventThresholds, this,
        [this](const QVariant&) { m_tableView->viewport()->update(); });
    AppLinks::shared().registerPlaylistVC(this);
    showSpeedGraph();
    m_selectIndex = -1;
    reloadPlayListData(); // the stored list of the previous run; nothing plays
}

bool PlayListViewController::implementsOperation(Operation operation) const {
    return operation == Operation::DataLogicProcessOfViodePath ||
           operation == Operation::UpdateDataByCurrentTime || operation == Operation::VideoAllTime ||
           operation == Operation::PlayNext || operation == Operation::VideoEnd;
}

void PlayListViewController::setSelectedRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    m_selectedRows = rows;
    m_model->setSelectedRows(rows);
    m_tableView->viewport()->update();
}

void PlayListViewController::reloadPlayListData() {
    const auto stored = MyCache::playList();
    m_model->setPlayList(stored ? *stored : PlayList{}, m_selectIndex);
    m_model->setSelectedRows(m_selectedRows);
    // A folded trip opens when its clip plays, so that the playing row shows.
    if (m_model->isFolded(static_cast<int>(m_selectIndex))) {
        if (const auto trip =
                PlayListTrips::tripOf(m_model->trips(), static_cast<std::size_t>(m_selectIndex)))
            m_model->toggleTrip(static_cast<int>(trip->firstRow));
    }
    showFolds();
    if (m_selectIndex >= 0 && m_selectIndex < m_model->rowCount())
        m_tableView->scrollTo(m_model->index(static_cast<int>(m_selectIndex)));
}

void PlayListViewController::showFolds() {
    // A reset of the model shows every row again; hide those of the folded trips.
    for (const PlayListTrips::Trip& trip : m_model->trips()) {
        for (std::size_t row = trip.firstRow + 1; row <= trip.lastRow; ++row)
            m_tableView->setRowHidden(static_cast<int>(row), m_model->isFolded(static_cast<int>(row)));
    }
}

bool PlayListViewController::toggleTripAt(const QPoint& viewportPos) {
    const QModelIndex index = m_tableView->indexAt(viewportPos);
    if (!index.isValid() || !index.data(PlayListModel::TripHeaderRole).isValid() ||
        !FileCell::tripHeaderRect(m_tableView->visualRect(index)).contains(viewportPos))
        return false;
    m_model->toggleTrip(index.row());
    showFolds();
    return true;
}

void PlayListViewController::followPlayingFile(const QString& key) {
    const PlayList& list = m_model->playList();
    for (std::size_t row = 0; row < list.size(); ++row) {
        if (list[row].path() == key) {
            m_selectIndex = static_cast<qint64>(row);
            break;
        }
    }
    reloadPlayListData();
}

bool PlayListViewController::proposeSelection(const QList<int>& rows) {
    if (m_fileOpen || rows.isEmpty())
        return false; // refused while files are being added; nothing proposed plays nothing
    setSelectedRows(rows);
    m_selectIndex = rows.isEmpty() ? m_model->rowCount() : *std::min_element(rows.begin(), rows.end());
    selectIndexPlay(m_selectIndex);
    return true;
}

void PlayListViewController::selectIndexPlay(qint64 row) {
    const PlayList& list = m_model->playList();
    if (static_cast<quint64>(row) < list.size()) {
        playCurrentItem(list[static_cast<std::size_t>(row)].path().value_or(QString()));
        if (AppController* app = AppLinks::shared().appController())
            app->activeCurrentPlayIndex(static_cast<int>(row));
        reloadPlayListData();
    } else {
        m_selectIndex = m_selectIndex - 1;
    }
}

void PlayListViewController::playCurrentItem(const QString& key) {
    if (PlaybackControl* video = AppLinks::shared().videoVC()) {
        video->close();
        video->initAssetData(QUrl(key));
    }
}

void PlayListViewController::playNext(bool next) {
    const qint64 count = m_model->rowCount();
    if (next) {
        if (m_selectIndex >= count - 1)
            return;
        ++m_selectIndex;
    } else {
        if (m_selectIndex < 1)
            return;
        --m_selectIndex;
    }
    selectIndexPlay(m_selectIndex);
}

void PlayListViewController::videoEnd() {
    qCInfo(lcKestrun) << "视频播放完成";
    if (AppManager::sharedManager().playType() == 0)
        ++m_selectIndex;
    selectIndexPlay(m_selectIndex);
}

void PlayListViewController::dataLogicProcessOfViodePath(const std::optional<QString>& path) {
    m_currentPlayVideoPath = path;
    showSpeedGraph();
}

// The file's speed over time on a speed scale: from 0 to above the file's highest speed, in the unit in
// force, captioned with that unit.
void PlayListViewController::showSpeedGraph() {
    const int speedType = AppManager::sharedManager().speedType();
    const double factor = SpeedUnits::factor(speedType);
    m_graph = std::make_shared<GraphEntries>();
    double highest = 0;
    if (m_currentPlayVideoPath) {
        if (const auto samples = MyCache::findGpsDatas(*m_currentPlayVideoPath)) {
            for (const TrackSample& sample : *samples) {
                const double speed = double(sample.spd) * factor;
                highest = std::max(highest, speed);
                m_graph->append(QList<double>{speed});
            }
        }
    }
    const double top = GsensorGraphGeometry::niceScaleTop(highest);
    QStringList labels;
    for (int i = 0; i < GsensorGraphGeometry::kLabels; ++i)
        labels << QString::fromStdString(
            NumberText::formatFixed(top * i / (GsensorGraphGeometry::kLabels - 1), 0));
    m_gsensorView->setScale(0, top, labels);
    m_gsensorView->setGsensorArray(m_graph);
    m_gsensorView->update();
    static_cast<RotatedLabel*>(m_unitCaption)
        ->setText(
            AppResources::localized(speedType == AppManager::kSpeedKmh ? "km_speedUnit" : "mph_speedUnit"));
}

QString PlayListViewController::speedCaption() const {
    return static_cast<RotatedLabel*>(m_unitCaption)->text();
}

void PlayListViewController::videoAllTime(double seconds) {
    m_totalTime = seconds;
    m_gsensorView->setNewSecondTotle(static_cast<int>(seconds)); // the file's own length at once
    m_timeText->setText(TimeFormatUtils::stringFromSeconds(0) + " / " +
                        TimeFormatUtils::stringFromSeconds(static_cast<std::int32_t>(seconds)));
}

void PlayListViewController::updateDataByCurrentTime(double seconds) {
    const auto s = static_cast<qint64>(seconds);
    // The time follows the video also where the track has no second for it (no GPS, a shorter track).
    if (s >= 0)
        m_timeText->setText(TimeFormatUtils::stringFromSeconds(static_cast<std::int32_t>(s)) + " / " +
                            TimeFormatUtils::stringFromSeconds(static_cast<std::int32_t>(m_totalTime)));
    if (m_graph->isEmpty() || s < 0 || s >= m_graph->size())
        return;
    m_gsensorView->setTotleSecond(static_cast<int>(m_totalTime));
    m_gsensorView->updateGsensorRange(static_cast<int>(s));
}

QStringList PlayListViewController::selectedKeys() const {
    const PlayList& list = m_model->playList();
    QList<int> rows = m_selectedRows;
    if (rows.isEmpty() && m_selectIndex >= 0)
        rows << static_cast<int>(m_selectIndex);
    std::sort(rows.begin(), rows.end());
    QStringList keys;
    for (const int row : rows) {
        if (row >= 0 && static_cast<std::size_t>(row) < list.size())
            keys << list[static_cast<std::size_t>(row)].path().value_or(QString());
    }
    return keys;
}

void PlayListViewController::removeSelectedRow() {
    // Only rows the user selected; with none selected nothing is removed.
    QStringList keys;
    const PlayList& list = m_model->playList();
    for (const int row : m_selectedRows) {
        if (row >= 0 && static_cast<std::size_t>(row) < list.size())
            keys << list[static_cast<std::size_t>(row)].path().value_or(QString());
    }
    for (const QString& key : keys) {
        const PlayList& rows = m_model->playList();
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (rows[row].path() == key) {
                customTableCellView(static_cast<int>(row), key);
                break;
            }
        }
    }
}

bool PlayListViewController::addDroppedFiles(const QList<QUrl>& urls) {
    QList<QUrl> files;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            files << url;
    }
    if (m_fileOpen || files.isEmpty())
        return false;
    m_fileOpen = true;
    if (PlaybackControl* video = AppLinks::shared().videoVC())
        video->openFilePause();
    filesChosen(files);
    return true;
}

void PlayListViewController::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !m_fileOpen)
        event->acceptProposedAction();
}

void PlayListViewController::dropEvent(QDropEvent* event) {
    if (addDroppedFiles(event->mimeData()->urls()))
        event->acceptProposedAction();
}

PlayListViewController::~PlayListViewController() {
    // An open dialog that is the view's child (the view is its own window) goes before the view stops
    // being one: its end must not call back into a half-destroyed view.
    if (m_openDialog) {
        disconnect(m_openDialog, nullptr, this, nullptr);
        delete m_openDialog;
    }
}

void PlayListViewController::addVideoPlay() {
    if (m_fileOpen)
        return;
    m_fileOpen = true;
    if (PlaybackControl* video = AppLinks::shared().videoVC())
        video->openFilePause();
    QPointer<PlayListViewController> self(this);
    QFileDialog* dialog =
        OpenFilesDialog::open(window(), AppResources::localized("打开文件"), [self](const QList<QUrl>& urls) {
            if (self)
                self->filesChosen(urls); // an empty list: cancelled
        });
    m_openDialog = dialog;
    emit openDialogShown(dialog);
}

void PlayListViewController::filesChosen(const QList<QUrl>& urls) {
    if (urls.isEmpty()) {
        m_fileOpen = false; // playback stays paused
        return;
    }
    QStringList names;
    for (const QUrl& url : urls)
        names << url.toString();
    qCInfo(lcKestrun).noquote() << "(" + names.join(",\n") + ")";
    m_delayBlock = DelayedAction::createDelayBlockAfterTime(
        kWaitDelayMs, [this] { starWaitFileFinish(); }, this);
    const QString firstKey = MyCache::fileKey(urls.first());
    const int total = static_cast<int>(urls.size());
    QPointer<PlayListViewController> self(this);
    MyCache::playPathArrCache(urls, [self, firstKey, total] {
        if (!self)
            return;
        Q_UNUSED(total);
        self->closeWaitIndicator();
        DelayedAction::cancelDelayedBlock(self->m_delayBlock);
        self->reloadPlayListData();
        const PlayList& list = self->m_model->playList();
        for (std::size_t row = 0; row < list.size(); ++row) {
            if (list[row].path() == firstKey) {
                self->m_selectIndex = static_cast<qint64>(row);
                break;
            }
        }
        self->selectIndexPlay(self->m_selectIndex);
        self->m_fileOpen = false;
        emit self->addFinished();
    });
}

void PlayListViewController::starWaitFileFinish() {
    auto* wait = new WaitViewController;
    m_waitC = wait;
    auto* popover = new PopoverWindow(wait, false, window());
    popover->setAttribute(Qt::WA_TranslucentBackground);
    popover->setFrameShape(QFrame::NoFrame);
    popover->setStyleSheet("background: transparent;");
    m_popoverC = popover;
    popover->showCentredOn(window()); // and follows the window when it moves or is resized
}

void PlayListViewController::closeWaitIndicator() {
    if (m_popoverC)
        m_popoverC->close();
    m_popoverC = nullptr;
    m_waitC = nullptr;
}

void PlayListViewController::customTableCellView(int row, const QString& key) {
    if (!MyCache::playList())
        return;
    // Every row with this key leaves the list as it is now, also while a batch adds rows to it.
    MyCache::removePath(key);
    setSelectedRows({});
    if (m_selectIndex >= 0) {
        if (row == m_selectIndex) {
            stopPlayback();
            m_selectIndex = -1;
        } else if (row < m_selectIndex) {
            --m_selectIndex; // the playing row moved up
        }
    }
    reloadPlayListData();
}

void PlayListViewController::removeVideoPlay() {
    MyCache::playPathClear();
    m_selectIndex = -1;
    setSelectedRows({});
    reloadPlayListData();
    stopPlayback();
}

// The file that plays is gone from the list: nothing of it stays on screen.
void PlayListViewController::stopPlayback() {
    if (PlaybackControl* video = AppLinks::shared().videoVC())
        video->StopVideo();
    dataLogicProcessOfViodePath(std::nullopt);
    videoAllTime(0);
}

void PlayListViewController::openSeting() {
    auto* panel = new PlayerSetingViewController;
    auto* popover = new PopoverWindow(panel, true, this);
    connect(panel, &PlayerSetingViewController::closeRequested, popover, &QWidget::close);
    m_panel = panel;
    popover->showNextTo(m_setbutton);
}

void PlayListViewController::keyDown(QKeyEvent* event) {
    if (PlaybackControl* video = AppLinks::shared().videoVC())
        video->keyDown(event);
    if (event->modifiers().testFlag(Qt::ControlModifier) && event->key() == Qt::Key_A) {
        QList<int> all;
        for (int row = 0; row < m_model->rowCount(); ++row)
            all << row;
        setSelectedRows(all); // for export and removal; what plays stays
    }
}

bool PlayListViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tableView->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            // A press on a trip's heading folds or unfolds the trip; it neither plays nor selects.
            if (mouse->button() == Qt::LeftButton && toggleTripAt(mouse->position().toPoint()))
                return true;
            m_pressModifiers = mouse->modifiers(); // read by the row's press
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QModelIndex index = m_tableView->indexAt(pos);
            if (index.isValid() && index.data(PlayListModel::TripHeaderRole).isValid() &&
                FileCell::tripHeaderRect(m_tableView->visualRect(index)).contains(pos))
                return true;
        }
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (drag->mimeData()->hasUrls() && !m_fileOpen) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            if (addDroppedFiles(drop->mimeData()->urls()))
                drop->acceptProposedAction();
            return true;
        }
    }
    if (watched == m_tableView && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        keyDown(key);
        switch (key->key()) {
        case Qt::Key_Tab: // focus moves on, and the arrows move the keyboard's row
        case Qt::Key_Backtab:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            return false;
        case Qt::Key_Return: // plays the keyboard's row, as a click does
        case Qt::Key_Enter:
            if (m_tableView->currentIndex().isValid())
                proposeSelection({m_tableView->currentIndex().row()});
            return true;
        default:
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
