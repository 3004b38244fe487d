#pragma once

#include <QFrame>

class QVBoxLayout;

// The band at the top of the main window that shows what the stores have to tell the user (StoreNotices):
// a store that cannot be read, a file set aside, changes not saved yet. Problems stay until they are
// solved; information has a button that closes it. Hidden while there is nothing to say.
class StoreNoticeBar : public QFrame {
    Q_OBJECT
public:
    explicit StoreNoticeBar(QWidget* parent = nullptr);

    // The texts shown, in order (tests and accessibility).
    QStringList shownTexts() const;

    // Asks before quitting while changes are not on disk; true when the player may quit.
    static bool confirmQuit(QWidget* parent);

private:
    void rebuild();

    QVBoxLayout* m_lines = nullptr;
    QStringList m_dismissed; // ids of information the user closed
};
