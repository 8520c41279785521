#include "link/importbluetooth.h"

#include "dive/formattime.h"
#include "dive/units.h"
#include "link/devicerecordparser.h"
#include "link/diveconversion.h"
#include "link/streamcheck.h"
#include "link/tarskble.h"
#include "ui_importbluetooth.h"

#include <QListWidgetItem>
#include <QLocale>
#include <QMessageBox>

using VeltraCommand::VeltraCommandIn;

ImportBluetooth::ImportBluetooth(QWidget* parent, TarskBle* link)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::ImportBluetoothClass>())
    , m_link(link ? link : bleLink)
{
    m_ui->setupUi(this);
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(kSettleMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &ImportBluetooth::streamSettled);
    showRetry(false, false, false);
    m_ui->btCancel->setVisible(false);
    m_ui->btReconnect->setVisible(false);
    m_ui->btStoreAgain->setVisible(false);
    m_ui->btExport->setVisible(false);
    m_ui->progressDive->setVisible(false);
}

ImportBluetooth::~ImportBluetooth()
{
    finish();
}

int ImportBluetooth::downloadDives(QList<DiveProfile>& destination)
{
    if (!start(&destination))
        return 0;
    exec();
    finish();
    return m_imported;
}

bool ImportBluetooth::start(QList<DiveProfile>* destination)
{
    finish();
    m_destination = destination;
    if (!m_link || !m_link->isReady()) {
        m_ui->lbinfo->setText(tr("No computer connected"));
        return false;
    }
    m_connections << connect(m_link, &TarskBle::onEndCommand, this, &ImportBluetooth::onEndCommand);
    m_connections << connect(
        m_link, &TarskBle::onExchangeError, this, &ImportBluetooth::onExchangeError);
    m_connections << connect(m_link->transport(), &BleTransport::characteristicChanged, this,
        [this](const QBluetoothUuid&, const QByteArray& value) { notificationArrived(value); });
    requestList();
    return true;
}

void ImportBluetooth::finish()
{
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_settleTimer.stop();
}

void ImportBluetooth::requestList()
{
    m_state = State::Listing;
    m_ui->lbinfo->setText(tr("Get list of dives"));
    m_ui->progressBar->setMaximum(0);
    showRetry(false, false, false);
    setBusy(true);
    m_link->startCommand(VeltraCommand::GetDiveList);
}

void ImportBluetooth::onEndCommand(VeltraCommandIn pCommand)
{
    if (pCommand == VeltraCommand::GetDiveList) {
        if (m_state == State::ListSettling)
            streamSettled();
        if (m_state != State::Listing)
            return;
        fillList();
        return;
    }
    if (pCommand != VeltraCommand::GetDiveSamples)
        return;
    if (m_state == State::Settling) {
        // The rest of a damaged stream has arrived: the dive may now be fetched again.
        streamSettled();
        return;
    }
    // Ends that belong to no request of ours (nothing queued, or a stream already given up).
    if (m_state != State::Downloading || m_importQueue.isEmpty())
        return;
    convertCurrent();
}

void ImportBluetooth::fillList()
{
    const ComputerInfo& info = m_link->computerInfo();
    m_serial = info.serialNumber;
    m_headers.clear();
    int unreadable = 0;
    for (const QByteArray& body : info.diveHeaderReplies) {
        DiveHeader h;
        const HeaderParseStatus status = parseDiveHeaderReply(body, info.variant, h);
        if (status == HeaderParseStatus::Ok)
            m_headers.append(h);
        else {
            ++unreadable;
            log(headerParseStatusText(status));
        }
    }
    // The computer is asked for a dive by its number: of two dives with one number it sends
    // one, and which header goes with it cannot be told.
    QList<quint16> seen, repeated;
    for (const DiveHeader& h : std::as_const(m_headers)) {
        if (seen.contains(h.number) && !repeated.contains(h.number))
            repeated.append(h.number);
        seen.append(h.number);
    }

    m_ui->listDives->clear();
    int alreadyStored = 0;
    for (const DiveHeader& h : std::as_const(m_headers))
        listDive(h, repeated, alreadyStored);
    QString text = tr("Select dives to import");
    if (m_storedCheck)
        text += tr(" (%1 new)").arg(m_headers.size() - alreadyStored);
    if (unreadable)
        text += tr(", %1 unreadable dive headers skipped").arg(unreadable);
    if (!repeated.isEmpty()) {
        QStringList numbers;
        for (quint16 n : std::as_const(repeated))
            numbers << QString::number(n);
        text += QLatin1Char('\n')
            + tr("The computer lists more than one dive numbered %1: these cannot be told apart "
                 "and are not downloaded.")
                  .arg(numbers.join(QStringLiteral(", ")));
    }
    m_ui->lbinfo->setText(text);
    m_ui->progressBar->setMaximum(1);
    m_ui->progressBar->setValue(0);
    m_state = State::Ready;
    setBusy(false);
}

