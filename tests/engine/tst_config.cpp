#include "engine/config.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

// Data rows with many values each, one struct per row.
struct GasListRow
{
    QList<int> o2, he; // per slot
    int mask;
    QList<int> expected;
};
Q_DECLARE_METATYPE(GasListRow)

// Configuration records: gases, gradient factors, gas lists, setpoints and stop pressures.
class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void makeGas()
    {
        // Percentages in, fractions out (nitrogen makes up the rest).
        for (auto [o2, he, fO2, fHe] : {
                 std::tuple { 21, 0, 0.21, 0.0 },
                 { 8, 0, 0.08, 0.0 }, // single digit o2
                 { 100, 0, 1.0, 0.0 },
                 { 18, 45, 0.18, 0.45 },
                 { 90, 30, 0.90, 0.10 }, // o2 + he over 100 clamps he
                 { 250, 20, 1.0, 0.0 }, // o2 over 100 clamps
                 { 10, 90, 0.10, 0.90 }, // heliox, no nitrogen
                 { 0, 0, 0.0, 0.0 },
                 { 0, 255, 0.0, 1.0 },
             }) {
            const gas_t gas = make_gas(static_cast<uint8_t>(o2), static_cast<uint8_t>(he));
            QVERIFY2(std::fabs(gas.fO2 - fO2) < 1e-6 && std::fabs(gas.fHe - fHe) < 1e-6
                    && std::fabs(gas.fN2 - (1.0 - fO2 - fHe)) < 1e-6,
                qPrintable(QString("%1/%2").arg(o2).arg(he)));
        }
    }

    void gasLabelIsBounded()
    {
        // An 8-byte label fills the field with no terminator; bytes after it must not be read.
        struct
        {
            gas_t gas;
            char after[8];
        } guarded;
        std::memset(guarded.after, 'X', sizeof guarded.after);
        guarded.gas = make_gas(21, 0, "ABCDEFGHIJKL");
        QCOMPARE(gas_label_length(guarded.gas), size_t(8));
        char text[9];
        gas_label_copy(guarded.gas, text);
        QCOMPARE(QByteArray(text), QByteArray("ABCDEFGH"));
        const gas_t shortLabel = make_gas(50, 0, "Deco");
        QCOMPARE(gas_label_length(shortLabel), size_t(4));
        gas_label_copy(shortLabel, text);
        QCOMPARE(QByteArray(text), QByteArray("Deco"));
    }

    void gasAtWrapsIndex()
    {
        config_t config;
        // Index and the slot it must reach.
        for (auto [index, slot] :
            { std::pair { -1, 7 }, { 0, 0 }, { 7, 7 }, { 8, 0 }, { 100000, 0 } }) {
            QCOMPARE(config.gas_at(index), &config.openGases[slot]);
            config.currentGas = static_cast<uint8_t>(index < 0 ? 255 : index);
            QVERIFY(config.current_gas() >= config.openGases
                && config.current_gas() < config.openGases + kGasSlots);
        }
    }

    void sortedGasList_data()
    {
        QTest::addColumn<GasListRow>("row");
        const QList<int> air(8, 21), none(8, 0);
        QTest::newRow("defaults open circuit") << GasListRow { air, none, 0x01, { 0 } };
        QTest::newRow("ascending o2")
            << GasListRow { { 50, 21, 100, 21, 21, 21, 21, 32 }, none, 0x87, { 1, 7, 0, 2 } };
        QTest::newRow("same mix listed once, first wins")
            << GasListRow { { 21, 50, 50, 21, 21, 21, 21, 21 }, none, 0x07, { 0, 1 } };
        QTest::newRow("ties by helium") << GasListRow { { 21, 18, 18, 21, 21, 21, 21, 21 },
            { 35, 45, 0, 0, 0, 0, 0, 0 }, 0x07, { 2, 1, 0 } };
        QTest::newRow("disabled slots skipped")
            << GasListRow { { 21, 50, 100, 21, 21, 21, 21, 21 }, none, 0x05, { 0, 2 } };
        QTest::newRow("no gas enabled")
            << GasListRow { { 21, 50, 100, 21, 21, 21, 21, 21 }, none, 0x00, {} };
    }

    void sortedGasList()
    {
        QFETCH(GasListRow, row);
        config_t config;
        for (int i = 0; i < kGasSlots; ++i)
            config.openGases[i]
                = make_gas(static_cast<uint8_t>(row.o2[i]), static_cast<uint8_t>(row.he[i]));
        config.openMask = static_cast<uint8_t>(row.mask);
        config.set_mode(0);
        const QList<int>& expected = row.expected;
        QCOMPARE(int(config.gas_count()), int(expected.size()));
        for (int j = 0; j < expected.size(); ++j)
            QCOMPARE(int(config.sortedGases[j]), expected[j]);
        if (expected.isEmpty())
            return;
        QCOMPARE(int(config.first_gas()), expected.first());
        QCOMPARE(int(config.current_gas_index()), expected.first());
        // next_gas walks the list; the richest gas and unlisted slots return themselves.
        for (int j = 0; j + 1 < expected.size(); ++j)
            QCOMPARE(int(config.next_gas(expected[j])), expected[j + 1]);
        QCOMPARE(int(config.next_gas(expected.last())), expected.last());
        for (int slot = 0; slot < kGasSlots; ++slot) {
            if (!expected.contains(slot))
                QCOMPARE(int(config.next_gas(slot)), slot);
        }
    }

    void setpoints()
    {
        // Mode, setpoint index, expected setpoint (negative: open circuit, infinity). The index
        // wraps modulo 3; the bailout table (mode 2) is breathed open.
        for (auto [mode, index, expected] : { std::tuple { 0, 0, -1.0 }, { 1, 0, 0.7 },
                 { 1, 2, 1.5 }, { 1, 4, 1.3 }, { 2, 1, -1.0 } }) {
            config_t config;
            config.set_mode(static_cast<uint32_t>(mode));
            config.currentSetpoint = static_cast<uint16_t>(index);
            const float value = *config.current_setpoint();
            if (expected < 0)
                QVERIFY(std::isinf(value) && value > 0);
            else
                QVERIFY(std::fabs(value - expected) < 1e-6);
            QCOMPARE(config.setpoint_at(-1), &config.setpoints[2]);
            QCOMPARE(config.setpoint_at(3), &config.setpoints[0]);
            // Mode 1 lists slots 0-1 of the closed-circuit table, mode 2 slots 3-7 (32 % by
            // default).
            if (mode > 0) {
                QCOMPARE(int(config.gas_count()), 1);
                QCOMPARE(int(config.first_gas()), mode == 1 ? 0 : 3);
                QCOMPARE(config.is_closed_circuit(), mode == 1);
            }
            if (mode == 2)
                QVERIFY(std::fabs(config.current_gas()->fO2 - 0.32f) < 1e-6f);
        }
    }

    void stopPressure()
    {
        // Depths worked out by hand from the last-stop depth and the 3 m / 10 ft step.
        for (auto [metric, lastStopIndex, waterType, level, depthM] : {
                 std::tuple { true, 0, 0, 0, 0.0 }, // surface
                 { true, 0, 0, -3, 0.0 }, // negative level is the surface
                 { true, 0, 0, 1, 3.0 }, // last stop 3 m
                 { true, 1, 0, 1, 6.0 }, // last stop 6 m
                 { true, 1, 0, 2, 9.0 },
                 { false, 0, 0, 1, 3.048 }, // last stop 10 ft
                 { false, 1, 0, 3, 12.192 }, // 20 ft, level 3
                 { true, 0, 1, 4, 12.0 }, // fresh water
                 { true, 0, 0, 100, 300.0 },
             }) {
            config_t config;
            config.lastStopIndex = static_cast<uint32_t>(lastStopIndex);
            config.set_water_type(static_cast<uint8_t>(waterType));
            config.set_units(metric);
            const double density = waterType == 1 ? 1.00 : 1.03;
            const double expected = density * 9.80665 * depthM / 100.0 + 1.013;
            QVERIFY2(std::fabs(stop_pressure(config, level) - expected) < 1e-5,
                qPrintable(QString::number(stop_pressure(config, level), 'g', 9)));
        }
    }

    void unitsAndWater()
    {
        // Indexes out of range wrap; an unknown water type keeps the density.
        for (auto [metric, ascentIndex, decoIndex, waterType, ascentRate, decoPpO2, density] : {
                 std::tuple { false, 1, 6, 0, 0.9144, 1.6, 1.03 }, // imperial 30 ft/min
                 { true, 7, 6, 0, 1.1, 1.6, 1.03 }, // ascent index wraps
                 { true, 2, 9, 0, 1.1, 1.1, 1.03 }, // deco index wraps
                 { true, 2, 6, 1, 1.1, 1.6, 1.00 }, // fresh water
                 { true, 2, 6, 2, 1.1, 1.6, 1.02 }, // intermediate water
                 { true, 2, 6, 9, 1.1, 1.6, 1.03 }, // unknown water
             }) {
            config_t config;
            config.set_water_type(static_cast<uint8_t>(waterType));
            config.ascentRateIndex = static_cast<uint32_t>(ascentIndex);
            config.decoPpO2Index = static_cast<uint32_t>(decoIndex);
            config.set_units(metric);
            QVERIFY(std::fabs(config.ascent_rate() - ascentRate) < 1e-6);
            QVERIFY(std::fabs(config.ppo2_max_deco() - decoPpO2) < 1e-6);
            QVERIFY(std::fabs(*config.water_density() - density) < 1e-6);
            QVERIFY(config.ascentRateIndex < 5 && config.decoPpO2Index < 8);
        }
    }

    void copyKeepsOwnTables()
    {
        // The copies point at their own tables, not at the original's.
        config_t original;
        original.set_mode(1);
        config_t copy(original);
        QCOMPARE(copy.gas_at(0), &copy.closedGases[0]);
        QCOMPARE(copy.activeMask, &copy.closedMask);
        config_t assigned;
        assigned = original;
        QCOMPARE(assigned.gas_at(3), &assigned.closedGases[3]);
        QVERIFY(std::fabs(*assigned.current_setpoint() - 0.7f) < 1e-6f);
        original.closedGases[0] = make_gas(10, 50);
        QVERIFY(std::fabs(copy.gas_at(0)->fO2 - 0.21f) < 1e-6f);
    }
};

QTEST_APPLESS_MAIN(TestConfig)
#include "tst_config.moc"
