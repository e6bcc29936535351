// A device that goes away and comes back at the same path: the real adapter and r7k-sim behind
// a symlink, cycled many times, with no storm, no leaked descriptors and no growth.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "live_panel.h"

using namespace r7k;

namespace {

int openDescriptors() {
    return int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

long residentKiB() {
    QFile f("/proc/self/status");
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

class TestQtRelink : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanup() { stopSim(); }
    void hangUpCycles();
    void reconnectsByItself();

  private:
    bool startSim();
    void stopSim();

    QTemporaryDir m_dir;
    QString m_link;
    QProcess m_sim;
};

void TestQtRelink::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_link = m_dir.filePath("com1");
}

bool TestQtRelink::startSim() {
    m_sim.start(qEnvironmentVariable("R7K_SIM"), {"--quiet", "--link", m_link});
    return m_sim.waitForReadyRead(5000) && QFileInfo::exists(m_link);
}

void TestQtRelink::stopSim() {
    m_sim.terminate();
    m_sim.waitForFinished(5000);
}

void TestQtRelink::hangUpCycles() {
    QVERIFY(startSim());
    LivePanel panel(m_link.toStdString());
    panel.form.Form_Load();
    QVERIFY(panel.serial->portOpen());
    int fds = 0;
    long rss = 0;
    for (int cycle = 0; cycle < 100; ++cycle) {
        // The reply arrives (the buffer may still hold the last cycle's reply before it).
        const std::size_t received = panel.form.state().RxBuffer.size();
        panel.form.click("Command44");
        QTRY_VERIFY(panel.form.state().RxBuffer.size() >= received + 3);
        QCOMPARE(panel.line("Label22"), std::string(" Stand by"));
        if (cycle == 10) {  // after warm-up: the baseline for descriptors and memory
            fds = openDescriptors();
            rss = residentKiB();
        }
        stopSim();
        QTRY_VERIFY(!panel.serial->portOpen());
        QTRY_COMPARE(panel.window.warnings.size(), std::size_t(cycle + 1));
        // Closed at the first error: no error storm keeps the process busy.
        const double before = cpuSeconds();
        QTest::qWait(100);
        QVERIFY2(cpuSeconds() - before < 0.05, "busy after the hang-up");
        QVERIFY(startSim());
        panel.window.setSelected("Option1");
        panel.form.click("Option1");  // choosing the port again works at once
        QVERIFY(panel.serial->portOpen());
        QCOMPARE(panel.window.warnings.size(), std::size_t(cycle + 1));
    }
    QCOMPARE(openDescriptors(), fds);
#ifndef R7K_SANITIZED  // the address sanitizer's quarantine holds freed memory on purpose
    QVERIFY2(residentKiB() - rss < 2048,
             qPrintable(QString("RSS grew by %1 KiB").arg(residentKiB() - rss)));
#else
    (void)rss;
#endif
    stopSim();
}

void TestQtRelink::reconnectsByItself() {
    QVERIFY(startSim());
    LivePanel panel(m_link.toStdString());
    panel.form.Form_Load();
    for (int cycle = 0; cycle < 3; ++cycle) {
        stopSim();
        QTRY_COMPARE(panel.window.warnings.size(), std::size_t(cycle + 1));
        QVERIFY(!panel.serial->portOpen());
        QTest::qWait(1200);  // gone for a while: the panel keeps watching
        QVERIFY(!panel.serial->portOpen());
        QVERIFY(startSim());
        QTRY_VERIFY_WITH_TIMEOUT(panel.serial->portOpen(), 3000);
        QCOMPARE(panel.line("Label12"), " COM1 (" + m_link.toStdString() + ") reconnected");
        QCOMPARE(panel.window.warnings.size(), std::size_t(cycle + 1));  // no second box
        QTest::qWait(600);
        panel.form.click("Command44");
        QTRY_COMPARE(panel.line("Label22"), std::string(" Stand by"));
    }
    stopSim();
}

QTEST_GUILESS_MAIN(TestQtRelink)
#include "test_qt_relink.moc"
