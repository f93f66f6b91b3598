// The two templates a new project starts with: what they pack, the placeholders they use and
// their button images.
#include "output/Template.h"

#include <QImage>
#include <QSet>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {

const QString kTemplates = QStringLiteral(TAVREL_SOURCE_DIR "/data/templates/");

void checkTemplate(const QString &main, const QString &css, const QStringList &placeholders)
{
    QByteArray stream;
    TemplateFileToStream(kTemplates + main, stream);
    const auto entries = ReadTemplateEntries(stream);
    ASSERT_FALSE(entries.empty());
    QSet<QString> names;
    for (const auto &e : entries)
        names.insert(e.Name);
    EXPECT_EQ(entries.front().Name, main.section('/', 1));
    EXPECT_EQ(names, (QSet<QString>{main.section('/', 1), css, "btn_prev_n.png", "btn_next_n.png",
                                    "btn_prev_g.png", "btn_next_g.png"}));

    const QString page = QString::fromUtf8(entries.front().Data);
    for (const QString &p : placeholders)
        EXPECT_TRUE(page.contains(p)) << p.toStdString();
    // Bare button images, so the page engine turns them into its button placeholders.
    EXPECT_TRUE(page.contains("<img src=\"btn_prev_n.png\""));
    EXPECT_TRUE(page.contains("<img src=\"btn_next_n.png\""));
    EXPECT_TRUE(page.contains("<head>"));

    for (const auto &e : entries) {
        if (!e.Name.endsWith(".png"))
            continue;
        SCOPED_TRACE(e.Name.toStdString());
        QImage img;
        ASSERT_TRUE(img.loadFromData(e.Data, "PNG"));
        EXPECT_EQ(img.size(), QSize(28, 28));
        EXPECT_TRUE(img.hasAlphaChannel());
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0); // rounded corners
        EXPECT_GT(qAlpha(img.pixel(14, 14)), 0);
    }
}

} // namespace

TEST(DefaultTemplates, FixedTopPacksItsStyleSheetAndAllFourButtons)
{
    checkTemplate("fixedtop/fixedtop.htm", "fixedtop.css",
                  {"($title$)", "($content$)", "($navigation$)", "($projecttitle$)", "($footer$)"});
}

TEST(DefaultTemplates, StandardPacksItsStyleSheetAndAllFourButtons)
{
    checkTemplate("standard1/template.htm", "standard1.css",
                  {"($title$)", "($content$)", "($navigation$)", "($projecttitle$)", "($footer$)", "($prev$)",
                   "($next$)"});
}
