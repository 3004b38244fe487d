#pragma once

#include <QStyledItemDelegate>

// A play-list row: the marker of the playing row, file name, time, size and GPS health, and a delete button
// at the right end that asks to delete the row's file.
class FileCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 48;
    static constexpr int kButtonSize = 22;
    static constexpr int kTripHeaderHeight = 26;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // Where the delete button sits in a row's own part (below a trip's heading, see clipRect).
    static QRect deleteButtonRect(const QRect& row);
    // The first row of a trip carries the trip's heading above the clip: the heading's band, and the part
    // that shows the clip (the whole rectangle on other rows).
    static QRect tripHeaderRect(const QRect& item);
    static QRect clipRect(const QRect& item, const QModelIndex& index);

private:
    void paintTripHeader(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const;

signals:
    // customTableCellView:didClickImageButton:withAppURL: (row, file key)
    void didClickImageButton(int row, const QString& key);
};
