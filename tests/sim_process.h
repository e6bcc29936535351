#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>

// r7k-sim (the path CTest gives in R7K_SIM) as a child process, stopped when it goes out of
// scope. `path` is what its first line says it listens on.
struct SimProcess {
    QProcess process;
    QString firstLine;
    QString path;

    explicit SimProcess(const QStringList& args = {}) { start(args); }
    ~SimProcess() { stop(); }
    bool start(const QStringList& args) {
        process.start(qEnvironmentVariable("R7K_SIM"), args);
        QDeadlineTimer deadline(5000);
        while (process.waitForStarted(5000) && !process.canReadLine() && !deadline.hasExpired())
            process.waitForReadyRead(100);
        firstLine = QString::fromLocal8Bit(process.readLine()).trimmed();
        path = firstLine.section("listening on ", 1);
        return !path.isEmpty();
    }
    void stop() {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        process.waitForFinished(3000);
    }
};
