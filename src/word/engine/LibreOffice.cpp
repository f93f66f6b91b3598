#include "word/engine/LibreOffice.h"

#include "text/ChildProcess.h"
#include "text/Exceptions.h"
#include "text/WorkingFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace tavrel::engine {

QString TLibreOffice::Program()
{
    QString p = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (p.isEmpty())
        p = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    return p;
}

QString TLibreOffice::OutputFileFor(const TConversion &c, const QString &input)
{
    QString ext = c.ConvertTo.section(':', 0, 0);
    return QDir(c.OutputFolder).filePath(QFileInfo(input.isEmpty() ? c.Input : input).completeBaseName() + '.' + ext);
}

QString TLibreOffice::Convert(const TConversion &c, QByteArray *log)
{
    TConversion single = c;
    single.MoreInputs.clear();
    return ConvertAll(single, log).first();
}

QStringList TLibreOffice::ConvertAll(const TConversion &c, QByteArray *log)
{
    const QString name = c.DisplayName.isEmpty() ? QFileInfo(c.Input).fileName() : c.DisplayName;
    const QString program = Program();
    if (program.isEmpty())
        throw Exception(QStringLiteral("LibreOffice is not installed: \"%1\" cannot be converted.").arg(name));

    // The private profile lives in this run's working folder, so a killed run leaves none behind.
    QTemporaryDir profile(RunFolder() + QStringLiteral("lo-XXXXXX"));
    if (!profile.isValid())
        throw Exception(QStringLiteral("LibreOffice cannot be started for \"%1\": no temporary profile folder.").arg(name));

    QStringList args{QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--norestore"),
                     QStringLiteral("--nologo"), QStringLiteral("--nodefault"), QStringLiteral("--nolockcheck"),
                     QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString()};
    if (!c.InputFilter.isEmpty())
        args << QStringLiteral("--infilter=") + c.InputFilter;
    const QStringList inputs = QStringList{c.Input} + c.MoreInputs;
    args << QStringLiteral("--convert-to") << c.ConvertTo << QStringLiteral("--outdir") << c.OutputFolder << inputs;

    QStringList expected;
    for (const QString &in : inputs) {
        expected << OutputFileFor(c, in);
        QFile::remove(expected.last());
    }

    TChildRun run;
    run.Program = program;
    run.Arguments = args;
    run.Environment = QProcessEnvironment::systemEnvironment();
    run.Environment.insert(QStringLiteral("SAL_USE_VCLPLUGIN"), QStringLiteral("svp"));
    run.TimeoutMs = c.TimeoutMs;
    // Conversions into the working folder are working files too: only the user may read them.
    run.PrivateFiles = IsWorkingPath(c.OutputFolder);
    const TChildResult child = RunChild(run);
    const QByteArray &output = child.Output;
    if (log)
        *log = output;
    if (!child.Started)
        throw Exception(QStringLiteral("LibreOffice could not be started to convert \"%1\": %2").arg(name, child.StartError));
    if (child.TimedOut)
        throw Exception(QStringLiteral("LibreOffice did not finish converting \"%1\" within %2 seconds and was stopped.")
                            .arg(name)
                            .arg(c.TimeoutMs / 1000));
    if (child.Crashed || child.ExitCode != 0)
        throw Exception(QStringLiteral("LibreOffice failed to convert \"%1\" (exit code %2): %3")
                            .arg(name)
                            .arg(child.ExitCode)
                            .arg(QString::fromLocal8Bit(output).trimmed()));
    for (int i = 0; i < expected.size(); ++i) {
        QFileInfo out(expected[i]);
        if (!out.exists() || out.size() == 0) {
            QString which = i == 0 ? name : QFileInfo(inputs[i]).fileName();
            QString said = QString::fromLocal8Bit(output).trimmed();
            throw Exception(QStringLiteral("LibreOffice could not convert \"%1\": %2")
                                .arg(which, said.isEmpty() ? QStringLiteral("it wrote no output") : said));
        }
    }
    return expected;
}

} // namespace tavrel::engine
