#pragma once

#include <QList>
#include <QUrl>

#include <functional>

class QFileDialog;
class QWidget;

// The open dialog for video files, shown window-modal without blocking the event loop. `chosen` runs once
// when it closes: with the chosen files when the user accepted (Open, Return on a typed path, a double
// click), with an empty list when the dialog was cancelled or closed. The dialog deletes itself.
class OpenFilesDialog {
public:
    OpenFilesDialog() = delete;

    static QFileDialog* open(QWidget* parent, const QString& title,
                             std::function<void(const QList<QUrl>&)> chosen);
    static const QStringList& nameFilters();
};
