#pragma once

#include <QMainWindow>
#include <QRect>
#include <QSize>

class CVLayoutViewController;
class StoreNoticeBar;

// The main window: geometry, title, and its full-screen and resize events as notifications.
class CVWindowController : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 1008; // 1007.9999999999999 points, a whole pixel here
    static constexpr int kHeight = 630;
    static constexpr int kVerticalOffset = 83; // the window sits 41.5 px above the screen's centre

    explicit CVWindowController(QWidget* parent = nullptr);

    CVLayoutViewController* content() const { return m_content; }
    StoreNoticeBar* notices() const { return m_notices; }

    // The window's frame on a screen of this geometry (y down): centred horizontally, 41.5 px above centre.
    static QRect initialGeometry(const QRect& screen);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Asks first while changes could not be saved.
    void closeEvent(QCloseEvent* event) override;

private:
    CVLayoutViewController* m_content = nullptr;
    StoreNoticeBar* m_notices = nullptr;
    bool m_fullScreen = false;
};
