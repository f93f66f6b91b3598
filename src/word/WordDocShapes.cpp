#include "word/WordDocParts.h"

#include "text/Ascii.h"
#include "project/ProjectSetting.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/TagScanner.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace tavrel {

using namespace worddoc;

namespace {

const QString kFlashMarker = QStringLiteral("~$!!Flash:");
const QString kMapMarker = QStringLiteral("`$#!(");
const QString kLinkMarker = QStringLiteral("`@#^");

} // namespace

// --- Shapes and Flash objects -----------------------------------------------------------------

void TWordDoc::shapesPass(WordDocument &document)
{
    WordShapes inlineShapes = document.InlineShapes();
    WordShapes shapes = document.Shapes();
    if (inlineShapes.Count() + shapes.Count() == 0)
        return;
    auto addMap = [&](WordShape &canvas) {
        const std::vector<WordShape> items = canvas.CanvasItems();
        QString areas;
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            areas += areaOfCanvasItem(*it);
        if (!areas.isEmpty()) {
            const int number = static_cast<int>(MapCodes.size());
            MapCodes << QStringLiteral("<map name=\"WordMap%1\">\r\n").arg(number) + areas + QStringLiteral("</map>\r\n");
            canvas.SetAlternativeText(canvas.AlternativeText() + kMapMarker + QString::number(number) + QLatin1Char(')'));
        }
    };
    for (int i = 1; i <= inlineShapes.Count();) {
        WordShape shape = inlineShapes.Item(i);
        if (shape.Type() == wdInlineShapeCanvas) {
            // A canvas in line with the text is as clickable as a floating one.
            addMap(shape);
            ++i;
        } else if (shape.Type() == wdInlineShapeOLEControlObject && shape.ClassType().contains(QLatin1String("ShockwaveFlash"), Qt::CaseInsensitive)) {
            const int k = static_cast<int>(OLEObjs.size());
            addFlashObject(shape);
            WordRange range = shape.Range();
            range.InsertAfter(kFlashMarker + QStringLiteral("(%1)").arg(k));
            shape.Delete();
        } else {
            ++i;
        }
    }
    for (int i = 1; i <= shapes.Count();) {
        WordShape shape = shapes.Item(i);
        const int type = shape.Type();
        if (type == wdShapeDrawing) {
            try {
                const WordHyperlinkInfo link = shape.Hyperlink();
                if (!link.SubAddress.isEmpty())
                    shape.SetAlternativeText(shape.AlternativeText() + kLinkMarker + QLatin1Char('#') + link.SubAddress + QLatin1Char(';') +
                                             link.Target + QLatin1Char(';') + link.ScreenTip);
                else if (!link.Address.isEmpty())
                    shape.SetAlternativeText(shape.AlternativeText() + kLinkMarker + link.Address + QLatin1Char(';') + link.Target +
                                             QLatin1Char(';') + link.ScreenTip);
            } catch (const Exception &e) {
                // The shape keeps its picture, without the link.
                Warnings.Add(QStringLiteral("The link of a picture could not be read and was left out: ") + e.Message());
            }
            ++i;
        } else if (type == wdShapeCanvas) {
            addMap(shape);
            ++i;
        } else if (type == wdShapeOLEControlObject && shape.ClassType().contains(QLatin1String("ShockwaveFlash"), Qt::CaseInsensitive)) {
            // Floating controls are written like inline ones, at their anchor, so none is lost.
            const int k = static_cast<int>(OLEObjs.size());
            addFlashObject(shape);
            WordRange anchor = shape.Anchor();
            anchor.InsertAfter(kFlashMarker + QStringLiteral("(%1)").arg(k));
            shape.Delete();
        } else {
            ++i;
        }
    }
}

void TWordDoc::addFlashObject(WordShape &shape)
{
    static const char *const names[] = {"AlignMode", "AllowFullScreen", "AllowNetworking", "AllowScriptAccess", "BackgroundColor",
                                        "Base", "BGColor", "DeviceFont", "EmbedMovie", "FlashVars", "FrameNum", "Loop", "Menu",
                                        "Movie", "Playing", "Profile", "ProfileAddress", "ProfilePort", "Quality", "Quality2",
                                        "SAlign", "Scale", "ScaleMode", "SWRemote", "WMode"};
    auto list = std::make_unique<TStringList>();
    for (const char *name : names)
        list->Add(QLatin1String(name) + QLatin1Char('=') + shape.Property(QLatin1String(name)));
    list->Add(QStringLiteral("Height=") + PointsToPixels(static_cast<float>(shape.Height())));
    list->Add(QStringLiteral("Width=") + PointsToPixels(static_cast<float>(shape.Width())));
    OLEObjs.push_back(std::move(list));
}

