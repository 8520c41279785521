#include "plannerui/simulationtab.h"

#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "link/tarskble.h"
#include "ui_simulationtab.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "views/multifielddialog.h"

#include <QDialog>
#include <QIcon>
#include <QMessageBox>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace {

const char* const kRunIcon = ":/TestGraphics/icons/run_simulation.png";
const char* const kPauseIcon = ":/TestGraphics/icons/pause.png";
const char* const kMarkerImage = "diver";

} // namespace

SimulationTab::SimulationTab(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SimulationTabClass>())
{
    m_ui->setupUi(this);
    m_ui->lbSimSource->setVisible(false);
    m_ui->cbSimSource->setVisible(false);

    askAscent = [this](int& targetDepthM, int& speedMPerMin) {
        MultiFieldDialog dialog(tr("Ascent definition"));
        InputDialogMultiField* depth = dialog.addIntField(tr("Target depth"), 0, 60, 1, 0);
        InputDialogMultiField* speed = dialog.addIntField(tr("Ascent speed"), 1, 30, 1, 10);
        if (dialog.run() != QDialog::Accepted)
            return false;
        targetDepthM = dialog.value(depth).toInt();
        speedMPerMin = dialog.value(speed).toInt();
        return true;
    };
    confirmStopAscent = [this]() {
        return QMessageBox::question(this, tr("Stop ascent"), tr("Stop the ascent?"),
                   QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    };
    showError = [this](const QString& title, const QString& text) {
        QMessageBox::critical(this, title, text);
    };

    connect(&m_driver, &SimulationDriver::pressureChanged, this, &SimulationTab::showPressure);
    connect(&m_driver, &SimulationDriver::ascentFinished, this, &SimulationTab::ascentEnded);
    connect(&m_driver, &SimulationDriver::replayStep, this, &SimulationTab::showReplayStep);
    connect(
        &m_driver, &SimulationDriver::replayProgress, m_ui->progressSimul, &QProgressBar::setValue);
    connect(&m_driver, &SimulationDriver::replayStopped, this, &SimulationTab::replayEnded);
}

SimulationTab::~SimulationTab()
{
    if (m_markerGraph && m_markerGraph->profileItem())
        m_markerGraph->profileItem()->removeOverlayIcon(kTimeMarkerId);
}

void SimulationTab::setLink(TarskBle* link)
{
    m_link = link;
}

void SimulationTab::addReplaySource(const QString& label, GraphView* graph)
{
    if (!graph)
        return;
    m_sources.append({ label, graph });
    m_ui->cbSimSource->addItem(label);
    const bool choice = m_sources.size() > 1;
    m_ui->lbSimSource->setVisible(choice);
    m_ui->cbSimSource->setVisible(choice);
}

GraphView* SimulationTab::replayGraph() const
{
    const int index = m_ui->cbSimSource->currentIndex();
    if (index < 0 || index >= m_sources.size())
        return nullptr;
    return m_sources.at(index).graph;
}

QTextEdit* SimulationTab::positionInformation() const
{
    return m_ui->edPositionInformation;
}

// ---- Connection ----------------------------------------------------------------------------

void SimulationTab::connectionDone()
{
    TarskBle* link = m_link ? m_link.data() : bleLink;
    m_driver.setLink(link);
    if (link && m_watchedLink != link) {
        m_watchedLink = link;
        connect(
            link, &TarskBle::onDisconnectController, this, &SimulationTab::computerDisconnected);
        // What the computer says back, so the user sees it follow.
        connect(link, &TarskBle::onEndCommand, this,
            [this, link](VeltraCommand::VeltraCommandIn command) {
                if (command == VeltraCommand::GetAmbientPressure)
                    showComputerPressure(link->computerInfo().ambientPressure);
            });
    }
    m_ui->btConnectBluetooth->setEnabled(false);
    m_ui->btStartStopSimul->setEnabled(true);
    m_ui->btAscent->setEnabled(true);
    setManualEnabled(true);
    m_driver.takeConnectedPressure();
    applyMinimum();
    showPressure(m_driver.pressureBar());
    if (link)
        showComputerPressure(link->computerInfo().ambientPressure);
}

void SimulationTab::showComputerPressure(quint32 mbar)
{
    m_ui->lbSimComputerPressure->setText(tr("Computer: %1 mbar").arg(mbar));
}

void SimulationTab::computerDisconnected()
{
    m_ui->btStartStopSimul->setEnabled(false);
    m_ui->tbPressure->setEnabled(false);
    m_ui->spPressure->setEnabled(false);
    m_ui->btAscent->setEnabled(false);
    m_ui->btAscent->setText(tr("Ascent"));
    m_ui->btConnectBluetooth->setEnabled(true);
    m_ui->lbSimComputerPressure->clear();
}

void SimulationTab::diveShown()
{
    const TarskBle* link = m_link ? m_link.data() : bleLink;
    m_ui->btStartStopSimul->setEnabled(link && link->isConnected());
}

void SimulationTab::on_btConnectBluetooth_clicked()
{
    if (connectComputer && connectComputer() == 1)
        connectionDone();
}

// ---- Manual pressure -----------------------------------------------------------------------

void SimulationTab::applyMinimum()
{
    const QSignalBlocker blockSlider(m_ui->tbPressure);
    const QSignalBlocker blockSpin(m_ui->spPressure);
    m_ui->tbPressure->setMinimum(int(std::lround(m_driver.minimumBar() * 1000.0)));
    m_ui->spPressure->setMinimum(m_driver.minimumBar());
}

void SimulationTab::showPressure(double bar)
{
    const QSignalBlocker blockSlider(m_ui->tbPressure);
    const QSignalBlocker blockSpin(m_ui->spPressure);
    m_ui->tbPressure->setValue(int(std::lround(bar * 1000.0)));
    m_ui->spPressure->setValue(bar);
}

void SimulationTab::setManualEnabled(bool enabled)
{
    m_ui->tbPressure->setEnabled(enabled);
    m_ui->spPressure->setEnabled(enabled);
}

void SimulationTab::on_tbPressure_valueChanged(int value)
{
    {
        const QSignalBlocker block(m_ui->spPressure);
        m_ui->spPressure->setValue(value / 1000.0);
    }
    m_driver.setPressure(value / 1000.0);
    emit logMessage(QString::number(double(value), 'g', 6));
}

void SimulationTab::on_spPressure_valueChanged(double value)
{
    {
        const QSignalBlocker block(m_ui->tbPressure);
        m_ui->tbPressure->setValue(int(std::lround(value * 1000.0)));
    }
    m_driver.setPressure(value);
}

// ---- Ascent --------------------------------------------------------------------------------

void SimulationTab::on_btAscent_clicked()
{
    if (m_driver.ascentRunning()) {
        m_driver.pauseAscent();
        if (confirmStopAscent && confirmStopAscent()) {
            m_driver.cancelAscent();
            ascentEnded();
        } else {
            m_driver.resumeAscent();
        }
        return;
    }
    int targetDepthM = 0;
    int speedMPerMin = 10;
    if (!askAscent || !askAscent(targetDepthM, speedMPerMin))
        return;
    // The dialog bounds these; a caller's hook might not.
    targetDepthM = std::clamp(targetDepthM, 0, 60);
    speedMPerMin = std::clamp(speedMPerMin, 1, 30);
    // The hand controls would fight the ascent for the pressure channel.
    setManualEnabled(false);
    m_ui->btAscent->setText(tr("Stop ascent"));
    m_driver.startAscent(targetDepthM, speedMPerMin);
}

void SimulationTab::ascentEnded()
{
    m_ui->btAscent->setText(tr("Ascent"));
    setManualEnabled(m_ui->btAscent->isEnabled());
}

// ---- Replay --------------------------------------------------------------------------------

void SimulationTab::on_btStartStopSimul_clicked()
{
    if (m_driver.replayRunning()) {
        m_driver.stopReplay();
        return;
    }
    GraphView* graph = replayGraph();
    DiveProfile* dive = graph ? graph->currentProfile() : nullptr;
    if (!dive || dive->samples.isEmpty()) {
        if (showError)
            showError(tr("Simulation Error"), tr("No dive profile loaded"));
        return;
    }
    if (!m_driver.startReplay(*dive)) {
        if (showError)
            showError(tr("Simulation Error"), tr("This dive cannot be replayed"));
        return;
    }
    m_markerGraph = graph;
    if (DiveProfileItem* item = graph->profileItem()) {
        OverlayIcon marker;
        marker.id = kTimeMarkerId;
        const QImage& image = DiveProfileItem::sharedImage(QString::fromLatin1(kMarkerImage));
        marker.dx = image.width() / 2;
        marker.dy = image.height() / 2;
        item->addOverlayIcon(marker, QString::fromLatin1(kMarkerImage));
    }
    m_ui->btStartStopSimul->setIcon(QIcon(QString::fromLatin1(kPauseIcon)));
    m_ui->btStartStopSimul->setToolTip(tr("Stop the replay"));
}

namespace {

// "35.2m" or "115.5ft", in the units the views show.
QString depthText(double metres)
{
    return Units::number(Quantity::Depth, metres, 1) + Units::symbol(Quantity::Depth);
}

} // namespace

void SimulationTab::showReplayStep(int index, const SimulationSample& sample)
{
    m_ui->edSimPointNumber->setText(QString::number(index));
    m_ui->edSimTime->setText(formatTime(int(sample.timeS)));
    m_ui->edSimDepth->setText(depthText(sample.depthDm / 10.0));
    if (sample.limit < 0) {
        m_ui->lbSimNdlCeil->setText(tr("NDL"));
        m_ui->edSimNdlCeil->setText(QStringLiteral("%1mn").arg(std::fabs(sample.limit), 0, 'f', 0));
    } else {
        m_ui->lbSimNdlCeil->setText(tr("Ceiling"));
        m_ui->edSimNdlCeil->setText(depthText(sample.limit));
    }
    if (m_markerGraph && m_markerGraph->profileItem())
        m_markerGraph->profileItem()->updateOverlayIcon(
            kTimeMarkerId, sample.timeS, sample.depthDm / 10.0);
}

void SimulationTab::replayEnded()
{
    if (m_markerGraph && m_markerGraph->profileItem()) {
        m_markerGraph->profileItem()->removeOverlayIcon(kTimeMarkerId);
        m_markerGraph->viewport()->update();
    }
    m_markerGraph = nullptr;
    m_ui->btStartStopSimul->setIcon(QIcon(QString::fromLatin1(kRunIcon)));
    m_ui->btStartStopSimul->setToolTip(tr("Start the replay"));
    m_ui->progressSimul->setValue(0);
}