void ImportBluetooth::listDive(
    const DiveHeader& h, const QList<quint16>& repeated, int& alreadyStored)
{
    const ComputerInfo& info = m_link->computerInfo();
    const QString line = QStringLiteral("%1 - %2 - %3 - %4")
                             .arg(h.number, 3, 10, QLatin1Char('0'))
                             .arg(diveStartText(h.startTime))
                             .arg(Units::format(Quantity::Depth, diveMaxDepthM(h.maxDepthDm), 1,
                                 DisplayUnits::current(), QLocale()))
                             .arg(diveDurationText(h.startTime, h.endTime));
    auto* item = new QListWidgetItem(line, m_ui->listDives);
    item->setData(Qt::UserRole, int(h.number));
    if (repeated.contains(h.number)) {
        item->setText(line + tr(" (number repeated)"));
        item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        return;
    }
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    // The logbook's own same-dive rule: a dive renamed there, or imported from a file first,
    // is still this dive; a new dive whose number was used before is not.
    const bool stored = m_storedCheck
        && m_storedCheck(convertDownloadedDive(
            h, {}, { info.versionText, info.settings.computerNameText(), info.serialNumber }));
    if (stored) {
        ++alreadyStored;
        item->setText(line + tr(" (in logbook)"));
        item->setForeground(QColor(130, 130, 130));
    }
    // Only dives the logbook does not hold yet are ticked.
    item->setCheckState(stored || !m_storedCheck ? Qt::Unchecked : Qt::Checked);
}

void ImportBluetooth::on_btImport_clicked()
{
    // A second click while busy would restart the queue in the middle of a stream.
    if (m_busy || m_state == State::Listing)
        return;
    m_importQueue.clear();
    m_failed.clear();
    for (int i = 0; i < m_ui->listDives->count(); ++i) {
        const QListWidgetItem* item = m_ui->listDives->item(i);
        const auto number = static_cast<quint16>(item->data(Qt::UserRole).toInt());
        if ((item->flags() & Qt::ItemIsEnabled) && item->checkState() == Qt::Checked
            && !m_done.contains(number))
            m_importQueue.append(number);
    }
    if (m_importQueue.isEmpty()) {
        m_ui->progressBar->setMaximum(1);
        m_ui->progressBar->setValue(0);
        m_ui->lbinfo->setText(tr("No dive selected"));
        return;
    }
    m_withTissues = m_ui->ckDbg->isChecked();
    m_cancelRequested = false;
    m_ui->btCancel->setVisible(true);
    m_ui->btCancel->setEnabled(true);
    m_ui->progressBar->setMaximum(int(m_importQueue.size()));
    m_ui->progressBar->setValue(0);
    m_ui->progressBar->setTextVisible(true);
    m_ui->progressBar->setFormat(tr("%v of %m dives"));
    setBusy(true);
    fetch(m_importQueue.first());
}

void ImportBluetooth::fetch(quint16 number)
{
    m_state = State::Downloading;
    showRetry(false, false, false);
    m_ui->lbinfo->setText(tr("Get dive %1").arg(number));
    m_receivedBytes = 0;
    m_expectedBytes = 0;
    m_streamHead.clear();
    m_ui->btReconnect->setVisible(false);
    m_ui->progressDive->setVisible(true);
    m_ui->progressDive->setValue(0);
    m_link->startGetDiveSamples(number, m_withTissues);
}

