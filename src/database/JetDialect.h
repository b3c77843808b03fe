// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The SQL dialect the rest of the program writes, and its translation into SQL that the
// database library runs. The program's dialect has #m/d/yyyy# date literals, & to join
// texts, [bracketed] names (a bare column named Order), column types with declared
// widths that are enforced, ALTER COLUMN, DROP COLUMN with several names, and LIKE
// patterns with [...] character classes. Nothing here talks to the database itself.
namespace JetDialect {

// Name of the SQL function that a & join becomes: it joins its arguments as text,
// treating NULL as empty text, and is NULL only when every argument is NULL.
inline constexpr char JoinFunction[] = "addrion_join";

enum class Kind
{
    Plain,       // one statement the library runs as it is
    AlterColumn, // ALTER TABLE t ALTER COLUMN c <type>: the table is rebuilt
    DropColumns, // ALTER TABLE t DROP COLUMN a, b: one drop per column
};

struct Statement
{
    Kind kind = Kind::Plain;
    QString sql;         // Plain: the text to run
    QString table;       // AlterColumn, DropColumns: the table name, without brackets or quotes
    QStringList columns; // AlterColumn: the changed column; DropColumns: the dropped ones, in order
    QString definition;  // AlterColumn: the column's new definition (name, type, constraints)
    QStringList steps;   // DropColumns: one statement per dropped column, in order
};

// Translates one statement. Text between apostrophes, double quotes and brackets is
// never changed. On failure (an impossible date such as #2/30/2020#, an unterminated
// literal or name, a & without operand) the result is empty and *error describes it.
std::optional<Statement> Translate(const QString& sql, QString* error = nullptr);

// A statement with its literal values taken out: the same text with ? where each was, and
// the values in order, as the statement would have used them (a date as its ISO text).
// Statements of one shape are translated and prepared once and run with their values.
struct Literal
{
    bool integer = false;
    qint64 number = 0; // integer
    QString text;      // otherwise
};
struct Parameterized
{
    QString shape;
    std::vector<Literal> values;
};
// Only rows are read or written this way (SELECT, INSERT, UPDATE, DELETE): numbers after
// ORDER BY, GROUP BY, LIMIT and OFFSET stay, as they name columns or counts. Empty for any
// other statement, one with comments or parameters of its own, or a literal in error
// (Translate then reports it).
std::optional<Parameterized> Parameterize(const QString& sql);

// The constraints appended to a column of the given declared type so that it behaves
// as declared: case-insensitive collation for text, a length check for CHAR(n), a
// range check for the integer types and a valid calendar date for DATE. The column
// name is used as written (with its brackets). Empty for types without any.
QString ColumnConstraints(const QString& columnName, const QString& declaredType);

// The CREATE TABLE text of a table rebuilt under the name newTable, with the definition
// of one column replaced by a new one; every other column and table constraint is kept.
std::optional<QString> RebuildTableSql(const QString& createSql, const QString& newTable, const QString& column,
                                       const QString& definition, QString* error = nullptr);

// A name without its brackets or double quotes.
QString Unquote(const QString& name);

// Reads year, month and day from the start of ISO date text ("yyyy-mm-dd", optionally
// followed by a time). False when the text does not start with a valid date.
bool ParseIsoDate(std::string_view text, int* year, int* month, int* day);

// A compiled LIKE pattern: % any run of characters, _ exactly one, [abc] and [a-z]
// one of a class, [!abc] one not in it, [] nothing at all; every other character stands
// for itself. Comparison ignores case (Unicode simple case folding) but not accents.
class LikePattern
{
public:
    // An optional escape character makes the character after it literal. Fails (empty
    // result, *error set) on a [ without closing ] or a range whose ends are reversed.
    static std::optional<LikePattern> Compile(std::string_view utf8Pattern, char32_t escape = 0,
                                              QString* error = nullptr);
    bool Matches(std::string_view utf8Text) const;
    // The same match on text already folded with AppendFolded: a list that is searched
    // again and again folds its texts once.
    bool MatchesFolded(std::u32string_view foldedText) const;
    char32_t Escape() const { return m_escape; }
    // Appends the code points of text, case-folded as Matches folds them.
    static void AppendFolded(QStringView text, std::u32string& folded);

private:
    struct Token
    {
        enum Type : std::uint8_t
        {
            Char,
            One,
            Any,
            Class,
            NotClass
        };
        Type type;
        char32_t ch;         // Char: the folded character
        std::uint32_t first; // Class, NotClass: first range in m_ranges
        std::uint32_t count; // Class, NotClass: number of ranges
        // Class, NotClass: which ASCII characters fall into the ranges, as names are
        // mostly ASCII and a class of accented letters has many ranges.
        std::uint64_t ascii[2];
    };
    struct Range
    {
        char32_t low;
        char32_t high;
    };

    void markAscii(Token& token) const;
    bool matchesOne(const Token& token, char32_t c) const;
    // "%...%" with up to 64 single-character tokens between: the search for a word
    // anywhere in a text, run bit-parallel over the text in one pass.
    void prepareContains();
    bool containsMatch(std::u32string_view text) const;

    std::vector<Token> m_tokens;
    std::vector<Range> m_ranges;
    char32_t m_escape = 0;
    bool m_contains = false;
    // Per character below MaskedCharacters (Latin, Greek, Cyrillic, Hebrew, Arabic): the
    // inner tokens it matches.
    static constexpr char32_t MaskedCharacters = 0x800;
    std::vector<std::uint64_t> m_masks;
};

} // namespace JetDialect
