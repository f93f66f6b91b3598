// The lenient INI reader and the project settings on arbitrary bytes. The first byte chooses the
// decoding of a file without a mark. Checks: every listed key can be read; a file written from
// what was read reads back to the same keys and values; and a project read from the bytes,
// written and read again, settles on one set of lines (multi-line texts holding an escape as
// text may change once, as documented).
#include "project/IniFile.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace tavrel;

namespace {

TProject &project()
{
    // No installation data: a new project packs no templates, which keeps each run fast.
    static std::unique_ptr<TProject> p = [] {
        qputenv("TAVREL_DATA", "/nonexistent-tavrel-data");
        return std::make_unique<TProject>();
    }();
    return *p;
}

QStringList settle(TProject &p)
{
    TMemIniFile ini;
    ini.LoadFromBytes(EncodeIniLines(p.IniLines()));
    p.LoadSettings(ini);
    return p.IniLines();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TIniEncoding hint = (size > 0 && (data[0] & 1)) ? TIniEncoding::Utf16LE : TIniEncoding::System;
    const QByteArray bytes = size > 0 ? QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)) : QByteArray();

    TMemIniFile ini;
    ini.LoadFromBytes(bytes, hint);
    TIniWriter w;
    for (const QString &section : ini.Sections()) {
        if (!ini.SectionExists(section))
            std::abort();
        // Names that would read as a section or a comment cannot be written back as they are.
        const bool writable = !section.contains(QLatin1Char(']')) && !section.isEmpty();
        if (writable)
            w.AddSection(section);
        for (const QString &key : ini.SectionKeys(section)) {
            if (!ini.ValueExists(section, key))
                std::abort();
            const QString value = ini.ReadString(section, key, QString());
            int n = 0;
            if (ParseIniInteger(value, n) != (ini.ReadInteger(section, key, 1) == n && ini.ReadInteger(section, key, 2) == n))
                std::abort();
            if (writable && !key.startsWith(QLatin1Char('[')) && !key.startsWith(QLatin1Char(';')))
                w.AddString(key, value);
        }
    }
    TMemIniFile back;
    back.LoadFromBytes(w.ToUtf16LE());
    for (const QString &section : back.Sections())
        for (const QString &key : back.SectionKeys(section))
            if (back.ReadString(section, key, QString()) != ini.ReadString(section, key, QStringLiteral("\x01")))
                std::abort();

    TProject &p = project();
    // The keys whose absence keeps the current value start from the same values every time.
    p.OutputHHP = false;
    p.HHPFolder.clear();
    p.PDFFile.clear();
    p.LoadSettings(ini);
    QStringList previous = p.IniLines();
    for (int round = 0; round < 3; ++round) {
        const QStringList next = settle(p);
        if (next == previous)
            return 0;
        previous = next;
    }
    std::abort();
}
