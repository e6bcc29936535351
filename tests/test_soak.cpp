// A day of random operation on virtual time: every invariant holds after every event, and the
// sanitizer build's leak check runs at exit.
#include <QtTest>
#include <random>

#include "fakes/event_driver.h"

using namespace r7k::fakes;

class TestSoak : public QObject {
    Q_OBJECT
  private slots:
    void day() {
        std::mt19937 random(1);
        std::string chunk(4096, '\0');
        std::uint64_t events = 0;
        // END ends a panel; the day goes on with a new one, each on its own clock.
        for (milliseconds elapsed{0}; elapsed < std::chrono::hours(24);) {
            PanelRig rig;
            EventDriver driver(rig);
            for (bool running = true;
                 running && elapsed + rig.clock.now() < std::chrono::hours(24);) {
                std::generate(chunk.begin(), chunk.end(), [&] { return char(random()); });
                for (ByteSource in(chunk); running && !in.empty();) {
                    running = driver.step(in);
                    QVERIFY2(driver.check().empty(), driver.check().c_str());
                }
            }
            events += driver.events();
            elapsed += rig.clock.now();
        }
        qInfo("%llu events", static_cast<unsigned long long>(events));
    }
};

QTEST_APPLESS_MAIN(TestSoak)
#include "test_soak.moc"
