#include "CVWindowController.h"
#include "KestrunLog.h"

#include "AppDelegate.h"
#include "AppResources.h"
#include "CVLayoutViewController.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "StoreNoticeBar.h"

#include <QCloseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QtDebug>

namespace {
constexpr const char* kTitle = "Kestrun Player";
}

QRect CVWindowController::initialGeometry(const QRect& screen) {
    const int x = screen.x() + (screen.width() - kWidth) / 2;
    // (screen height − 630 + 83) / 2 from the bottom is (screen height − 630 − 83) / 2 from the top.
    const int y = screen.y() + (screen.height() - kHeight - kVerticalOffset) / 2;
    return QRect(x, y, kWidth, kHeight);
}

CVWindowController::CVWindowController(QWidget* parent)
    : QMainWindow(parent) {
    qCInfo(lcKestrun) << "windowWillLoad...";
    // The stores' notices above the modules; the modules fill the rest.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_notices = new StoreNoticeBar(central);
    m_content = new CVLayoutViewController(central);
    column->addWidget(m_notices);
    column->addWidget(m_content, 1);
    setCentralWidget(central);
    setWindowTitle(kTitle);
    setWindowIconText(AppResources::displayName()); // the title when minimised
    setWindowIcon(QIcon(AppResources::picturePath("kestrun-player")));
    setMinimumSize(kWidth, kHeight);
    if (const QScreen* screen = this->screen()) {
        setMaximumSize(screen->geometry().size().expandedTo(minimumSize()));
        setGeometry(initialGeometry(screen->geometry()));
    } else {
        resize(kWidth, kHeight);
    }
    if (AppDelegate* app = AppDelegate::instance())
        app->setWindowVC(this);
}

void CVWindowController::closeEvent(QCloseEvent* event) {
    if (!StoreNoticeBar::confirmQuit(this)) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void CVWindowController::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (event->size().width() >= kWidth)
        NotificationCenter::defaultCenter().post(NotificationNames::kImageChange, event->size());
}

void CVWindowController::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const bool fullScreen = windowState().testFlag(Qt::WindowFullScreen);
    if (fullScreen == m_fullScreen)
        return;
    m_fullScreen = fullScreen;
    if (fullScreen) {
        NotificationCenter::defaultCenter().post(NotificationNames::kWindowFullChange);
        qCInfo(lcKestrun) << "4444444444444";
    } else {
        qCInfo(lcKestrun) << "2222222222";
        NotificationCenter::defaultCenter().post(NotificationNames::kWindowDidExitFullScreen);
    }
}
