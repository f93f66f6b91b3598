#include "WebhelpSupport.h"

#include "text/functions.h"

#include <QStringList>

namespace tavrel::test {

void FillContents(TContentsItems &items, const std::vector<TWebItem> &entries)
{
    items.Clear();
    for (size_t i = 0; i < entries.size(); ++i) {
        const TWebItem &e = entries[i];
        auto it = std::make_unique<TContentsItem>();
        it->Level = e.Level;
        it->Title = e.Title;
        it->HTMLTitle = HtmlEscape(e.Title);
        it->Url = e.Url;
        it->Icon = e.Icon;
        it->Keywords = e.Keywords;
        it->Content = e.Body;
        it->Status = e.Outside ? 1 : e.Url.isEmpty() ? 2 : 0;
        it->Accessible = it->Status == 0;
        it->HasChildNode = i + 1 < entries.size() && entries[i + 1].Level > e.Level;
        items.Add(std::move(it));
    }
    items.ReindexNames();
    items.PreProcess();
}

namespace {

QString P(const QStringList &paras)
{
    QStringList out;
    for (const QString &p : paras)
        out << (p.startsWith(QLatin1Char('<')) ? p : QStringLiteral("<p>") + p + QStringLiteral("</p>"));
    return out.join(QStringLiteral("\r\n"));
}

} // namespace

void BasicSample(TProject &project, std::vector<TWebItem> &items)
{
    project.Title = QStringLiteral("Orchard Planner Help");
    project.WebHelpTilteSame = true;
    project.CopyRight = QStringLiteral("Copyright 2024 Orchard Planner team");
    project.PrevHint = QStringLiteral("Previous");
    project.NextHint = QStringLiteral("Next");
    project.WebHelpExtension = 0;
    project.ShowIndex = true;
    project.NavWidth = 270;
    project.WebBackColor = QString();
    project.WebFontColor = QStringLiteral("#DBEFF9");
    project.TOCBackColor = QStringLiteral("#FFFFFF");
    project.WebBackground = 1;
    project.RealColorIcon = false;
    project.StartFromRoot = true;
    project.AutoCollapse = false;
    project.DrawLines = true;
    project.WebHelpDictionary.Clear();
    items = {
        {1, "Welcome", "welcome.htm", 11, "Welcome\nIntroduction",
         P({"Orchard Planner helps you plan, plant and look after a small fruit orchard.",
            "Use the <b>Contents</b> tab to browse this help, the <b>Index</b> tab to look up a keyword, and the <b>Search</b> tab to find any word.",
            "New here? Start with <a href=\"install.htm\">installing the program</a>, then read about <a href=\"pears.htm\">pears</a>."})},
        {1, "Getting started", "start.htm", 1, "Getting started",
         P({"This chapter takes you from installation to your first orchard plan in a few minutes."})},
        {2, "Install", "install.htm", 11, "Install\nSetup/Windows\nSetup/Linux",
         P({"Download the installer and run it. On Linux, unpack the archive into your home folder.",
            "The program needs about 80 MB of disk space and no special rights.", "<h2>Updating</h2>",
            "Install a newer version over the old one; your plans are kept."})},
        {2, "Your first plan", "first_plan.htm", 16, "Plan/creating\nGetting started",
         P({"Choose <b>File &gt; New plan</b>, give the orchard a name and draw its outline.",
            "Drop trees onto the plan from the tree palette. Each tree shows its spacing as a circle."})},
        {1, "Fruit", "", 5, "", ""},
        {2, "Fruit basics", "fruit.htm", 11, "Apple",
         P({"Apples and pears are pome fruit; plums and cherries are stone fruit.",
            "Most fruit trees need a second variety nearby for pollination; a pear needs another pear."})},
        {2, "Pears", "pears.htm", 11, "Fruit/Pear\nApple",
         P({"Pears ripen best off the tree. Pick a pear when it parts from the spur with a gentle twist.",
            "Pear varieties: <table><tr><th>Variety</th><th>Season</th></tr><tr><td>Conference</td><td>October</td></tr><tr><td>Williams</td><td>September</td></tr></table>",
            "Store pears cool and bring them into the warm a few days before eating."})},
        {2, "Plums", "plums.htm", 11, "Fruit/Plum",
         P({"Plums flower early, so plant them where late frost does not settle.",
            "Thin the fruit in June to one plum every five centimetres."})},
        {1, "Reference", "ref.htm", 3, "Reference",
         P({"Look-up material: keyboard shortcuts and the words used in this help."})},
        {2, "Keyboard shortcuts", "keys.htm", 32, "Keyboard\nShortcuts",
         P({"<table><tr><th>Keys</th><th>Action</th></tr><tr><td><kbd>Ctrl+N</kbd></td><td>New plan</td></tr><tr><td><kbd>Ctrl+P</kbd></td><td>Print the plan</td></tr><tr><td><kbd>F1</kbd></td><td>This help</td></tr></table>"})},
        {2, "Glossary", "glossary.htm", 13, "Glossary\nSpur\nRootstock",
         P({"<b>Rootstock</b>: the lower part of a grafted tree, which decides its size.",
            "<b>Spur</b>: a short shoot that carries flower buds year after year."})},
    };
}

void TrickySample(TProject &project, std::vector<TWebItem> &items)
{
    BasicSample(project, items);
    project.Title = QString::fromUtf8("Tricky & \"quoted\" <help> \u00e9t\u00e9 ") + QString::fromUcs4(U"\U0001D11E");
    project.WebHelpExtension = 1;
    project.DrawLines = false;
    project.AutoCollapse = true;
    project.StartFromRoot = false;
    project.RealColorIcon = true;
    project.WebBackground = 0;
    project.WebBackColor = QStringLiteral("#7c2d12");
    project.WebFontColor = QStringLiteral("#fff7ed");
    project.TOCBackColor = QStringLiteral("#fffbeb");
    project.NavWidth = 320;
    project.CopyRight = QStringLiteral("Back\\slash &amp; &lt;/script&gt; copyright");
    const auto u = [](const char32_t *s) { return QString::fromUcs4(s); };
    items = {
        {1, "Tom's <b> & \"friends\"", "tom's.html", 11, "Quote's \"double\"\nSlash//Path/Sub",
         P({"Apostrophes, <quotes> &amp; ampersands.", "The word zebra appears here once."})},
        {1, "Close </script> early", "a b&c=d.html", 11, "</script>\n\"<script>\" tag\nEscapes/Back\\slash",
         P({"This title tries to end a script element.", "zebra zebra in the body."})},
        {1, "Back\\slash \\n", "sub\\back.html", 11, "Escapes/Quote'",
         P({"A page in a sub-folder, written with a backslash in its name."})},
        {1, u(U"Deep book \U0001F4D8"), "", 1, "", ""},
        {3, "Skipped a level", "skip.html", 11, "Levels", P({"This heading sits two levels below its book."})},
        {2, u(U"\u4e2d\u6587\u6807\u9898 \u2014 Unicode \U0001F600"), u(U"\u4e2d\u6587.html"), 11,
         u(U"\u4e2d\u6587\nUnicode/\U0001F600 emoji"),
         P({u(U"\u8fd9\u662f\u4e00\u4e2a\u6d4b\u8bd5\u9875\u9762\uff0c\u7528\u6765\u68c0\u67e5\u641c\u7d22\u3002"),
            u(U"Caf\u00e9 cr\u00e8me and na\u00efve r\u00e9sum\u00e9.")})},
        {1, "Outside address", "https://example.invalid/help", 34, "", "", true},
        {1, "Last = end", "last.html", 11, "End", P({"The last page."})},
    };
}

} // namespace tavrel::test
