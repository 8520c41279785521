#include "link/importbluetooth.h"

#include "dive/formattime.h"
#include "link/devicerecordparser.h"
#include "link/diveconversion.h"
#include "link/tarskble.h"
#include "ui_importbluetooth.h"

#include <QListWidgetItem>
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
        [this](const QBluetoothUuid&, const QByteArray& value) {
            notificationArrived(int(value.size()));
        });
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

    m_ui->listDives->clear();
    const QString serial = info.serialNumber;
    int alreadyStored = 0;
    for (const DiveHeader& h : std::as_const(m_headers)) {
        const QString line = QStringLiteral("%1 - %2 - %3 - %4")
                                 .arg(h.number, 3, 10, QLatin1Char('0'))
                                 .arg(diveStartText(h.startTime))
                                 .arg(QStringLiteral("%1m").arg(
                                     diveMaxDepthM(h.maxDepthDm), 4, 'f', 1, QLatin1Char(' ')))
                                 .arg(diveDurationText(h.startTime, h.endTime));
        auto* item = new QListWidgetItem(line, m_ui->listDives);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setData(Qt::UserRole, int(h.number));
        const bool stored = m_storedCheck && m_storedCheck(QString::number(h.number), serial);
        if (stored) {
            ++alreadyStored;
            item->setText(line + tr(" (in logbook)"));
            item->setForeground(QColor(130, 130, 130));
        }
        // Only dives the logbook does not hold yet are ticked.
        item->setCheckState(stored || !m_storedCheck ? Qt::Unchecked : Qt::Checked);
    }
    QString text = tr("Select dives to import");
    if (m_storedCheck)
        text += tr(" (%1 new)").arg(m_headers.size() - alreadyStored);
    if (unreadable)
        text += tr(", %1 unreadable dive headers skipped").arg(unreadable);
    m_ui->lbinfo->setText(text);
    m_ui->progressBar->setMaximum(1);
    m_ui->progressBar->setValue(0);
    m_state = State::Ready;
    setBusy(false);
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
        if (item->checkState() == Qt::Checked && !m_done.contains(number))
            m_importQueue.append(number);
    }
    if (m_importQueue.isEmpty()) {
        m_ui->progressBar->setMaximum(1);
        m_ui->progressBar->setValue(0);
        m_ui->lbinfo->setText(tr("No dive selected"));
        return;
    }
    m_withTissues = m_ui->ckDbg->isChecked();
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
    for (const DiveHeader& h : std::as_const(m_headers)) {
        if (h.number == number) // the sample format is not known yet: take the widest
            m_expectedBytes = qint64(h.sampleCount) * deviceSampleLength(2, m_withTissues);
    }
    m_ui->progressDive->setVisible(true);
    m_ui->progressDive->setValue(0);
    m_link->startGetDiveSamples(number, m_withTissues);
}

void ImportBluetooth::notificationArrived(int bytes)
{
    if (m_state == State::Settling) {
        m_settleTimer.start();
        return;
    }
    if (m_state != State::Downloading || m_expectedBytes <= 0)
        return;
    m_receivedBytes += bytes;
    m_ui->progressDive->setValue(int(qMin<qint64>(99, m_receivedBytes * 100 / m_expectedBytes)));
}

void ImportBluetooth::convertCurrent()
{
    const quint16 number = m_importQueue.first();
    const DiveHeader* header = nullptr;
    for (const DiveHeader& h : std::as_const(m_headers)) {
        if (h.number == number)
            header = &h;
    }
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
    QString mismatch;
    if (result.status == SampleDecodeStatus::PartialTail
        || result.status == SampleDecodeStatus::MissingFormat)
        mismatch = tr("%1 bytes received are not whole samples (%2)")
                       .arg(info.rawSampleBytes.size())
                       .arg(sampleDecodeResultText(result));
    else if (samples.size() != qsizetype(header->sampleCount))
        mismatch = tr("%1 samples received, the dive's header announces %2")
                       .arg(samples.size())
                       .arg(header->sampleCount);
    if (!mismatch.isEmpty()) {
        // Such a stream means the exchange went astray: let it go quiet before a retry.
        failCurrent(mismatch, true);
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

void ImportBluetooth::onExchangeError(VeltraCommandIn, ExchangeError::ExchangeErrorIn pError)
{
    const QString reason = TarskBle::exchangeErrorText(pError);
    if (m_state == State::Listing) {
        m_state = State::ListFailed;
        m_ui->lbinfo->setText(tr("Get list of dives failed: %1").arg(reason));
        m_ui->progressBar->setMaximum(1);
        m_ui->progressBar->setValue(0);
        showRetry(true, true, false);
        return;
    }
    if (m_state != State::Downloading)
        return;
    // The rest of a damaged stream, or a stream the computer held past the time-out, may still
    // be on its way: nothing is asked again before the link has been quiet for a while.
    const bool settle = pError == ExchangeError::InvalidCrc || pError == ExchangeError::Timeout
        || pError == ExchangeError::InvalidFrame;
    failCurrent(reason, settle);
}

void ImportBluetooth::failCurrent(const QString& reason, bool settle)
{
    const quint16 number = m_importQueue.first();
    log(tr("Dive %1 failed: %2").arg(number).arg(reason));
    m_ui->lbinfo->setText(tr("Dive %1 failed: %2").arg(number).arg(reason) + QLatin1Char('\n')
        + tr("Nothing of it was stored. Retry it, or skip it and go on with the next dive."));
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