void ImportBluetooth::notificationArrived(const QByteArray& value)
{
    if (m_state == State::Settling || m_state == State::ListSettling) {
        m_settleTimer.start();
        return;
    }
    const DiveHeader* header = m_importQueue.isEmpty() ? nullptr : headerOf(m_importQueue.first());
    if (m_state != State::Downloading || !header)
        return;
    m_receivedBytes += value.size();
    if (m_expectedBytes <= 0) {
        m_streamHead += value.left(kStreamHeadBytes - m_streamHead.size());
        m_expectedBytes = expectedStreamBytes(m_streamHead, header->sampleCount, m_withTissues);
    }
    if (m_expectedBytes > 0)
        m_ui->progressDive->setValue(
            int(qMin<qint64>(99, m_receivedBytes * 100 / m_expectedBytes)));
}

const DiveHeader* ImportBluetooth::headerOf(quint16 number) const
{
    for (const DiveHeader& h : m_headers) {
        if (h.number == number)
            return &h;
    }
    return nullptr;
}

void ImportBluetooth::convertCurrent()
{
    const quint16 number = m_importQueue.first();
    const DiveHeader* header = headerOf(number);
    if (!header) {
        m_ui->lbinfo->setText(tr("Dive not found"));
        m_importQueue.clear();
        finishQueue();
        return;
    }
    const ComputerInfo& info = m_link->computerInfo();
    QList<DeviceSample> samples;
    const SampleDecodeResult result
        = decodeDeviceSamples(info.rawSampleBytes, m_withTissues, samples);
    // A stream that is not exactly the dive its header describes (a late stream of another
    // dive, lost or extra bytes) is never converted: a wrong dive must not reach the logbook.
    const StreamCheckStatus check = checkStreamAgainstHeader(*header, result, samples);
    if (check != StreamCheckStatus::Ok) {
        // Such a stream means the exchange went astray: let it go quiet before a retry.
        failCurrent(tr("What arrived is not this dive. Wait for Retry, then press it."),
            streamCheckText(check, *header, result, samples), true);
        return;
    }
    DiveProfile dive = convertDownloadedDive(*header, samples,
        { info.versionText, info.settings.computerNameText(), info.serialNumber });
    if (m_destination)
        m_destination->append(dive);
    storeConverted(std::move(dive));
    m_imported = 1;
    m_done.append(number);
    if (QListWidgetItem* item = itemOf(number)) {
        item->setCheckState(Qt::Unchecked);
        item->setText(item->text() + tr(" (downloaded)"));
    }
    m_ui->lbinfo->setText(m_unstored.isEmpty()
            ? tr("Dive imported")
            : tr("Dive %1 downloaded but not stored").arg(number));
    m_ui->progressDive->setValue(100);
    m_importQueue.removeFirst();
    m_ui->progressBar->setValue(m_ui->progressBar->value() + 1);
    next();
}

void ImportBluetooth::next()
{
    if (m_cancelRequested) {
        m_failed += m_importQueue;
        m_importQueue.clear();
    }
    if (!m_importQueue.isEmpty()) {
        fetch(m_importQueue.first());
        return;
    }
    finishQueue();
}

void ImportBluetooth::finishQueue()
{
    m_state = State::Ready;
    showRetry(false, false, false);
    m_ui->btCancel->setVisible(false);
    m_ui->btReconnect->setVisible(false);
    m_ui->progressDive->setVisible(false);
    if (!m_failed.isEmpty()) {
        QStringList numbers;
        for (quint16 n : std::as_const(m_failed))
            numbers << QString::number(n);
        m_ui->lbinfo->setText(tr("Dives not imported: %1").arg(numbers.join(QStringLiteral(", "))));
    }
    showUnstored();
    if (m_ui->progressBar->maximum() == 0)
        m_ui->progressBar->setMaximum(1);
    setBusy(false);
}

