// The shipped context-file presets: the five languages in order, one-line body templates, and
// code that the compilers accept once it is filled with topics. The two Visual Basic presets
// have no compiler here.
#include "project/IniFile.h"
#include "project/ProjectSetting.h"
#include "text/StringList.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {

const QString kData = QStringLiteral(TAVREL_SOURCE_DIR "/data/");

TMemIniFile presets()
{
    TMemIniFile ini;
    EXPECT_TRUE(ini.LoadFromFile(kData + "context.dat", TIniEncoding::Utf16LE));
    return ini;
}

struct Topic
{
    QString StaticName;
    int ContextNumber;
    int Level;
    QString Title;
    QString Url;
};

const std::vector<Topic> &sampleTopics()
{
    static const std::vector<Topic> topics = {
        {"INTRODUCTION", 10000, 1, "Introduction", "introduction.htm"},
        {"GETTING_STARTED", 10001, 2, "Getting started: C:\\Program Files\\", "getting-started.htm"},
        {"WHAT_IS_NEW_IN_VERSION_2", 10002, 3, "What's new */ in \"version\" 2", "what-is-new-in-version-2.htm"},
        {"A_VERY_LONG_STATIC_NAME_THAT_IS_EXACTLY_FIFTY_CHARS", 10003, 1, "Long", "long.htm"},
        {"BLANK1", 7, 2, "Blank", "blank1.htm"},
    };
    return topics;
}

// The context file as the HTML Help output writes it: the top code, one filled body line per
// topic, the bottom code, each followed by CR LF.
QString contextFile(const TMemIniFile &ini, const QString &section)
{
    TStringList lines;
    lines.SetText(UnescapeLineBreaks(ini.ReadString(section, "TopCode", "")));
    const QString body = ini.ReadString(section, "CodeTemplate", "");
    for (const Topic &t : sampleTopics()) {
        QString name = "CID_" + t.StaticName;
        if (t.StaticName.size() < 51)
            name += QString(51 - t.StaticName.size(), ' ');
        QString line = body;
        line.replace("{%StaticVarName%}", name, Qt::CaseInsensitive);
        line.replace("{%ContextID%}", QString::number(t.ContextNumber), Qt::CaseInsensitive);
        line.replace("{%Title%}", QString(t.Level - 1, '\t') + t.Title, Qt::CaseInsensitive);
        line.replace("{%FileName%}", t.Url, Qt::CaseInsensitive);
        line.replace("{%Tab%}", "\t", Qt::CaseInsensitive);
        lines.Add(line);
    }
    lines.Add(UnescapeLineBreaks(ini.ReadString(section, "BottomCode", "")));
    return lines.Text();
}

// Writes the filled preset as UTF-8 with a byte-order mark (the default context encoding) and
// runs the compiler in that folder; returns its console text when it fails.
::testing::AssertionResult compiles(const QString &program, const QStringList &args, const QString &folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return ::testing::AssertionFailure() << program.toStdString() << " did not finish";
    }
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << program.toStdString() << " failed:\n" << p.readAll().toStdString();
}

QString compilerOrSkip(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

} // namespace

TEST(ContextPresets, FiveLanguagesInOrderWithOneLineBodies)
{
    QFile f(kData + "context.dat");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(2) == "\xFF\xFE");
    const TMemIniFile ini = presets();
    EXPECT_EQ(ini.Sections(), (QStringList{"C#", "VB .NET", "Visual Basic", "C++", "Delphi"}));
    for (const QString &s : ini.Sections()) {
        SCOPED_TRACE(s.toStdString());
        const QString body = ini.ReadString(s, "CodeTemplate", "");
        EXPECT_TRUE(body.contains("{%StaticVarName%}"));
        EXPECT_TRUE(body.contains("{%ContextID%}"));
        EXPECT_FALSE(body.contains('\r') || body.contains('\n') || body.contains("`1"));
        EXPECT_FALSE(ini.ReadString(s, "TopCode", "").isEmpty());
        EXPECT_FALSE(ini.ReadString(s, "BottomCode", "").isEmpty());
    }

    // A new project takes the C# preset.
    qputenv("TAVREL_DATA", kData.toLocal8Bit());
    QString top, bottom, body;
    GetContextCodeDefaults(top, bottom, body);
    qputenv("TAVREL_DATA", QByteArray(TAVREL_BINARY_DIR "/bin/data"));
    EXPECT_EQ(top, UnescapeLineBreaks(ini.ReadString("C#", "TopCode", "")));
    EXPECT_EQ(bottom, UnescapeLineBreaks(ini.ReadString("C#", "BottomCode", "")));
    EXPECT_EQ(body, ini.ReadString("C#", "CodeTemplate", ""));
    EXPECT_TRUE(top.contains("\r\n"));
}

TEST(ContextPresets, CSharpPresetCompiles)
{
    const QString mcs = compilerOrSkip("mcs");
    if (mcs.isEmpty())
        GTEST_SKIP() << "mcs (mono-mcs) is not installed";
    QTemporaryDir dir;
    WriteTextFile(contextFile(presets(), "C#"), dir.filePath("context.cs"), 1);
    EXPECT_TRUE(compiles(mcs, {"-target:library", "-warnaserror+", "-out:context.dll", "context.cs"}, dir.path()));
}

TEST(ContextPresets, CppPresetCompiles)
{
    const QString gxx = compilerOrSkip("g++");
    if (gxx.isEmpty())
        GTEST_SKIP() << "g++ is not installed";
    QTemporaryDir dir;
    WriteTextFile(contextFile(presets(), "C++"), dir.filePath("context.h"), 1);
    // Included twice, as headers are, and used.
    WriteTextFile("#include \"context.h\"\n#include \"context.h\"\n"
                  "int main() { return HelpContext::CID_INTRODUCTION == 10000 ? 0 : 1; }\n",
                  dir.filePath("use.cpp"), 1);
    EXPECT_TRUE(compiles(gxx, {"-std=c++98", "-Wall", "-Wextra", "-Werror", "-pedantic", "-c", "use.cpp"}, dir.path()));
}

TEST(ContextPresets, DelphiPresetCompiles)
{
    const QString fpc = compilerOrSkip("fpc");
    if (fpc.isEmpty())
        GTEST_SKIP() << "fpc (fp-compiler) is not installed";
    QTemporaryDir dir;
    WriteTextFile(contextFile(presets(), "Delphi"), dir.filePath("HelpContext.pas"), 1);
    EXPECT_TRUE(compiles(fpc, {"-Mdelphi", "-Sew", "HelpContext.pas"}, dir.path()));
}
