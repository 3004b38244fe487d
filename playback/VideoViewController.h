#pragma once

#include "AppLinks.h"
#include "CVModuleProtocol.h"

#include <QUrl>
#include <QWidget>

#include <optional>

class QLabel;

// The playback module: the application's clock. It tells the other modules which file is active, how long
// it is, where playback stands and when it has ended, through its module references. The engines that play
// the file come with the playback issue; until then a started file is announced to the modules and its
// name shown, and nothing plays.
class VideoViewController : public QWidget, public CVModuleProtocol, public PlaybackControl {
    Q_OBJECT
public:
    explicit VideoViewController(QWidget* parent = nullptr);

    bool implementsOperation(Operation operation) const override;

    // PlaybackControl
    void close() override;
    void initAssetData(const QUrl& url) override;

    // What an engine reports, passed to the modules in the order they rely on.
    void reportDuration(double seconds);
    void reportTime(double seconds);
    void reportEnd();

    std::optional<QUrl> activeUrl() const { return m_url; }

    ModuleRef zoomInDelegate;   // the layout controller
    ModuleRef gpsDelegate;      // the map
    ModuleRef speedDelegate;    // the dashboard
    ModuleRef gpsInfoDelegate;  // the play list
    ModuleRef videoEndDelegate; // the play list
    ModuleRef clearDelegate;    // the dashboard

private:
    QLabel* m_message = nullptr;
    std::optional<QUrl> m_url;
};
