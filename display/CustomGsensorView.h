#pragma once

#include <QList>
#include <QWidget>

#include <memory>

// One list of values per second; an entry holds up to three values (x, y, z in g for the dashboard, one
// value for the play list's speed curve). The owner and the graph share the list: entries the owner adds
// are seen by the graph, and the graph's clearView empties the owner's list.
using GraphEntries = QList<QList<double>>;
using SharedGraphEntries = std::shared_ptr<GraphEntries>;

// A per-second record of a whole file as up to three curves (red, green, blue) on a scale from −2 to +2,
// time from 0 to the file's length, and a red cursor at the current second.
class CustomGsensorView : public QWidget {
    Q_OBJECT
public:
    explicit CustomGsensorView(QWidget* parent = nullptr);

    void setGsensorArray(SharedGraphEntries entries); // no redraw
    void setTotleSecond(int seconds);                 // no redraw
    void setNewSecondTotle(int seconds);
    void updateGsensorRange(int second);
    void clearView();

    SharedGraphEntries gsensorArray() const { return m_entries; }
    int totleSecond() const { return m_totleSecond; }
    int index() const { return m_index; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SharedGraphEntries m_entries;
    int m_totleSecond = 0;
    int m_index = 0;
};
