#pragma once

#include <QStyledItemDelegate>

// A play-list row: the marker of the playing row, file name, time, size and GPS health, and a delete button
// at the right end that asks to delete the row's file.
class FileCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 48;
    static constexpr int kButtonSize = 22;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // Where the delete button sits in a row.
    static QRect deleteButtonRect(const QRect& row);

signals:
    // customTableCellView:didClickImageButton:withAppURL: (row, file key)
    void didClickImageButton(int row, const QString& key);
};
