#pragma once
// Programs nobody here wrote, used to check our workbooks: Python's xlrd and xlwt, and LibreOffice.

#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A Python 3 with xlrd and xlwt, or empty.
inline QString PeerPython()
{
    for (const QString &candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import xlrd, xlwt")});
        if (probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            return candidate;
    }
    return QString();
}

inline QString PeerSoffice()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

// Runs a program to its end; false, with its messages as a warning, when it failed or complained.
inline bool RunPeer(const QString &program, const QStringList &arguments, QByteArray *output = nullptr,
                    int seconds = 120)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")); // numbers shown with a point
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(seconds * 1000)) {
        process.kill();
        process.waitForFinished();
        qWarning("%s did not finish in %d s", qPrintable(program), seconds);
        return false;
    }
    const QByteArray out = process.readAllStandardOutput();
    if (output)
        *output = out;
    // A conversion that complains has failed even when the program exits with 0.
    const QByteArray errors = process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || errors.contains("Error")) {
        qWarning("%s failed: %s", qPrintable(program), errors.constData());
        return false;
    }
    return true;
}

// LibreOffice headless with a profile of its own in dir, writing into dir/out.
inline QStringList SofficeArguments(const QTemporaryDir &dir)
{
    return {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
            QStringLiteral("--headless"), QStringLiteral("--norestore")};
}

inline QStringList OutDir(const QTemporaryDir &dir)
{
    return {QStringLiteral("--outdir"), dir.filePath(QStringLiteral("out"))};
}

// LibreOffice's filter options: comma-separated, double-quoted, in the given character set
// (76 UTF-8, 1252 Windows-1252), every worksheet to a file of its own.
inline QString SofficeCsvFilter()
{
    return QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1");
}

// Comma-separated text as the peers write it: quoted items may hold commas and doubled quotes; a
// name ending in ".CSV" is Windows-1252 (Latin-1 for the characters our fixtures hold), others UTF-8.
inline QList<QStringList> ReadPeerCsv(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    // Our fixture is Windows-1252 (Latin-1 for the characters it holds); LibreOffice writes UTF-8.
    const QString text = path.endsWith(QLatin1String(".CSV")) ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
    QList<QStringList> rows;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        QStringList cells;
        QString cell;
        bool quoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (quoted) {
                if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"')
                    cell += u'"', ++i;
                else if (c == u'"')
                    quoted = false;
                else
                    cell += c;
            } else if (c == u'"') {
                quoted = true;
            } else if (c == u',') {
                cells.append(cell);
                cell.clear();
            } else {
                cell += c;
            }
        }
        cells.append(cell);
        rows.append(cells);
    }
    while (!rows.isEmpty() && rows.last() == QStringList{QString()})
        rows.removeLast();
    return rows;
}
