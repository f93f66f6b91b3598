#pragma once
// List definitions (abstract numberings, their instances and level overrides) and the counter
// that computes the number or bullet Word shows in front of each list paragraph.
#include "word/engine/Props.h"

#include <QHash>
#include <QString>
#include <array>
#include <map>
#include <optional>

namespace tavrel::engine {

struct TNumLevel
{
    bool Defined = false;
    int Start = 1;
    QString Format = QStringLiteral("decimal"); // decimal, lowerLetter, upperRoman, bullet, none, ...
    QString Text;                               // "%1.%2." or the bullet character
    int Restart = -1;   // -1: after any higher level; 0: never; n: after level n (1-based)
    bool Legal = false; // every level number in decimal
    QString Suffix = QStringLiteral("tab"); // tab, space, nothing
    QString Align = QStringLiteral("left");
    TParaProps PPr;
    TRunProps RPr;
    QString PictureBullet; // the picture bullet's id when the bullet is a picture
};

struct TAbstractNum
{
    int Id = 0;
    std::array<TNumLevel, 9> Levels;
    QString NumStyleLink, StyleLink;
};

struct TNumOverride
{
    std::optional<int> Start;
    std::optional<TNumLevel> Level;
};

struct TNum
{
    int Id = 0;
    int AbstractId = -1;
    std::array<TNumOverride, 9> Overrides;
};

class TNumbering
{
public:
    std::map<int, TAbstractNum> Abstracts;
    std::map<int, TNum> Nums;

    // The abstract numbering a list instance uses, following numStyleLink indirections through
    // the styles' numbering; -1 when there is none.
    int AbstractOf(int numId, const class TStyleSheet *styles = nullptr) const;
    // The level definition with the instance's overrides applied; nullptr when undefined.
    const TNumLevel *Level(int numId, int level, const class TStyleSheet *styles = nullptr) const;

private:
    mutable std::map<std::pair<int, int>, TNumLevel> m_resolved;
};

// Counts list paragraphs in document order and gives the label Word shows for each.
class TListCounter
{
public:
    TListCounter(const TNumbering &numbering, const TStyleSheet *styles) : m_numbering(numbering), m_styles(styles) {}
    // The label of the next paragraph of list numId at level (0-8); empty for "none" formats
    // and for undefined lists. level is clamped to 0-8.
    QString Next(int numId, int level);

private:
    const TNumbering &m_numbering;
    const TStyleSheet *m_styles;
    struct State
    {
        std::array<int, 9> Counters{};
        std::array<bool, 9> Used{};
    };
    std::map<int, State> m_states;                 // by abstract numbering
    std::map<std::pair<int, int>, bool> m_overrideApplied; // (numId, level)
};

// One number in one of Word's number formats ("upperRoman" 4 -> "IV"); unknown formats give
// decimal.
QString FormatListNumber(int n, const QString &format);
bool IsKnownNumberFormat(const QString &format);

} // namespace tavrel::engine