void ImportBluetooth::onExchangeError(
    VeltraCommandIn pCommand, ExchangeError::ExchangeErrorIn pError)
{
    // Errors of other commands (a pressure sent from elsewhere) are not this download's.
    if (m_state == State::Listing && pCommand == VeltraCommand::GetDiveList) {
        failList(pError);
        return;
    }
    const bool samples = pCommand == VeltraCommand::GetDiveSamples
        || pCommand == VeltraCommand::GetDiveSamplesWithTissues;
    if (m_state != State::Downloading || !samples)
        return;
    if (pError == ExchangeError::NotReady) {
        failCurrent(QString(), TarskBle::exchangeErrorText(pError), false);
        m_ui->lbinfo->setText(
            tr("Dive %1 failed: %2")
                .arg(m_importQueue.value(0))
                .arg(tr("The computer disconnected. Bring it close and press Reconnect and go "
                        "on.")));
        m_state = State::Disconnected;
        showRetry(false, false, false);
        m_ui->btReconnect->setVisible(bool(m_reconnect));
        return;
    }
    // The rest of a damaged stream, or a stream the computer held past the time-out, may still
    // be on its way: nothing is asked again before the link has been quiet for a while.
    const bool settle = pError == ExchangeError::InvalidCrc || pError == ExchangeError::Timeout
        || pError == ExchangeError::InvalidFrame;
    failCurrent(TarskBle::exchangeErrorAdvice(pError), TarskBle::exchangeErrorText(pError), settle);
}

void ImportBluetooth::failList(ExchangeError::ExchangeErrorIn error)
{
    log(tr("Get list of dives failed: %1").arg(TarskBle::exchangeErrorText(error)));
    m_ui->lbinfo->setText(
        tr("Get list of dives failed: %1").arg(TarskBle::exchangeErrorAdvice(error)));
    m_ui->progressBar->setMaximum(1);
    m_ui->progressBar->setValue(0);
    // A list that comes late would mix with the list asked for again: wait for quiet first.
    m_state = State::ListSettling;
    showRetry(true, false, false);
    m_settleTimer.start();
}

void ImportBluetooth::failCurrent(const QString& advice, const QString& reason, bool settle)
{
    const quint16 number = m_importQueue.first();
    log(tr("Dive %1 failed: %2").arg(number).arg(reason));
    m_ui->lbinfo->setText(tr("Dive %1 failed: %2").arg(number).arg(advice) + QLatin1Char('\n')
        + tr("Nothing of it was stored. Retry it, or skip it and go on with the next dive."));
    if (m_cancelRequested) {
        m_failed += m_importQueue;
        m_importQueue.clear();
        finishQueue();
        return;
    }
    if (settle) {
        m_state = State::Settling;
        showRetry(true, false, false);
        m_settleTimer.start();
    } else {
        m_state = State::DiveFailed;
        showRetry(true, true, true);
    }
}

void ImportBluetooth::storeConverted(DiveProfile dive)
{
    if (!m_storeDive)
        return;
    const int outcome = m_storeDive(dive);
    if (outcome == 0) {
        ++m_stored;
        return;
    }
    if (outcome == 2) {
        log(tr("Dive %1 is in the logbook already").arg(dive.name));
        return;
    }
    log(tr("Dive %1 not stored in the logbook (code %2)").arg(dive.name).arg(outcome));
    m_unstored.append(std::move(dive));
}

void ImportBluetooth::showUnstored()
{
    const bool any = !m_unstored.isEmpty();
    m_ui->btStoreAgain->setVisible(any && m_storeDive);
    m_ui->btExport->setVisible(any && m_exportDive);
    if (!any)
        return;
    QStringList names;
    for (const DiveProfile& d : std::as_const(m_unstored))
        names << d.name;
    m_ui->lbinfo->setText(tr("Downloaded but not stored in the logbook: dive %1. Store again, or "
                             "export to a file before closing.")
                              .arg(names.join(QStringLiteral(", "))));
}

void ImportBluetooth::on_btStoreAgain_clicked()
{
    if (m_busy || !m_storeDive)
        return;
    QList<DiveProfile> pending;
    pending.swap(m_unstored);
    for (DiveProfile& dive : pending)
        storeConverted(std::move(dive));
    if (m_unstored.isEmpty())
        m_ui->lbinfo->setText(tr("Dives stored"));
    showUnstored();
}

