#include "FileCell.h"

#include "PlayListModel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

namespace {
const QColor kMuted(255, 255, 255, 140); // white at alpha 0.55
const QColor kMarker(245, 184, 61);
const QColor kSelected(52, 110, 190, 150); // rows the user selected
const QColor kNoGps(229, 72, 77);
const QColor kHasGps(52, 199, 89);
} // namespace

QRect FileCell::deleteButtonRect(const QRect& row) {
    return QRect(row.right() - kButtonSize - 8, row.center().y() - kButtonSize / 2, kButtonSize, kButtonSize);
}

QRect FileCell::tripHeaderRect(const QRect& item) {
    return QRect(item.left(), item.top(), item.width(), kTripHeaderHeight);
}

QRect FileCell::clipRect(const QRect& item, const QModelIndex& index) {
    return index.data(PlayListModel::TripHeaderRole).isValid() ? item.adjusted(0, kTripHeaderHeight, 0, 0)
                                                               : item;
}

QSize FileCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool heading = index.data(PlayListModel::TripHeaderRole).isValid();
    return {option.rect.width(), kRowHeight + (heading ? kTripHeaderHeight : 0)};
}

void FileCell::paintTripHeader(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QRect band = tripHeaderRect(option.rect);
    painter->fillRect(band.adjusted(0, 2, 0, 0), QColor(255, 255, 255, 18));
    const bool folded = index.data(PlayListModel::TripCollapsedRole).toBool();
    // A small triangle: pointing down while the trip's clips show, right while they are folded away.
    const QPointF c(band.left() + 14, band.center().y() + 1);
    QPolygonF arrow = folded ? QPolygonF{c + QPointF(-3, -5), c + QPointF(3, 0), c + QPointF(-3, 5)}
                             : QPolygonF{c + QPointF(-5, -3), c + QPointF(5, -3), c + QPointF(0, 3)};
    painter->setPen(Qt::NoPen);
    painter->setBrush(kMuted);
    painter->drawPolygon(arrow);
    QFont font = option.font;
    font.setPixelSize(12);
    font.setBold(true);
    painter->setFont(font);
    painter->setPen(kMuted);
    const QRect text = band.adjusted(26, 2, -8, 0);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(font).elidedText(index.data(PlayListModel::TripHeaderRole).toString(),
                                                    Qt::ElideRight, text.width()));
}

void FileCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (index.data(PlayListModel::TripHeaderRole).isValid())
        paintTripHeader(painter, option, index);
    const QRect r = clipRect(option.rect, index);
    const bool marked = index.data(PlayListModel::MarkedRole).toBool();
    if (index.data(PlayListModel::SelectedRole).toBool()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(kSelected);
        painter->drawRoundedRect(QRectF(r).adjusted(2, 2, -2, -2), 4, 4);
    }
    if (option.state.testFlag(QStyle::State_MouseOver))
        painter->fillRect(r, QColor(255, 255, 255, 14));
    if (option.state.testFlag(QStyle::State_HasFocus)) { // the keyboard's row while the list has the focus
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
    }
    if (marked) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(kMarker);
        painter->drawRoundedRect(QRect(r.left() + 6, r.top() + 10, 4, r.height() - 20), 2, 2);
    }
    const QRect text(r.left() + 18, r.top() + 5, r.width() - 18 - kButtonSize - 20, r.height() / 2 - 3);
    QFont small = option.font;
    small.setPixelSize(11);
    // When the clip was recorded, at the right of its name, which gives way to it.
    const QString recorded = index.data(PlayListModel::RecordTimeRole).toString();
    int recordedWidth = 0;
    if (!recorded.isEmpty()) {
        painter->setFont(small);
        painter->setPen(kMuted);
        recordedWidth = QFontMetrics(small).horizontalAdvance(recorded) + 10;
        painter->drawText(text, Qt::AlignRight | Qt::AlignVCenter, recorded);
    }
    QFont name = option.font;
    name.setBold(marked);
    painter->setFont(name);
    painter->setPen(option.palette.color(QPalette::Text));
    const QRect nameRect = text.adjusted(0, 0, -recordedWidth, 0);
    painter->drawText(
        nameRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(name).elidedText(index.data().toString(), Qt::ElideMiddle, nameRect.width()));

    painter->setFont(small);
    const QRect details(text.left(), r.center().y() + 1, text.width(), r.height() / 2 - 6);
    const QString time = index.data(PlayListModel::TimeRole).toString();
    const QString size = index.data(PlayListModel::SizeRole).toString();
    painter->setPen(kMuted);
    const QString left = time + "   " + size;
    painter->drawText(details, Qt::AlignLeft | Qt::AlignVCenter, left);
    // The clip's driving events: a small amber badge with their number.
    if (const int events = index.data(PlayListModel::EventCountRole).toInt(); events > 0) {
        const QFontMetrics metrics(small);
        const QString count = QString::number(events);
        const int x = details.left() + metrics.horizontalAdvance(left) + 10;
        const QRect badge(x, details.center().y() - 7, metrics.horizontalAdvance(count) + 10, 14);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0xF5, 0x9F, 0x00));
        painter->drawRoundedRect(badge, 7, 7);
        painter->setPen(Qt::black);
        painter->drawText(badge, Qt::AlignCenter, count);
    }
    painter->setPen(index.data(PlayListModel::HasGpsRole).toBool() ? kHasGps : kNoGps);
    painter->drawText(details, Qt::AlignRight | Qt::AlignVCenter,
                      index.data(PlayListModel::GpsRole).toString());

    const QRect button = deleteButtonRect(r);
    painter->setPen(QPen(kMuted, 1.6));
    const int m = 7;
    painter->drawLine(button.topLeft() + QPoint(m, m), button.bottomRight() - QPoint(m, m));
    painter->drawLine(button.topRight() + QPoint(-m, m), button.bottomLeft() + QPoint(m, -m));
    painter->restore();
}

bool FileCell::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                           const QModelIndex& index) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            deleteButtonRect(clipRect(option.rect, index)).contains(mouse->position().toPoint())) {
            emit didClickImageButton(index.row(), index.data(PlayListModel::KeyRole).toString());
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (deleteButtonRect(clipRect(option.rect, index)).contains(mouse->position().toPoint()))
            return true; // the delete button is not a row click
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
