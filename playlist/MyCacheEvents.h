#pragma once

#include <QObject>

// Signals of the play-list cache's batches, emitted from the batch worker and delivered to receivers in
// their own threads (queued).
class MyCacheEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // `done` of the `total` files of the batch are handled (extracted or skipped as present).
    void batchProgress(int done, int total);
    // The row of the file with this key is on disk (emitted once the write has committed).
    void rowStored(const QString& key);
};
