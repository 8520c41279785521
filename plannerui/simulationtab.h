#pragma once

#include "plannerui/simulationdriver.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class GraphView;
class QTextEdit;
namespace Ui {
class SimulationTabClass;
}

// The "Simulation" tab: drives a connected computer with a simulated ambient pressure, set by
// hand, lowered by an ascent, or replayed second by second from a dive shown in a graph.
class SimulationTab : public QWidget
{
    Q_OBJECT

public:
    // Id of the time marker among the graph's overlay icons.
    static constexpr int kTimeMarkerId = 0x51A7;

    explicit SimulationTab(QWidget* parent = nullptr);
    ~SimulationTab() override;

    SimulationDriver& driver() { return m_driver; }
    // The link to use; without one, the process-wide link at connection time.
    void setLink(TarskBle* link);
    // A graph whose shown dive can be replayed; the time marker runs over it. With two or more,
    // a box picks the one to replay.
    void addReplaySource(const QString& label, GraphView* graph);
    GraphView* replayGraph() const;
    // Where the main window shows the position information of its profile graph.
    QTextEdit* positionInformation() const;

    // Connects the computer (the main window's connectTarskBle): 1 when a computer is connected.
    std::function<int()> connectComputer;
    // Asks for the ascent's target depth (m) and speed (m/min); false when cancelled.
    std::function<bool(int& targetDepthM, int& speedMPerMin)> askAscent;
    // Asks whether to stop a running ascent.
    std::function<bool()> confirmStopAscent;
    std::function<void(const QString& title, const QString& text)> showError;

public slots:
    // The computer is connected and identified: enable the controls, take its pressure.
    void connectionDone();
    // The computer went away.
    void computerDisconnected();
    // A dive was shown: the replay button is on only while a computer is connected.
    void diveShown();

    void on_btConnectBluetooth_clicked();
    void on_tbPressure_valueChanged(int value);
    void on_spPressure_valueChanged(double value);
    void on_btAscent_clicked();
    void on_btStartStopSimul_clicked();

signals:
    // Lines for the console.
    void logMessage(const QString& text);

private:
    struct ReplaySource
    {
        QString label;
        QPointer<GraphView> graph;
    };

    void showPressure(double bar);
    void showComputerPressure(quint32 mbar);
    void applyMinimum();
    void setManualEnabled(bool enabled);
    void ascentEnded();
    void showReplayStep(int index, const SimulationSample& sample);
    void replayEnded();

    std::unique_ptr<Ui::SimulationTabClass> m_ui;
    SimulationDriver m_driver;
    QPointer<TarskBle> m_link;
    QPointer<TarskBle> m_watchedLink;
    QList<ReplaySource> m_sources;
    QPointer<GraphView> m_markerGraph;
};
