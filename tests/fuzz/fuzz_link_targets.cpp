// A document's relationship targets and hyperlink addresses turned into files and links: the
// first line of the input is the document's folder, the rest the target. A local target becomes
// one absolute, normalised path; a script address is recognised however it is spelt; the carry
// rule allows only paths below its root without hidden names; a package part never climbs out
// of the package.
#include "text/HTMLProcess.h"
#include "text/OutsideFiles.h"
#include "word/engine/DocxReader.h"
#include "word/engine/HtmlWriter.h"
#include "word/engine/Zip.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;
using namespace tavrel::engine;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool normalisedAbsolute(const QString &path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    if (path == QLatin1String("/"))
        return true;
    const QStringList segments = path.mid(1).split(QLatin1Char('/'));
    for (const QString &s : segments)
        if (s.isEmpty() || s == QLatin1String(".") || s == QLatin1String(".."))
            return false;
    return true;
}

// Without the characters that an address carries in another form (percent signs, fragments,
// backslashes, white space other than blanks) and that does not begin like a drive.
bool plainPath(const QString &path)
{
    for (QChar c : path)
        if (c == QLatin1Char('%') || c == QLatin1Char('#') || c == QLatin1Char('\\') || (c.isSpace() && c != QLatin1Char(' ')) ||
            c.unicode() < 0x20)
            return false;
    // "/e:/x" is written "file:///e:/x", which reads back as the drive "e:" (both spellings of
    // a Windows path are kept as text).
    if (path.size() >= 3 && path[2] == QLatin1Char(':'))
        return false;
    return !path.endsWith(QLatin1Char(' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString root = QDir(dir.path()).canonicalPath();
    static const TCarryRoots roots(QStringList{root});

    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nl = input.indexOf(QLatin1Char('\n'));
    const QString base = nl < 0 ? root + QStringLiteral("/doc") : input.left(nl);
    const QString target = nl < 0 ? input : input.mid(nl + 1);

    const TLinkTarget link = ClassifyLinkTarget(target, base);
    check(link.Address == LinkAddress(target, base));
    if (IsScriptUrl(target.trimmed()))
        check(link.Kind == TLinkTarget::TKind::Script);
    if (link.Kind == TLinkTarget::TKind::LocalFile) {
        check(link.Address.startsWith(QLatin1String("file:///")));
        const bool drive = link.Path.size() >= 2 && link.Path[1] == QLatin1Char(':');
        if (link.Path.startsWith(QLatin1Char('/')) && base.startsWith(QLatin1Char('/'))) {
            check(normalisedAbsolute(link.Path));
            // The address written into a page names the same file again.
            if (plainPath(link.Path))
                check(ClassifyLinkTarget(link.Address, base).Path == link.Path);
        } else {
            check(drive || !base.startsWith(QLatin1Char('/')));
        }
        const QString why = roots.Refusal(link.Path);
        if (why.isEmpty()) {
            check(link.Path.startsWith(root + QLatin1Char('/')));
            for (const QString &s : link.Path.mid(root.size() + 1).split(QLatin1Char('/')))
                check(!s.startsWith(QLatin1Char('.')));
        }
    }

    // The same target as an internal relationship names a part inside the package or none.
    const QString part = ResolvePartName(QStringLiteral("word/document.xml"), target);
    check(part.isEmpty() || IsSafeEntryName(part));
    const QByteArray rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                            "<Relationship Id=\"r1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" Target=\"" +
                            target.toHtmlEscaped().toUtf8() + "\"/></Relationships>";
    try {
        const TRelationships parsed = ReadRelationshipsPart(rels, QStringLiteral("word/document.xml"), QStringLiteral("fuzz.docx"));
        if (const TRelationship *r = parsed.Find(QStringLiteral("r1")))
            check(r->Part.isEmpty() || IsSafeEntryName(r->Part));
    } catch (...) {
    }
    return 0;
}
