#include "dive/units.h"

#include <QLocale>
#include <QtTest>

Q_DECLARE_METATYPE(Quantity)

class TestUnits : public QObject
{
    Q_OBJECT
private slots:
    void publishedFactors_data()
    {
        QTest::addColumn<Quantity>("quantity");
        QTest::addColumn<double>("si");
        QTest::addColumn<double>("imperial");
        QTest::addColumn<double>("tolerance");
        // 1 ft = 0.3048 m, 1 psi = 6.894757 kPa, 1 cuft = 28.316847 L, 1 lb = 0.45359237 kg.
        QTest::newRow("33 ft of sea water") << Quantity::Depth << 10.0584 << 33.0 << 1e-9;
        QTest::newRow("1 m = 3.28084 ft") << Quantity::Depth << 1.0 << 3.28084 << 1e-5;
        QTest::newRow("ascent 30 ft/min") << Quantity::VerticalSpeed << 9.144 << 30.0 << 1e-9;
        QTest::newRow("3000 psi = 206.843 bar") << Quantity::Pressure << 206.843 << 3000.0 << 0.01;
        QTest::newRow("200 bar = 2900.75 psi") << Quantity::Pressure << 200.0 << 2900.75 << 0.01;
        QTest::newRow("80 cuft = 2265.35 L") << Quantity::Volume << 2265.3477 << 80.0 << 1e-4;
        QTest::newRow("SAC 0.75 cuft/min") << Quantity::BreathingRate << 21.2376 << 0.75 << 1e-4;
        QTest::newRow("water boils at 212 F") << Quantity::Temperature << 100.0 << 212.0 << 1e-9;
        QTest::newRow("-40 C = -40 F") << Quantity::Temperature << -40.0 << -40.0 << 1e-9;
        QTest::newRow("18 C = 64.4 F") << Quantity::Temperature << 18.0 << 64.4 << 1e-9;
        QTest::newRow("1 kg = 2.20462 lb") << Quantity::Weight << 1.0 << 2.20462 << 1e-5;
    }

    void publishedFactors()
    {
        QFETCH(Quantity, quantity);
        QFETCH(double, si);
        QFETCH(double, imperial);
        QFETCH(double, tolerance);
        const DisplayUnits units = DisplayUnits::all(UnitSystem::Imperial);
        QVERIFY(qAbs(Units::toDisplay(quantity, si, units) - imperial) <= tolerance);
        QVERIFY(qAbs(Units::fromDisplay(quantity, imperial, units) - si) <= tolerance);
        // Metric shows SI as it is; a round trip loses nothing.
        QCOMPARE(Units::toDisplay(quantity, si, DisplayUnits()), si);
        QVERIFY(
            qAbs(Units::fromDisplay(quantity, Units::toDisplay(quantity, si, units), units) - si)
            <= 1e-12 * qMax(1.0, qAbs(si)));
    }

    void cylinders()
    {
        // An AL80 holds 80 cuft of gas at 3000 psi: 2265.35 L at 1.01325 bar in 206.843 bar is
        // 2265.35 * 1.01325 / 206.843 = 11.10 L of water, the size its makers publish.
        const double al80 = Units::cylinderWaterLitres(80, 3000 * Units::kBarPerPsi);
        QVERIFY(qAbs(al80 - 11.097) < 0.001);
        // A 12 L cylinder at 232 bar: 12 * 232 / 1.01325 = 2747.6 L = 97.03 cuft.
        QVERIFY(qAbs(Units::cylinderCubicFeet(12, 232) - 97.03) < 0.01);
        QCOMPARE(Units::cylinderWaterLitres(80, 0), 0.0);
    }

    void localeAndSettings()
    {
        const DisplayUnits imperial = DisplayUnits::all(UnitSystem::Imperial);
        // 35.2 m / 0.3048 = 115.49 ft; the French decimal mark is a comma.
        QCOMPARE(Units::format(Quantity::Depth, 35.2, 1, imperial, QLocale(QLocale::English)),
            QString("115.5\u00a0ft"));
        QCOMPARE(Units::format(Quantity::Depth, 35.2, 1, DisplayUnits(), QLocale(QLocale::French)),
            QString("35,2\u00a0m"));
        QCOMPARE(DisplayUnits::forLocale(QLocale("en_US")), imperial);
        QCOMPARE(DisplayUnits::forLocale(QLocale("en_GB")), DisplayUnits());
        QCOMPARE(DisplayUnits::forLocale(QLocale("fr_FR")), DisplayUnits());
    }
};

QTEST_GUILESS_MAIN(TestUnits)
#include "tst_units.moc"