QString TWordDoc::areaOfCanvasItem(const WordShape &item)
{
    try {
        const WordHyperlinkInfo link = item.Hyperlink();
        if (link.SubAddress.isEmpty() && link.Address.isEmpty())
            return QString();
        QString a = QStringLiteral("<area href=\"") + (link.SubAddress.isEmpty() ? link.Address : QString(QLatin1Char('#') + link.SubAddress)) +
                    QLatin1Char('"');
        if (!link.Target.isEmpty())
            a += QStringLiteral(" target=\"") + link.Target + QLatin1Char('"');
        // The engine reports canvas items in points from the canvas's corner, the same unit as
        // their size, and paints the canvas at 96 dpi: no further scaling is needed.
        const double left = item.Left(), top = item.Top();
        a += QStringLiteral(" shape=\"rect\" coords=\"") + PointsToPixels(float(left)) + QLatin1Char(',') + PointsToPixels(float(top)) +
             QLatin1Char(',') + PointsToPixels(float(left + item.Width())) + QLatin1Char(',') + PointsToPixels(float(top + item.Height())) +
             QLatin1Char('"');
        if (!link.ScreenTip.isEmpty())
            a += QStringLiteral(" title=\"") + link.ScreenTip + QStringLiteral("\">\r\n");
        else
            a += QStringLiteral(">\r\n");
        return a;
    } catch (const Exception &e) {
        // The drawing keeps its picture; only this item's link area is missing.
        Warnings.Add(QStringLiteral("The link of a drawing item could not be read and was left out: ") + e.Message());
        return QString();
    }
}

