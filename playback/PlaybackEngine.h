#pragma once

#include <QObject>
#include <QUrl>

class QWidget;

// One way of playing a file. The controller opens a file in one engine, which reports on the main thread:
// when the file is ready (and how long it is), failures by their alert kind, time reports by its own rule,
// the end of the file and whether it plays. Times in seconds. The controller never opens or closes an
// engine from inside one of its signals: it reacts to the end of a file and to failures on a later turn of
// the event loop.
class PlaybackEngine : public QObject {
    Q_OBJECT
public:
    // The kinds of the error alert.
    enum ErrorKind { UnsupportedFormat = 1, DamagedFile = 2, MissingFile = 3 };

    using QObject::QObject;
    ~PlaybackEngine() override = default;

    // The widget the picture is drawn in; the controller places it in its picture area.
    virtual QWidget* videoSurface() = 0;

    // Opens and starts the file at `rate` and `volume` (the stored "volume" setting, 0 to 1).
    virtual void open(const QUrl& url, float rate, float volume) = 0;
    // Stops and releases the file.
    virtual void close() = 0;
    virtual bool hasFile() const = 0;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual bool isPlaying() const = 0;
    virtual void setRate(float rate) = 0;
    virtual float rate() const = 0;

    virtual double duration() const = 0;
    virtual double currentTime() const = 0;
    // Seeks by the engine's rule (whole seconds); returns the position the engine lands on.
    virtual double setCurrentTime(double seconds) = 0;
    // A change of the volume slider, 0 to 1, by the engine's rule.
    virtual void userChangeVolume(double volume) = 0;

signals:
    // The file is ready and plays; its duration in seconds as this engine reports it (0 while unknown).
    void started(double duration);
    // The engine learnt the file's length after it started (seconds).
    void durationChanged(double duration);
    void failed(int errorKind);
    // The file failed after it had loaded and started: only the play button goes out of use (no alert).
    void itemFailed();
    // The file has no video track (only logged).
    void noVideoTrack();
    // The media position while it plays, by the engine's rule (fractional or whole seconds), as often as
    // the engine tells it; the controller's clock makes the modules' reports of it.
    void timeReport(double seconds);
    void endReached();
    void playingChanged(bool playing);
};
