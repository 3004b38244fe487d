#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <memory>

// One list of values per second; an entry holds up to three values (x, y, z in g for the dashboard, one
// value for the play list's speed curve). The owner and the graph share the list: entries the owner adds
// are seen by the graph, and the graph's clearView empties the owner's list.
using GraphEntries = QList<QList<double>>;
using SharedGraphEntries = std::shared_ptr<GraphEntries>;

// A per-second record of a whole file as up to three curves (red, green, blue) on a scale from −2 to +2
// (or one set by its owner), time from 0 to the file's length, and a red cursor at the current second.
class CustomGsensorView : public QWidget {
    Q_OBJECT
public:
    explicit CustomGsensorView(QWidget* parent = nullptr);

    void setGsensorArray(SharedGraphEntries entries); // no redraw
    void setTotleSecond(int seconds);                 // no redraw
    void setNewSecondTotle(int seconds);
    void updateGsensorRange(int second);
    void clearView();
    // Another scale than the G-sensor's −2 … +2: values from `lowest` to `highest` over the four grid steps,
    // with five labels from the bottom up; and how many curves an entry holds (1 to 3).
    void setScale(double lowest, double highest, const QStringList& labels);
    void setCurveCount(int count);
    // Seconds to mark with a thin line in their colour, each with a tooltip (the clip's driving events).
    struct Mark {
        int second = 0;
        QColor colour;
        QString tooltip;
    };
    void setMarks(const QList<Mark>& marks);
    const QList<Mark>& marks() const { return m_marks; }
    // Where each of marks() is drawn (widget x): at its second, or beside a mark of the same second; NaN
    // for a mark outside the graph.
    QList<double> markXs() const;

    SharedGraphEntries gsensorArray() const { return m_entries; }
    int totleSecond() const { return m_totleSecond; }
    int index() const { return m_index; }
    QStringList scaleLabels() const { return m_labels; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr double kMarkWidth = 3;

    // What the layer of axes, grid, labels and curves was drawn from.
    struct Layer {
        qsizetype count = 0;
        int seconds = 0;
        QSize size;
        qreal ratio = 1;
        bool customScale = false;
        double lowest = 0;
        double highest = 0;
        QStringList labels;
        int curves = 0;
        bool withCurves = false;
        bool operator==(const Layer&) const = default;
    };
    QRect cursorRect(int second) const;
    void paintLayer(QPainter& painter, bool withCurves) const;

    SharedGraphEntries m_entries;
    int m_totleSecond = 0;
    int m_index = 0;
    bool m_customScale = false;
    double m_lowest = -2;
    double m_highest = 2;
    QStringList m_labels{"-2.0", "-1.0", "0.0", "1.0", "2.0"};
    int m_curves = 3;
    QList<Mark> m_marks;
    QPixmap m_layer;
    Layer m_layerKey;
};
