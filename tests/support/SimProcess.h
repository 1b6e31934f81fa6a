#pragma once
// A talvo-sim process for a test: started with the given flags, its pseudo-terminal made the
// only serial port the application sees (COM 161), stopped when the test is done.

#include <QProcess>
#include <QStringList>

#ifndef TALVO_SIM
#error "TALVO_SIM must name the simulator executable"
#endif

class SimProcess {
public:
    explicit SimProcess(const QStringList &args = {})
    {
        FProcess.setProgram(QStringLiteral(TALVO_SIM));
        FProcess.setArguments(args);
        FProcess.setProcessChannelMode(QProcess::SeparateChannels);
        FProcess.start();
        if (FProcess.waitForStarted(5000) && FProcess.waitForReadyRead(5000))
            Path = QString::fromLocal8Bit(FProcess.readLine()).trimmed();
        qputenv("VORNELL_SERIAL_PORTS", Path.toLocal8Bit());
        qputenv("VORNELL_SYSTEM_PORTS", "0");
    }
    ~SimProcess() { Stop(); }
    void Stop()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000))
            FProcess.kill();
        FProcess.waitForFinished(1000);
    }
    bool Running() const { return FProcess.state() == QProcess::Running; }
    int ExitCode() const { return FProcess.exitCode(); }

    QString Path;

private:
    QProcess FProcess;
};
