#include "word/engine/LibreOffice.h"

#include "text/ChildProcess.h"
#include "text/Exceptions.h"
#include "text/WorkingFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

namespace {

// No build step may reach the network, and LibreOffice follows a document's outside references
// while it reads it. Its fresh profile therefore sends every web request to a proxy on a closed
// local port, so a reference that slipped through fails at once instead of being fetched.
void writeOfflineProfile(const QString &profile)
{
    static const char *const settings[][2] = {
        {"ooInetProxyType", "1"},
        {"ooInetHTTPProxyName", "127.0.0.1"},  {"ooInetHTTPProxyPort", "9"},
        {"ooInetHTTPSProxyName", "127.0.0.1"}, {"ooInetHTTPSProxyPort", "9"},
        {"ooInetFTPProxyName", "127.0.0.1"},   {"ooInetFTPProxyPort", "9"},
        {"ooInetNoProxy", ""},
    };
    QByteArray xcu = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                     "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    for (const auto &s : settings)
        xcu += QByteArray("<item oor:path=\"/org.openoffice.Inet/Settings\"><prop oor:name=\"") + s[0] +
               "\" oor:op=\"fuse\"><value>" + s[1] + "</value></prop></item>\n";
    xcu += "</oor:items>\n";
    QDir().mkpath(profile + QStringLiteral("/user"));
    QFile f(profile + QStringLiteral("/user/registrymodifications.xcu"));
    if (f.open(QIODevice::WriteOnly))
        f.write(xcu);
}

} // namespace

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

    writeOfflineProfile(profile.path());

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