void ImportBluetooth::done(int result)
{
    if (!m_unstored.isEmpty()) {
        QStringList names;
        for (const DiveProfile& d : std::as_const(m_unstored))
            names << d.name;
        const QString text = tr("Dive %1 is not in the logbook and will be lost if you close "
                                "now. Close anyway?")
                                 .arg(names.join(QStringLiteral(", ")));
        const bool close = m_confirmClose
            ? m_confirmClose(text)
            : QMessageBox::question(this, tr("Dives not stored"), text,
                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                == QMessageBox::Yes;
        if (!close)
            return;
    }
    QDialog::done(result);
}

void ImportBluetooth::on_btExport_clicked()
{
    if (m_busy || !m_exportDive)
        return;
    for (DiveProfile& dive : m_unstored)
        m_exportDive(this, dive);
}

void ImportBluetooth::streamSettled()
{
    if (m_state == State::ListSettling) {
        m_settleTimer.stop();
        m_state = State::ListFailed;
        showRetry(true, true, false);
        return;
    }
    if (m_state != State::Settling)
        return;
    m_settleTimer.stop();
    m_state = State::DiveFailed;
    showRetry(true, true, true);
}

void ImportBluetooth::on_btRetry_clicked()
{
    if (m_state == State::ListFailed) {
        requestList();
        return;
    }
    if (m_state == State::DiveFailed && !m_importQueue.isEmpty())
        fetch(m_importQueue.first());
}

void ImportBluetooth::on_btCancel_clicked()
{
    m_cancelRequested = true;
    m_ui->btCancel->setEnabled(false);
    // A stream under way ends (or times out) first, so nothing of it mixes into a later one.
    if (m_state == State::Downloading || m_state == State::Settling) {
        m_ui->lbinfo->setText(tr("Stopping after the dive under way..."));
        return;
    }
    m_failed += m_importQueue;
    m_importQueue.clear();
    finishQueue();
}

void ImportBluetooth::on_btReconnect_clicked()
{
    if (m_state != State::Disconnected || !m_reconnect || m_importQueue.isEmpty())
        return;
    if (!m_reconnect() || !m_link->isReady()) {
        m_ui->lbinfo->setText(tr("The computer could not be connected again."));
        return;
    }
    // The list was read from one computer: another one's dives of the same numbers are not
    // these.
    if (m_link->computerInfo().serialNumber != m_serial) {
        m_ui->lbinfo->setText(tr("Another computer answered. Close and download again."));
        m_failed += m_importQueue;
        m_importQueue.clear();
        finishQueue();
        return;
    }
    fetch(m_importQueue.first());
}

void ImportBluetooth::on_btSkip_clicked()
{
    if (m_state != State::DiveFailed || m_importQueue.isEmpty())
        return;
    m_failed.append(m_importQueue.takeFirst());
    m_ui->progressBar->setValue(m_ui->progressBar->value() + 1);
    next();
}

void ImportBluetooth::setBusy(bool busy)
{
    m_busy = busy;
    m_ui->btImport->setEnabled(!busy);
    m_ui->ckDbg->setEnabled(!busy);
    m_ui->listDives->setEnabled(!busy);
}

void ImportBluetooth::showRetry(bool visible, bool enabled, bool canSkip)
{
    m_ui->btRetry->setVisible(visible);
    m_ui->btRetry->setEnabled(enabled);
    m_ui->btSkip->setVisible(visible && canSkip);
    m_ui->btSkip->setEnabled(enabled && canSkip);
}

QListWidgetItem* ImportBluetooth::itemOf(quint16 number) const
{
    for (int i = 0; i < m_ui->listDives->count(); ++i) {
        if (m_ui->listDives->item(i)->data(Qt::UserRole).toInt() == number)
            return m_ui->listDives->item(i);
    }
    return nullptr;
}

void ImportBluetooth::log(const QString& text) const
{
    if (m_log)
        m_log(text);
}
