#include "PopoverWindow.h"

#include <QEvent>
#include <QScreen>
#include <QVBoxLayout>

PopoverWindow::PopoverWindow(QWidget* content, bool transient, QWidget* parent)
    : QFrame(parent, (transient ? Qt::Popup : Qt::Tool) | Qt::FramelessWindowHint)
    , m_content(content) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(content);
}

void PopoverWindow::showNextTo(QWidget* anchor) {
    adjustSize();
    const QPoint below = anchor->mapToGlobal(QPoint(anchor->width() / 2 - width() / 2, anchor->height()));
    QPoint place = below;
    const QScreen* screen = anchor->screen();
    if (screen && below.y() + height() > screen->availableGeometry().bottom())
        place = anchor->mapToGlobal(QPoint(anchor->width() / 2 - width() / 2, -height()));
    move(place);
    show();
}

void PopoverWindow::showCentredOn(QWidget* window) {
    m_centredOn = window;
    window->installEventFilter(this);
    adjustSize();
    centre();
    show();
}

void PopoverWindow::centre() {
    if (!m_centredOn)
        return;
    const QRect frame = m_centredOn->geometry();
    const QPoint centre =
        m_centredOn->isWindow() ? frame.center() : m_centredOn->mapToGlobal(m_centredOn->rect().center());
    move(centre - QPoint(width() / 2, height() / 2));
}

bool PopoverWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_centredOn && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        centre();
    return QFrame::eventFilter(watched, event);
}
