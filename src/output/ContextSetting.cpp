#include "output/ContextSetting.h"

#include "project/IniFile.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

namespace tavrel {

namespace {
const QString kCustom = QStringLiteral("Custom");

bool loadPresets(TMemIniFile &ini)
{
    return ini.LoadFromFile(InstallPath(QStringLiteral("context.dat")), TIniEncoding::Utf16LE);
}
} // namespace

QStringList ContextPresetNames()
{
    TMemIniFile ini;
    QStringList names;
    if (loadPresets(ini))
        names = ini.Sections();
    names << kCustom;
    return names;
}

int MatchContextPreset(const QString &topCode, const QString &codeTemplate, const QString &bottomCode)
{
    TMemIniFile ini;
    if (!loadPresets(ini))
        return 0;
    const QStringList sections = ini.Sections();
    for (int i = 0; i < sections.size(); ++i) {
        const QString &s = sections[i];
        if (UnescapeLineBreaks(ini.ReadString(s, QStringLiteral("TopCode"), QString())) == topCode
            && ini.ReadString(s, QStringLiteral("CodeTemplate"), QString()) == codeTemplate
            && UnescapeLineBreaks(ini.ReadString(s, QStringLiteral("BottomCode"), QString())) == bottomCode)
            return i;
    }
    return sections.size();
}

void LoadContextPreset(const QString &name, QString &topCode, QString &codeTemplate, QString &bottomCode)
{
    TMemIniFile ini;
    loadPresets(ini);
    topCode = UnescapeLineBreaks(ini.ReadString(name, QStringLiteral("TopCode"), QString()));
    codeTemplate = ini.ReadString(name, QStringLiteral("CodeTemplate"), QString());
    bottomCode = UnescapeLineBreaks(ini.ReadString(name, QStringLiteral("BottomCode"), QString()));
}

QStringList ContextEncodingNames()
{
    return {"ANSI", "Unicode", "Unicode big endian", "UTF-8"};
}

int ContextEncodingIndex(int storedValue)
{
    return storedValue >= 0 && storedValue <= 3 ? storedValue : -1;
}

QString ContextVariable(int tag)
{
    static const char *const vars[] = {"{%StaticVarName%}", "{%ContextID%}", "{%Title%}", "{%FileName%}", "{%Tab%}"};
    return tag >= 1 && tag <= 5 ? QString::fromLatin1(vars[tag - 1]) : QString();
}

QStringList ContextVariableCaptions()
{
    return {"Static variable name", "Context ID", "Title", "File name", "Tab"};
}

} // namespace tavrel
