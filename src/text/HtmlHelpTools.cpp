#include "text/HtmlHelpTools.h"

#include "text/ChildProcess.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/LanguageProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

namespace tavrel {

namespace {

const QString CompilerName = QStringLiteral("chmcmd");
constexpr int DefaultTimeoutMs = 10 * 60 * 1000;

} // namespace

QString HelpCompilerProgram()
{
    const QFileInfo installed(InstallPath(CompilerName));
    if (installed.isFile() && installed.isExecutable())
        return installed.absoluteFilePath();
    return QStandardPaths::findExecutable(CompilerName);
}

THelpCompileResult RunHelpCompiler(const QString &folder, const QString &hhpName, int timeoutMs,
                                   const QString &program)
{
    const QString exe = program.isEmpty() ? HelpCompilerProgram() : program;
    if (exe.isEmpty())
        throw Exception(QStringLiteral("The help compiler %1 cannot be found: it is neither in the installation "
                                       "folder nor on the search path. Please install it (Debian package fp-utils).")
                            .arg(CompilerName));
    if (!QFileInfo(folder).isDir())
        throw Exception(QStringLiteral("The help project folder \"%1\" does not exist.").arg(folder));

    TChildRun run;
    run.Program = exe;
    run.Arguments = {hhpName};
    run.WorkingDirectory = folder;
    run.TimeoutMs = timeoutMs > 0 ? timeoutMs : DefaultTimeoutMs;
    const TChildResult child = RunChild(run);
    if (!child.Started)
        throw Exception(QStringLiteral("The help compiler %1 cannot be started: %2").arg(exe, child.StartError));
    if (child.TimedOut) {
        QString message = QStringLiteral("The help compiler %1 did not finish within %2 seconds and was stopped.")
                              .arg(exe)
                              .arg(run.TimeoutMs / 1000.0);
        const QString text = DecodeUnmarkedText(child.Output).trimmed();
        if (!text.isEmpty())
            message += QStringLiteral("\n\nThe compiler wrote:\n") + text;
        throw Exception(message);
    }

    THelpCompileResult result;
    // The compiler prints the names of the pages as they are stored: UTF-8 in practice.
    result.Output = DecodeUnmarkedText(child.Output);
    result.Crashed = child.Crashed;
    result.ExitCode = child.ExitCode;
    return result;
}

bool FixChmDirectoryHeader(const QString &chm)
{
    QFile file(chm);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    auto readAt = [&file](qint64 offset, qint64 size) {
        if (!file.seek(offset))
            return QByteArray();
        QByteArray data = file.read(size);
        return data.size() == size ? data : QByteArray();
    };
    const QByteArray itsf = readAt(0, 0x58);
    if (itsf.size() != 0x58 || !itsf.startsWith("ITSF"))
        return false;
    const qint64 dirOffset = qint64(qFromLittleEndian<quint64>(itsf.constData() + 0x48));
    const QByteArray itsp = readAt(dirOffset, 0x54);
    if (itsp.size() != 0x54 || !itsp.startsWith("ITSP"))
        return false;
    const quint32 headerLength = qFromLittleEndian<quint32>(itsp.constData() + 0x08);
    const quint32 chunkSize = qFromLittleEndian<quint32>(itsp.constData() + 0x10);
    const qint32 firstListing = qFromLittleEndian<qint32>(itsp.constData() + 0x20);
    const qint32 chunkCount = qFromLittleEndian<qint32>(itsp.constData() + 0x2C);
    if (headerLength < 0x54 || chunkSize < 0x20 || chunkSize > (1u << 20) || chunkCount <= 0
        || qint64(chunkCount) * chunkSize > file.size())
        return false;

    // The first listing chunk is the one without a previous chunk.
    qint32 first = -1;
    for (qint32 i = 0; i < chunkCount; ++i) {
        const QByteArray head = readAt(dirOffset + headerLength + qint64(i) * chunkSize, 0x14);
        if (head.size() != 0x14 || !head.startsWith("PMGL"))
            continue;
        if (qFromLittleEndian<qint32>(head.constData() + 0x0C) == -1) {
            first = i;
            break;
        }
    }
    if (first < 0 || first == firstListing)
        return false;
    uchar field[4];
    qToLittleEndian<qint32>(first, field);
    if (!file.seek(dirOffset + 0x20) || file.write(reinterpret_cast<const char *>(field), 4) != 4)
        return false;
    return file.flush();
}

} // namespace tavrel
