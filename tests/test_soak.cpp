// A day of random operation on virtual time: every invariant holds after every event, and the
// sanitizer build's leak check runs at exit.
#include <QtTest>
#include <random>

#include "fakes/event_driver.h"

using namespace r7k;
using namespace r7k::fakes;

class TestSoak : public QObject {
    Q_OBJECT
  private slots:
    void dayOfRandomOperation_data();
    void dayOfRandomOperation();
};

void TestSoak::dayOfRandomOperation_data() {
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<int>("hours");
    QTest::addRow("seed 1, 24 h") << 1u << 24;
    QTest::addRow("seed 2, 2 h") << 2u << 2;
    QTest::addRow("seed 3, 2 h") << 3u << 2;
}

void TestSoak::dayOfRandomOperation() {
    QFETCH(unsigned, seed);
    QFETCH(int, hours);
    const milliseconds end{std::int64_t(hours) * 3600 * 1000};
    std::mt19937 random(seed);
    std::uint64_t events = 0;
    std::string chunk(4096, '\0');
    // END ends a panel; the day goes on with a new one, each on its own clock.
    for (milliseconds elapsed{0}; elapsed < end;) {
        PanelRig rig;
        EventDriver driver(rig);
        bool running = true;
        while (running && elapsed + rig.clock.now() < end) {
            for (char& c : chunk)
                c = static_cast<char>(random());
            ByteSource in(chunk);
            while (running && !in.empty()) {
                running = driver.step(in);
                const std::string fault = driver.check();
                QVERIFY2(fault.empty(), fault.c_str());
            }
        }
        events += driver.events();
        elapsed += rig.clock.now();
    }
    qInfo("%llu events", static_cast<unsigned long long>(events));
}

QTEST_APPLESS_MAIN(TestSoak)
#include "test_soak.moc"
