#pragma once

#include <QWidget>

class GifView;
class QLabel;

// The wait indicator's content: the animated wait picture and, below it, how many of the batch's files
// are read.
class WaitViewController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSize = 96;

    explicit WaitViewController(QWidget* parent = nullptr);

    GifView* gifView() const { return m_gif; }
    void setProgress(int done, int total);
    QString progressText() const;

private:
    GifView* m_gif = nullptr;
    QLabel* m_progress = nullptr;
};
