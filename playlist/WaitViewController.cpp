#include "WaitViewController.h"

#include "GifView.h"

#include <QLabel>
#include <QVBoxLayout>

WaitViewController::WaitViewController(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    m_gif = new GifView(this);
    m_gif->setFixedSize(64, 64);
    m_progress = new QLabel(this);
    m_progress->setAlignment(Qt::AlignCenter);
    m_progress->setStyleSheet("color: white; background: transparent;");
    layout->addWidget(m_gif, 0, Qt::AlignHCenter);
    layout->addWidget(m_progress);
    setFixedSize(kSize + 24, kSize + 20);
    m_gif->createdImageAnimationView("动画.gif");
}

void WaitViewController::setProgress(int done, int total) {
    m_progress->setText(tr("%1 of %2 files").arg(done).arg(total));
}

QString WaitViewController::progressText() const {
    return m_progress->text();
}
