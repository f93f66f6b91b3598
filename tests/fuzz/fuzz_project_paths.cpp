// A project read from arbitrary bytes and every output path of it resolved, the way a build
// starts. Checks: a path setting with a control character is named by PathSettingProblem and
// never resolves; every other output path is absolute and lies where its stored text says,
// relative ones under the project folder; the folder guard judges each without failing.
#include "project/FolderGuard.h"
#include "project/IniFile.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/OutputPath.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace tavrel;

namespace {

struct TFixture
{
    QTemporaryDir dir;
    QString root; // the project folder, physical, with "/"
    std::unique_ptr<TProject> project;
    TFixture()
    {
        // No installation data: a new project packs no templates, which keeps each run fast.
        qputenv("TAVREL_DATA", "/nonexistent-tavrel-data");
        char buffer[PATH_MAX];
        root = QFile::decodeName(::realpath(QFile::encodeName(dir.path()).constData(), buffer)) + "/proj/";
        QDir().mkpath(root + "sub");
        QDir().mkpath(root + "../elsewhere/inner");
        (void)::symlink("../elsewhere/inner", QFile::encodeName(root + "lnk").constData());
        project = std::make_unique<TProject>();
    }
};

TFixture &fixture()
{
    static TFixture f;
    return f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 65536)
        return 0;
    TFixture &f = fixture();
    TProject &p = *f.project;
    const TIniEncoding hint = (size > 0 && (data[0] & 1)) ? TIniEncoding::Utf16LE : TIniEncoding::System;
    const QByteArray bytes = size > 0 ? QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)) : QByteArray();
    TMemIniFile ini;
    ini.LoadFromBytes(bytes, hint);
    p.OutputHHP = false;
    p.HHPFolder.clear();
    p.PDFFile.clear();
    p.LoadSettings(ini);
    p.RootDir = f.root;
    p.ProjectFilename = f.root + "help.tvp";
    p.IsNew = true; // no output record is read or written

    const QString problem = p.PathSettingProblem();
    const QString *settings[] = {&p.SourceFile, &p.CompiledFile, &p.WebHelpOutputFolder, &p.PDFFile, &p.HtmlHelpContextFile, &p.HHPFolder};
    bool anyControl = false;
    for (const QString *s : settings)
        anyControl = anyControl || HasControlCharacter(*s);
    if (anyControl != !problem.isEmpty())
        std::abort();

    for (int type = ptCompiledFile; type <= ptHHPFolder; ++type) {
        const QString &stored = *settings[type];
        QString resolved;
        try {
            resolved = p.OutputPath(type);
        } catch (const Exception &) {
            continue; // control characters, link loops
        }
        if (HasControlCharacter(stored))
            std::abort();
        if (stored.trimmed().isEmpty()) {
            if (!resolved.isEmpty())
                std::abort();
            continue;
        }
        if (!resolved.startsWith(QLatin1Char('/')) || HasControlCharacter(resolved))
            std::abort();
        const bool folder = type == ptWebHelpFolder || type == ptHHPFolder;
        if (folder != resolved.endsWith(QLatin1Char('/')) && resolved != QLatin1String("/"))
            std::abort();
        // Resolving what was resolved changes nothing: the guard and the delete see one path.
        QString bare = resolved;
        if (bare.size() > 1 && bare.endsWith(QLatin1Char('/')))
            bare.chop(1);
        if (ResolveOutputPath(bare, QString()) != bare)
            std::abort();
    }
    if (problem.isEmpty()) {
        try {
            const TFolderGuard guard(p);
            guard.FolderRefusal(p.OutputPath(ptWebHelpFolder), TGuardedOutput::WebHelpFolder);
            guard.FolderRefusal(p.OutputPath(ptHHPFolder), TGuardedOutput::HHPFolder);
            guard.FileRefusal(p.OutputPath(ptCompiledFile), TGuardedOutput::CompiledFile);
            guard.FileRefusal(p.OutputPath(ptPDFFile), TGuardedOutput::PDFFile);
            guard.FileRefusal(p.OutputPath(ptContextFile), TGuardedOutput::ContextFile);
        } catch (const Exception &) {
        }
    }
    return 0;
}