void TWordDoc::ProcessOLEObj()
{
    if (OLEObjs.empty())
        return;
    std::vector<QString> elements;
    for (size_t k = 0; k < OLEObjs.size(); ++k) {
        const TStringList &p = *OLEObjs[k];
        auto value = [&](const char *name) { return p.Values(QLatin1String(name)); };
        const QString rawMovie = value("Movie");
        QString movie = rawMovie;
        movie.replace(QLatin1Char('\\'), QLatin1Char('/'));
        QString e = QStringLiteral("\r\n<object type=\"application/x-shockwave-flash\" data=\"") + movie + QStringLiteral("\" width=\"") +
                    value("Width") + QStringLiteral("\" height=\"") + value("Height") + QStringLiteral("\">\r\n<param name=\"Movie\" value=\"") +
                    movie + QStringLiteral("\">\r\n");
        if (value("Playing").compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            e += QStringLiteral("<param name=\"Play\" value=\"false\">\r\n");
        if (value("Loop").compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            e += QStringLiteral("<param name=\"Loop\" value=\"false\">\r\n");
        if (value("Menu").compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            e += QStringLiteral("<param name=\"Menu\" value=\"false\">\r\n");
        for (const char *name : {"AlignMode", "AllowFullScreen", "AllowNetworking", "AllowScriptAccess", "BackgroundColor", "Base",
                                 "BGColor", "DeviceFont", "EmbedMovie", "FlashVars", "FrameNum", "Profile", "ProfileAddress",
                                 "ProfilePort", "Quality", "SAlign", "Scale", "ScaleMode", "SWRemote", "WMode"}) {
            if (value(name).isEmpty())
                continue;
            const QString v = qstrcmp(name, "Quality") == 0 ? value("Quality2") : value(name);
            e += QStringLiteral("<param name=\"") + QLatin1String(name) + QStringLiteral("\" value=\"") + v + QStringLiteral("\">\r\n");
        }
        e += QStringLiteral("</object>\r\n");
        elements.push_back(e);

        if (rawMovie.isEmpty())
            continue;
        const QString from = (Project ? Project->RootDir : QString()) + movie;
        const TConfined confined = Confine(tempDir, movie);
        if (!confined) {
            Warnings.Add(QStringLiteral("The Flash movie \"%1\" lies outside the project folder's tree and was not copied.").arg(rawMovie));
            continue;
        }
        const QString &to = confined.Path;
        if (QFileInfo::exists(to)) {
            AttachedFiles.Add(movie);
            continue;
        }
        if (!m_carryRoots)
            m_carryRoots = TCarryRoots(carryFolders());
        const TOutsideFile file = ReadOutsideFile(from, kMaxOutsideFile, &*m_carryRoots);
        if (!file.Ok()) {
            Warnings.Add(QStringLiteral("The Flash movie \"%1\" %2; it was not copied.").arg(from, file.Error));
            continue;
        }
        if (!FileSystem().MakePath(QFileInfo(to).absolutePath()) || !FileSystem().WriteFile(to, file.Data))
            throw Exception(QStringLiteral("Cannot copy the Flash movie \"%1\" to \"%2\".").arg(from, to));
        AttachedFiles.Add(movie);
    }
    // One pass over the page replaces every marker by its object.
    QString out;
    out.reserve(Source.size());
    qsizetype pos = 0;
    for (;;) {
        const qsizetype m = Source.indexOf(kFlashMarker, pos, Qt::CaseInsensitive);
        if (m < 0)
            break;
        qsizetype i = m + kFlashMarker.size();
        bool ok = false;
        size_t number = 0;
        if (i < Source.size() && Source[i] == QLatin1Char('(')) {
            const qsizetype close = Source.indexOf(QLatin1Char(')'), i + 1);
            if (close > i + 1 && close - i < 12) {
                number = Source.mid(i + 1, close - i - 1).toUInt(&ok);
                i = close + 1;
            }
        }
        if (!ok || number >= elements.size()) {
            out += QStringView(Source).mid(pos, m + 1 - pos);
            pos = m + 1;
            continue;
        }
        out += QStringView(Source).mid(pos, m - pos);
        out += elements[number];
        pos = i;
    }
    out += QStringView(Source).mid(pos);
    Source = out;
}

TShapeAlt TWordDoc::DecodeShapeAlt(const QString &value)
{
    TShapeAlt r;
    QString v = value;
    const qsizetype d = v.indexOf(QLatin1String("Description:"));
    if (d >= 0)
        v = v.mid(d + 12);
    const qsizetype map = v.indexOf(kMapMarker);
    if (map >= 0) {
        r.AltText = v.left(map);
        const qsizetype open = map + kMapMarker.size();
        const qsizetype close = v.indexOf(QLatin1Char(')'), open);
        r.MapNumber = close < 0 ? v.mid(open) : v.mid(open, close - open);
        return r;
    }
    const qsizetype link = v.indexOf(kLinkMarker);
    if (link >= 0) {
        r.AltText = v.left(link);
        const QString rest = v.mid(link + kLinkMarker.size());
        const qsizetype a = rest.indexOf(QLatin1Char(';'));
        const qsizetype b = a < 0 ? -1 : rest.indexOf(QLatin1Char(';'), a + 1);
        r.Link = a < 0 ? rest : rest.left(a);
        r.Target = a < 0 ? QString() : (b < 0 ? rest.mid(a + 1) : rest.mid(a + 1, b - a - 1));
        r.Title = b < 0 ? QString() : rest.mid(b + 1);
    } else {
        r.AltText = v;
    }
    if (!r.AltText.isEmpty())
        r.Title = r.AltText;
    else
        r.AltText = r.Title;
    return r;
}

QString TWordDoc::ChangeShapeLink(const QString &str)
{
    QString out;
    out.reserve(str.size() + str.size() / 8);
    bool previousWasAStart = false;
    ForEachTag(str, [&](QStringView text) { out += text; }, [&](const TScannedTag &t) {
        const bool isImg = !t.endTag && t.name.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0;
        if (!isImg || !t.Closed(str)) {
            out += t.Text(str);
            previousWasAStart = !t.endTag && t.name.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0;
            return;
        }
        QString trailing;
        std::vector<TTagAttr> attrs = ParseTagAttributes(str, t.lt + 1 + t.name.size(), t.gt, trailing);
        QString tag = QLatin1Char('<') + t.name;
        bool hasBorder = false, hasUsemap = false, decoded = false;
        TShapeAlt alt;
        for (TTagAttr &a : attrs) {
            if (a.name.compare(QLatin1String("border"), Qt::CaseInsensitive) == 0)
                hasBorder = true;
            if (a.name.compare(QLatin1String("usemap"), Qt::CaseInsensitive) == 0)
                hasUsemap = true;
            if (a.hasValue && a.name.compare(QLatin1String("alt"), Qt::CaseInsensitive) == 0) {
                alt = DecodeShapeAlt(a.value);
                decoded = true;
                a.value = alt.AltText;
                tag += WriteTagAttribute(a) + QStringLiteral(" title=\"") + alt.Title + QLatin1Char('"');
                continue;
            }
            tag += WriteTagAttribute(a);
        }
        // A closing "/" stays at the end of the tag.
        QString close = trailing + QLatin1Char('>');
        if (!attrs.empty() && attrs.back().name == QLatin1String("/") && !attrs.back().hasValue) {
            tag.chop(attrs.back().space.size() + 1);
            close = attrs.back().space + QLatin1Char('/') + close;
        }
        bool ok = false;
        const int map = decoded && !alt.MapNumber.isEmpty() ? alt.MapNumber.toInt(&ok) : -1;
        if (ok && map >= 0 && map < MapCodes.size() && !hasUsemap) {
            if (!hasBorder)
                tag += QStringLiteral(" border=\"0\"");
            tag += QStringLiteral(" usemap=\"#WordMap%1\"").arg(map);
            out += MapCodes[map] + tag + close;
        } else {
            if (!hasBorder)
                tag += QStringLiteral(" border=\"0\"");
            if (decoded && !alt.Link.isEmpty() && !previousWasAStart) {
                out += QStringLiteral("<a href=\"") + alt.Link + QStringLiteral("\" title=\"") + alt.Title + QLatin1Char('"');
                if (!alt.Target.isEmpty())
                    out += QStringLiteral(" target=\"") + alt.Target + QLatin1Char('"');
                out += QLatin1Char('>') + tag + close + QStringLiteral("</a>");
            } else {
                out += tag + close;
            }
        }
        previousWasAStart = false;
    });
    return out;
}

} // namespace tavrel
