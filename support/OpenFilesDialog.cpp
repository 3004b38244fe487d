#include "OpenFilesDialog.h"

#include <QFileDialog>
#include <QGuiApplication>

const QStringList& OpenFilesDialog::nameFilters() {
    static const QStringList filters{
        "Videos (*.mp4 *.MP4 *.mov *.MOV *.ts *.TS *.m2ts *.mts)",
        "MP4 (*.mp4 *.MP4)",
        "MPEG transport streams (*.ts *.TS *.m2ts *.mts)",
        "All files (*)",
    };
    return filters;
}

QFileDialog* OpenFilesDialog::open(QWidget* parent, const QString& title,
                                   std::function<void(const QList<QUrl>&)> chosen) {
    auto* dialog = new QFileDialog(parent, title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters(nameFilters());
    const QString platform = QGuiApplication::platformName();
    dialog->setOption(QFileDialog::DontUseNativeDialog, platform == "offscreen" || platform == "minimal");
    // The result is read when the dialog finishes: the widget-based dialog does not always announce its
    // selection with a signal of its own.
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
        QList<QUrl> urls;
        if (result == QDialog::Accepted) {
            for (const QString& file : dialog->selectedFiles())
                urls << QUrl::fromLocalFile(file);
        }
        chosen(urls);
    });
    dialog->open();
    return dialog;
}
