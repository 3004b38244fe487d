#pragma once

#include <QFrame>
#include <QPointer>

// A borderless, arrowless window shown at a place of another window. A transient popover closes when the
// user clicks elsewhere (Qt::Popup); a plain one stays until it is closed and can be moved. It owns its
// content and deletes itself when closed.
class PopoverWindow : public QFrame {
    Q_OBJECT
public:
    PopoverWindow(QWidget* content, bool transient, QWidget* parent);

    // Shows the popover next to `anchor`: below it, or above when there is no room below.
    void showNextTo(QWidget* anchor);
    // Shows the popover centred on `window` and keeps it centred while that window moves or resizes.
    void showCentredOn(QWidget* window);

    QWidget* content() const { return m_content; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void centre();

    QWidget* m_content = nullptr;
    QPointer<QWidget> m_centredOn;
};
