#include "StoreNoticeBar.h"

#include "StoreNotices.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

namespace {
constexpr const char* kProblemStyle = "background: #5c1f1f; color: #ffe3e3; padding: 6px;";
constexpr const char* kInformationStyle = "background: #1f3a5c; color: #e3efff; padding: 6px;";
} // namespace

StoreNoticeBar::StoreNoticeBar(QWidget* parent)
    : QFrame(parent) {
    setObjectName("storeNoticeBar");
    m_lines = new QVBoxLayout(this);
    m_lines->setContentsMargins(0, 0, 0, 0);
    m_lines->setSpacing(1);
    connect(&StoreNotices::shared(), &StoreNotices::changed, this, &StoreNoticeBar::rebuild);
    rebuild();
}

void StoreNoticeBar::rebuild() {
    while (QLayoutItem* item = m_lines->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int shown = 0;
    for (const StoreNotices::Notice& notice : StoreNotices::shared().notices()) {
        if (!notice.problem && m_dismissed.contains(notice.id))
            continue;
        auto* line = new QWidget(this);
        line->setStyleSheet(notice.problem ? kProblemStyle : kInformationStyle);
        auto* row = new QHBoxLayout(line);
        row->setContentsMargins(8, 2, 4, 2);
        auto* text = new QLabel(notice.text, line);
        text->setObjectName("storeNotice");
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse); // the paths can be copied
        text->setAccessibleName(notice.text);
        row->addWidget(text, 1);
        if (!notice.problem) {
            auto* close = new QToolButton(line);
            close->setText(QStringLiteral("×"));
            close->setToolTip(tr("Close this notice"));
            close->setAccessibleName(tr("Close this notice"));
            connect(close, &QToolButton::clicked, this, [this, id = notice.id] {
                m_dismissed << id;
                rebuild();
            });
            row->addWidget(close, 0, Qt::AlignTop);
        }
        m_lines->addWidget(line);
        ++shown;
    }
    setVisible(shown > 0);
}

QStringList StoreNoticeBar::shownTexts() const {
    QStringList texts;
    for (const QLabel* label : findChildren<QLabel*>("storeNotice"))
        texts << label->text();
    return texts;
}

bool StoreNoticeBar::confirmQuit(QWidget* parent) {
    const int unsaved = StoreNotices::shared().unsavedChanges();
    if (unsaved == 0)
        return true;
    QMessageBox box(QMessageBox::Warning, tr("Unsaved changes"),
                    tr("%n change(s) to the play list or the settings could not be saved (%1). They are lost "
                       "when the player quits now.",
                       nullptr, unsaved)
                        .arg(StoreNotices::shared().unsavedReason()),
                    QMessageBox::NoButton, parent);
    QPushButton* quit = box.addButton(tr("Quit Anyway"), QMessageBox::DestructiveRole);
    box.addButton(tr("Keep Running"), QMessageBox::RejectRole);
    box.setDefaultButton(qobject_cast<QPushButton*>(box.buttons().last()));
    box.exec();
    return box.clickedButton() == quit;
}
