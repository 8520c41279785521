#pragma once

// Sits between the real link and the virtual computer and disturbs the notifications as a radio
// does: re-cut, lost, doubled, late (order kept) and swapped. Everything else passes untouched.

#include "link/tarskble.h"
#include "link/virtualdivecomputer.h"

#include <QDeadlineTimer>
#include <QMetaMethod>
#include <QSet>
#include <QTimer>

class FaultyTransport : public BleTransport
{
public:
    int cutBytes = 0; // re-cut each notification into pieces of this size; 0 keeps it whole
    int delayMs = 0; // each notification leaves this late, never before an earlier one
    // Indexes of notifications (counting from 0): lost, sent twice, sent after the next one.
    QSet<int> lost, doubled, swapped;
    int seen = 0;

    explicit FaultyTransport(VirtualDiveComputer* computer)
        : m_c(computer)
    {
        m_c->setParent(this);
        // Every signal but the notifications passes as it comes.
        const QMetaObject& meta = BleTransport::staticMetaObject;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod m = meta.method(i);
            if (m.methodType() == QMetaMethod::Signal && m.name() != "characteristicChanged")
                connect(m_c, m, this, m);
        }
        connect(m_c, &BleTransport::characteristicChanged, this,
            [this](const QBluetoothUuid&, const QByteArray& v) { arrive(v); });
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { release(); });
    }

    void startScan(int ms) override { m_c->startScan(ms); }
    void stopScan() override { m_c->stopScan(); }
    bool isScanning() const override { return m_c->isScanning(); }
    bool createController(const QBluetoothDeviceInfo& d) override
    {
        return m_c->createController(d);
    }
    bool hasController() const override { return m_c->hasController(); }
    void releaseController() override { m_c->releaseController(); }
    void connectToDevice() override { m_c->connectToDevice(); }
    void disconnectFromDevice() override { m_c->disconnectFromDevice(); }
    void discoverServices() override { m_c->discoverServices(); }
    bool createService(const QBluetoothUuid& s) override { return m_c->createService(s); }
    bool hasService() const override { return m_c->hasService(); }
    void releaseService() override { m_c->releaseService(); }
    void discoverServiceDetails() override { m_c->discoverServiceDetails(); }
    CharacteristicInfo characteristicInfo(
        const QBluetoothUuid& c, const QBluetoothUuid& d) const override
    {
        return m_c->characteristicInfo(c, d);
    }
    void writeDescriptor(
        const QBluetoothUuid& c, const QBluetoothUuid& d, const QByteArray& v) override
    {
        m_c->writeDescriptor(c, d, v);
    }
    void writeCharacteristic(const QBluetoothUuid& c, const QByteArray& v) override
    {
        m_c->writeCharacteristic(c, v);
    }

private:
    struct Piece
    {
        QDeadlineTimer due;
        QByteArray bytes;
        int index;
    };

    void arrive(const QByteArray& value)
    {
        const int size = cutBytes > 0 ? cutBytes : int(qMax<qsizetype>(1, value.size()));
        for (qsizetype at = 0; at < qMax<qsizetype>(1, value.size()); at += size) {
            const int index = seen++;
            if (lost.contains(index))
                continue;
            const Piece piece { QDeadlineTimer(delayMs), value.mid(at, size), index };
            const bool overtakes = !m_queue.isEmpty() && m_queue.last().index == index - 1
                && swapped.contains(index - 1);
            m_queue.insert(overtakes ? m_queue.size() - 1 : m_queue.size(), piece);
            if (doubled.contains(index))
                m_queue.append(piece);
        }
        release();
    }
    // Sends what is due, in order; a late one holds back those behind it, one to be overtaken
    // waits for the next.
    void release()
    {
        while (!m_queue.isEmpty() && m_queue.first().due.hasExpired()
            && !(swapped.contains(m_queue.first().index) && m_queue.size() == 1))
            emit characteristicChanged(TarskBle::characteristicUuid, m_queue.takeFirst().bytes);
        if (!m_queue.isEmpty() && !m_queue.first().due.hasExpired())
            m_timer.start(int(m_queue.first().due.remainingTime()));
    }

    VirtualDiveComputer* m_c;
    QList<Piece> m_queue;
    QTimer m_timer;
};
