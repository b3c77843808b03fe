// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "JetDialect.h"

#include <array>

#include <QDate>
#include <QRegularExpression>
#include <QVarLengthArray>

#include <algorithm>

namespace JetDialect {

namespace {

// ---------------------------------------------------------------------------------------
// Tokens of a statement. Every character of the text belongs to exactly one token, so the
// text is rebuilt by joining the tokens' (possibly replaced) texts.

enum class TokenType
{
    Space,
    Comment,
    String,  // '...'
    DQuoted, // "..."
    Bracket, // [...]
    Date,    // #...#
    Word,
    Number,
    Punct,
};

struct Token
{
    TokenType type;
    QString text;
};

bool IsWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// The end of a literal that starts at begin and is closed by the same character, where a
// doubled closing character stands for itself; -1 when it is never closed.
int LiteralEnd(const QString& s, int begin, QChar close)
{
    for (int i = begin + 1; i < s.size(); ++i) {
        if (s.at(i) != close)
            continue;
        if (i + 1 < s.size() && s.at(i + 1) == close && close != QLatin1Char(']')) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

bool Tokenize(const QString& s, std::vector<Token>& tokens, QString* error)
{
    tokens.clear();
    int i = 0;
    const int n = s.size();
    auto push = [&](TokenType type, int end) {
        tokens.push_back({type, s.mid(i, end - i)});
        i = end;
    };
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            int end = i;
            while (end < n && s.at(end).isSpace())
                ++end;
            push(TokenType::Space, end);
        } else if (c == QLatin1Char('-') && i + 1 < n && s.at(i + 1) == QLatin1Char('-')) {
            int end = s.indexOf(QLatin1Char('\n'), i);
            push(TokenType::Comment, end < 0 ? n : end);
        } else if (c == QLatin1Char('/') && i + 1 < n && s.at(i + 1) == QLatin1Char('*')) {
            const int close = s.indexOf(QStringLiteral("*/"), i + 2);
            push(TokenType::Comment, close < 0 ? n : close + 2);
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[') || c == QLatin1Char('#')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            const int end = c == QLatin1Char('#') ? s.indexOf(QLatin1Char('#'), i + 1) + 1 : LiteralEnd(s, i, close);
            if (end <= 0) {
                if (error) {
                    if (c == QLatin1Char('#'))
                        *error = QStringLiteral("Invalid date literal: the closing # is missing in %1").arg(s.mid(i));
                    else if (c == QLatin1Char('['))
                        *error = QStringLiteral("The name %1 has no closing bracket").arg(s.mid(i));
                    else
                        *error = QStringLiteral("The text %1 has no closing %2").arg(s.mid(i), c);
                }
                return false;
            }
            const TokenType type = c == QLatin1Char('\'')  ? TokenType::String
                                   : c == QLatin1Char('"') ? TokenType::DQuoted
                                   : c == QLatin1Char('[') ? TokenType::Bracket
                                                           : TokenType::Date;
            push(type, end);
        } else if (IsWordStart(c)) {
            int end = i + 1;
            while (end < n && IsWordChar(s.at(end)))
                ++end;
            push(TokenType::Word, end);
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s.at(i + 1).isDigit())) {
            int end = i + 1;
            while (end < n && (s.at(end).isLetterOrNumber() || s.at(end) == QLatin1Char('.')))
                ++end;
            push(TokenType::Number, end);
        } else {
            static const char* const twoCharacterOperators[] = {"<>", "<=", ">=", "!=", "==", "||", "<<", ">>"};
            int end = i + 1;
            const QStringView pair = QStringView(s).mid(i, 2);
            for (const char* op : twoCharacterOperators)
                if (pair == QLatin1String(op))
                    end = i + 2;
            push(TokenType::Punct, end);
        }
    }
    return true;
}

// The text of the tokens first..last; empty when last is before first.
QString Join(const std::vector<Token>& tokens, int first, int last)
{
    QString text;
    for (int i = std::max(first, 0); i <= last && i < static_cast<int>(tokens.size()); ++i)
        text += tokens[i].text;
    return text;
}

QString Join(const std::vector<Token>& tokens)
{
    return Join(tokens, 0, static_cast<int>(tokens.size()) - 1);
}

bool IsWord(const Token& token, const char* word)
{
    return token.type == TokenType::Word && token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool IsPunct(const Token& token, const char* text)
{
    return token.type == TokenType::Punct && token.text == QLatin1String(text);
}

bool IsBlank(const Token& token)
{
    return token.type == TokenType::Space || token.type == TokenType::Comment;
}

int NextSignificant(const std::vector<Token>& tokens, int from)
{
    while (from < static_cast<int>(tokens.size()) && IsBlank(tokens[from]))
        ++from;
    return from;
}

// The partner of every bracket "(" and ")", -1 for unbalanced ones.
std::vector<int> MatchParentheses(const std::vector<Token>& tokens, std::vector<int>* depth = nullptr)
{
    std::vector<int> match(tokens.size(), -1);
    std::vector<int> open;
    if (depth)
        depth->assign(tokens.size(), 0);
    for (int i = 0; i < static_cast<int>(tokens.size()); ++i) {
        if (IsPunct(tokens[i], "(")) {
            if (depth)
                (*depth)[i] = static_cast<int>(open.size());
            open.push_back(i);
        } else if (IsPunct(tokens[i], ")") && !open.empty()) {
            match[i] = open.back();
            match[open.back()] = i;
            open.pop_back();
            if (depth)
                (*depth)[i] = static_cast<int>(open.size());
        } else if (depth) {
            (*depth)[i] = static_cast<int>(open.size());
        }
    }
    return match;
}

// ---------------------------------------------------------------------------------------
// Date literals.

// The number of between fewest and most ASCII digits at the position, which moves past them.
std::optional<int> DigitsAt(QStringView text, qsizetype& position, int fewest, int most)
{
    int value = 0;
    int count = 0;
    while (position < text.size() && count < most && text[position] >= QLatin1Char('0') &&
           text[position] <= QLatin1Char('9')) {
        value = value * 10 + (text[position].unicode() - '0');
        ++position;
        ++count;
    }
    if (count < fewest)
        return std::nullopt;
    return value;
}

bool IsAsciiBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\v') ||
           c == QLatin1Char('\f') || c == QLatin1Char('\r');
}

// Three numbers of the given widths between the separators, with nothing else but blanks
// around them. Every statement that writes a date has one, so this is no regular expression.
std::optional<std::array<int, 3>> DateParts(QStringView text, QChar separator, const std::array<int, 3>& fewest,
                                            const std::array<int, 3>& most)
{
    qsizetype position = 0;
    while (position < text.size() && IsAsciiBlank(text[position]))
        ++position;
    std::array<int, 3> parts{};
    for (int part = 0; part < 3; ++part) {
        if (part > 0) {
            if (position >= text.size() || text[position] != separator)
                return std::nullopt;
            ++position;
        }
        const std::optional<int> value = DigitsAt(text, position, fewest[part], most[part]);
        if (!value)
            return std::nullopt;
        parts[part] = *value;
    }
    while (position < text.size() && IsAsciiBlank(text[position]))
        ++position;
    if (position != text.size())
        return std::nullopt;
    return parts;
}

std::optional<QString> DateLiteral(const QString& literal, QString* error)
{
    // m/d/yyyy, and the unambiguous yyyy-m-d.
    const QStringView inner = QStringView(literal).mid(1, literal.size() - 2);
    int year = 0, month = 0, day = 0;
    if (const auto american = DateParts(inner, QLatin1Char('/'), {1, 1, 4}, {2, 2, 4})) {
        month = (*american)[0];
        day = (*american)[1];
        year = (*american)[2];
    } else if (const auto iso = DateParts(inner, QLatin1Char('-'), {4, 1, 1}, {4, 2, 2})) {
        year = (*iso)[0];
        month = (*iso)[1];
        day = (*iso)[2];
    }
    if (!QDate::isValid(year, month, day) || year < 100) {
        if (error)
            *error = QStringLiteral("Invalid date literal %1").arg(literal);
        return std::nullopt;
    }
    return QString::asprintf("'%04d-%02d-%02d'", year, month, day);
}

// ---------------------------------------------------------------------------------------
// & joins. An operand reaches as far as the text does without meeting an operator that
// binds more loosely than & (comparison, AND, OR, NOT, a clause keyword) or a comma or
// bracket that belongs to the enclosing expression.

bool EndsOperand(const Token& token)
{
    static const char* const stops[] = {"(", ")", ",", ";", "=", "<", ">", "<>", "<=", ">=", "!=", "==", "&"};
    static const char* const keywords[] = {
        "SELECT", "FROM",  "WHERE",  "AND",    "OR",     "NOT",    "SET",    "LIKE",     "BETWEEN", "IS",   "IN",
        "ON",     "BY",    "AS",     "VALUES", "HAVING", "GROUP",  "ORDER",  "DISTINCT", "CASE",    "WHEN", "THEN",
        "ELSE",   "END",   "EXISTS", "UNION",  "ALL",    "ESCAPE", "ASC",    "DESC",     "INTO",    "JOIN", "INNER",
        "LEFT",   "RIGHT", "OUTER",  "LIMIT",  "TOP",    "UPDATE", "INSERT", "DELETE"};
    if (token.type == TokenType::Punct)
        return std::any_of(std::begin(stops), std::end(stops), [&](const char* s) { return IsPunct(token, s); });
    if (token.type == TokenType::Word)
        return std::any_of(std::begin(keywords), std::end(keywords), [&](const char* k) { return IsWord(token, k); });
    return false;
}

// First token of the operand that ends just before index; -1 when there is none.
int OperandStart(const std::vector<Token>& tokens, const std::vector<int>& match, int index)
{
    int first = -1;
    for (int j = index - 1; j >= 0; --j) {
        if (IsBlank(tokens[j]))
            continue;
        if (IsPunct(tokens[j], ")") && match[j] >= 0) {
            first = match[j];
            j = match[j];
            continue;
        }
        if (EndsOperand(tokens[j]))
            break;
        first = j;
    }
    return first;
}

// First and last token of the operand that starts just after index; first is -1 when
// there is none.
std::pair<int, int> OperandAfter(const std::vector<Token>& tokens, const std::vector<int>& match, int index)
{
    int first = -1, last = -1;
    for (int j = index + 1; j < static_cast<int>(tokens.size()); ++j) {
        if (IsBlank(tokens[j]))
            continue;
        if (IsPunct(tokens[j], "(") && match[j] >= 0) {
            if (first < 0)
                first = j;
            last = match[j];
            j = match[j];
            continue;
        }
        if (EndsOperand(tokens[j]))
            break;
        if (first < 0)
            first = j;
        last = j;
    }
    return {first, last};
}

bool RewriteJoins(QString& text, QString* error)
{
    std::vector<Token> tokens;
    for (;;) {
        if (!Tokenize(text, tokens, error))
            return false;
        std::vector<int> depth;
        const std::vector<int> match = MatchParentheses(tokens, &depth);
        // The innermost join first: its operands then hold no further join.
        int pick = -1;
        for (int i = 0; i < static_cast<int>(tokens.size()); ++i)
            if (IsPunct(tokens[i], "&") && (pick < 0 || depth[i] > depth[pick]))
                pick = i;
        if (pick < 0)
            return true;

        const int start = OperandStart(tokens, match, pick);
        if (start < 0) {
            if (error)
                *error = QStringLiteral("Syntax error: & without a text before it");
            return false;
        }
        QStringList operands{Join(tokens, start, pick - 1).trimmed()};
        int amp = pick;
        int end = pick;
        for (;;) {
            const auto [first, last] = OperandAfter(tokens, match, amp);
            if (first < 0) {
                if (error)
                    *error = QStringLiteral("Syntax error: & without a text after it");
                return false;
            }
            operands << Join(tokens, first, last).trimmed();
            end = last;
            const int next = NextSignificant(tokens, last + 1);
            if (next < static_cast<int>(tokens.size()) && IsPunct(tokens[next], "&")) {
                amp = next;
                continue;
            }
            break;
        }
        text = Join(tokens, 0, start - 1) + QLatin1String(JoinFunction) + QLatin1Char('(') +
               operands.join(QStringLiteral(", ")) + QLatin1Char(')') +
               Join(tokens, end + 1, static_cast<int>(tokens.size()) - 1);
    }
}

// ---------------------------------------------------------------------------------------
// Column definitions.

struct DeclaredType
{
    QString name; // upper case
    int size = -1;
};

DeclaredType ParseType(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*(?:\\(\\s*(\\d+)\\s*(?:,\\s*\\d+\\s*)?\\))?"));
    const QRegularExpressionMatch m = pattern.match(text);
    DeclaredType type;
    if (!m.hasMatch())
        return type;
    type.name = m.captured(1).toUpper();
    if (!m.captured(2).isEmpty())
        type.size = m.captured(2).toInt();
    return type;
}

QString Constraints(const QString& column, const DeclaredType& type, bool collate)
{
    static const QStringList fixedText{QStringLiteral("CHAR"),      QStringLiteral("VARCHAR"),
                                       QStringLiteral("CHARACTER"), QStringLiteral("NCHAR"),
                                       QStringLiteral("NVARCHAR"),  QStringLiteral("ALPHANUMERIC")};
    static const QStringList longText{QStringLiteral("MEMO"), QStringLiteral("LONGTEXT"), QStringLiteral("LONGCHAR"),
                                      QStringLiteral("NOTE"), QStringLiteral("NTEXT")};
    const QString nocase = collate ? QStringLiteral(" COLLATE NOCASE") : QString();
    auto range = [&](const char* low, const char* high) {
        return QStringLiteral(" CHECK(%1 BETWEEN %2 AND %3)").arg(column, QLatin1String(low), QLatin1String(high));
    };
    if (fixedText.contains(type.name) || (type.name == QLatin1String("TEXT") && type.size >= 0)) {
        const int width = type.size >= 0 ? type.size : 255;
        return nocase + QStringLiteral(" CHECK(length(%1) <= %2)").arg(column).arg(width);
    }
    if (longText.contains(type.name) || type.name == QLatin1String("TEXT"))
        return nocase;
    if (type.name == QLatin1String("SMALLINT") || type.name == QLatin1String("SHORT") ||
        type.name == QLatin1String("INTEGER2"))
        return range("-32768", "32767");
    if (type.name == QLatin1String("TINYINT") || type.name == QLatin1String("BYTE") ||
        type.name == QLatin1String("INTEGER1"))
        return range("0", "255");
    if (type.name == QLatin1String("INTEGER") || type.name == QLatin1String("INT") ||
        type.name == QLatin1String("LONG") || type.name == QLatin1String("INTEGER4"))
        return range("-2147483648", "2147483647");
    if (type.name == QLatin1String("DATE"))
        return QStringLiteral(" CHECK(%1 IS NULL OR %1 IS date(%1))").arg(column);
    return QString();
}

bool StartsTableConstraint(const Token& token)
{
    return IsWord(token, "CONSTRAINT") || IsWord(token, "PRIMARY") || IsWord(token, "FOREIGN") ||
           IsWord(token, "UNIQUE") || IsWord(token, "CHECK");
}

// Appends the constraints of its declared type to the column definition held by the
// tokens first..last (name first), at its last significant token.
void AddColumnConstraints(std::vector<Token>& tokens, int first, int last)
{
    int end = last;
    while (end > first && (IsBlank(tokens[end]) || IsPunct(tokens[end], ";")))
        --end;
    const int typeStart = NextSignificant(tokens, first + 1);
    if (typeStart > end)
        return;
    bool collate = true;
    for (int i = first; i <= end; ++i)
        if (IsWord(tokens[i], "COLLATE"))
            collate = false;
    const DeclaredType type = ParseType(Join(tokens, typeStart, end));
    tokens[end].text += Constraints(tokens[first].text, type, collate);
}

// The items (columns and table constraints) between the brackets of a CREATE TABLE,
// as token index ranges.
struct TableBody
{
    int nameToken = -1;
    int open = -1;
    int close = -1;
    std::vector<std::pair<int, int>> items;
};

std::optional<TableBody> ParseCreateTable(const std::vector<Token>& tokens)
{
    TableBody body;
    int i = NextSignificant(tokens, 0);
    if (i >= static_cast<int>(tokens.size()) || !IsWord(tokens[i], "CREATE"))
        return std::nullopt;
    i = NextSignificant(tokens, i + 1);
    if (i < static_cast<int>(tokens.size()) && (IsWord(tokens[i], "TEMP") || IsWord(tokens[i], "TEMPORARY")))
        i = NextSignificant(tokens, i + 1);
    if (i >= static_cast<int>(tokens.size()) || !IsWord(tokens[i], "TABLE"))
        return std::nullopt;
    i = NextSignificant(tokens, i + 1);
    if (i < static_cast<int>(tokens.size()) && IsWord(tokens[i], "IF")) {
        for (int skip = 0; skip < 3; ++skip)
            i = NextSignificant(tokens, i + 1);
    }
    if (i >= static_cast<int>(tokens.size()))
        return std::nullopt;
    body.nameToken = i;
    body.open = NextSignificant(tokens, i + 1);
    if (body.open >= static_cast<int>(tokens.size()) || !IsPunct(tokens[body.open], "("))
        return std::nullopt;
    const std::vector<int> match = MatchParentheses(tokens);
    body.close = match[body.open];
    if (body.close < 0)
        return std::nullopt;
    int itemStart = body.open + 1;
    for (int j = body.open + 1; j <= body.close; ++j) {
        if (IsPunct(tokens[j], "(") && match[j] > 0) {
            j = match[j];
            continue;
        }
        if (j == body.close || IsPunct(tokens[j], ",")) {
            const int first = NextSignificant(tokens, itemStart);
            if (first < j)
                body.items.emplace_back(first, j - 1);
            itemStart = j + 1;
        }
    }
    return body;
}

QString QuoteName(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// ---------------------------------------------------------------------------------------
// ALTER TABLE.

enum class AlterResult
{
    Plain,   // run as it is (possibly with constraints added to an added column)
    Special, // ALTER COLUMN or DROP COLUMN, described by the statement
    Failed,  // malformed; the error is set
};

AlterResult ClassifyAlter(std::vector<Token>& tokens, Statement& statement, QString* error)
{
    std::vector<int> sig;
    for (int i = 0; i < static_cast<int>(tokens.size()); ++i)
        if (!IsBlank(tokens[i]))
            sig.push_back(i);
    while (!sig.empty() && IsPunct(tokens[sig.back()], ";"))
        sig.pop_back();
    if (sig.size() < 5 || !IsWord(tokens[sig[0]], "ALTER") || !IsWord(tokens[sig[1]], "TABLE"))
        return AlterResult::Plain;
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return AlterResult::Failed;
    };
    const Token& table = tokens[sig[2]];
    const Token& action = tokens[sig[3]];
    std::size_t next = 4;
    const bool columnWord = IsWord(tokens[sig[next]], "COLUMN");

    if (IsWord(action, "ADD")) {
        if (StartsTableConstraint(tokens[sig[next]]))
            return AlterResult::Plain;
        if (columnWord)
            ++next;
        if (next < sig.size())
            AddColumnConstraints(tokens, sig[next], sig.back());
        return AlterResult::Plain;
    }

    if (IsWord(action, "ALTER")) {
        if (columnWord)
            ++next;
        if (next + 1 >= sig.size())
            return fail(QStringLiteral("Syntax error in ALTER COLUMN: the new type is missing"));
        std::vector<Token> definition(tokens.begin() + sig[next], tokens.begin() + sig.back() + 1);
        AddColumnConstraints(definition, 0, static_cast<int>(definition.size()) - 1);
        statement.kind = Kind::AlterColumn;
        statement.table = Unquote(table.text);
        statement.columns = QStringList{Unquote(tokens[sig[next]].text)};
        statement.definition = Join(definition).trimmed();
        return AlterResult::Special;
    }

    if (IsWord(action, "DROP")) {
        if (IsWord(tokens[sig[next]], "CONSTRAINT"))
            return AlterResult::Plain;
        if (columnWord)
            ++next;
        statement.kind = Kind::DropColumns;
        statement.table = Unquote(table.text);
        bool expectName = true;
        for (std::size_t k = next; k < sig.size(); ++k) {
            const Token& token = tokens[sig[k]];
            const bool isName =
                token.type == TokenType::Word || token.type == TokenType::Bracket || token.type == TokenType::DQuoted;
            if (expectName && isName) {
                statement.columns << Unquote(token.text);
                statement.steps << QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(table.text, token.text);
                expectName = false;
            } else if (!expectName && IsPunct(token, ",")) {
                expectName = true;
            } else {
                return fail(QStringLiteral("Syntax error in DROP COLUMN near %1").arg(token.text));
            }
        }
        if (expectName)
            return fail(QStringLiteral("Syntax error in DROP COLUMN: a column name is missing"));
        return AlterResult::Special;
    }
    return AlterResult::Plain;
}

// ---------------------------------------------------------------------------------------
// UTF-8 and case folding for LIKE.

char32_t DecodeUtf8(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char lead = *p++;
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t c = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if (p >= end || (*p & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (*p++ & 0x3F);
    }
    return c;
}

inline char32_t Fold(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

} // namespace

// -------------------------------------------------------------------------------------------

std::optional<Statement> Translate(const QString& sql, QString* error)
{
    std::vector<Token> tokens;
    if (!Tokenize(sql, tokens, error))
        return std::nullopt;

    // Date literals and the bare column name Order.
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        Token& token = tokens[i];
        if (token.type == TokenType::Date) {
            const std::optional<QString> iso = DateLiteral(token.text, error);
            if (!iso)
                return std::nullopt;
            token.text = *iso;
        } else if (IsWord(token, "ORDER")) {
            const int next = NextSignificant(tokens, static_cast<int>(i) + 1);
            if (next >= static_cast<int>(tokens.size()) || !IsWord(tokens[next], "BY"))
                token.text = QLatin1Char('[') + token.text + QLatin1Char(']');
        }
    }
    QString text = Join(tokens);

    if (!RewriteJoins(text, error))
        return std::nullopt;
    if (!Tokenize(text, tokens, error))
        return std::nullopt;

    if (const std::optional<TableBody> body = ParseCreateTable(tokens)) {
        for (const auto& [first, last] : body->items)
            if (!StartsTableConstraint(tokens[first]))
                AddColumnConstraints(tokens, first, last);
        return Statement{Kind::Plain, Join(tokens), {}, {}, {}, {}};
    }
    Statement statement;
    switch (ClassifyAlter(tokens, statement, error)) {
    case AlterResult::Special:
        return statement;
    case AlterResult::Failed:
        return std::nullopt;
    case AlterResult::Plain:
        break;
    }
    statement.kind = Kind::Plain;
    statement.sql = Join(tokens);
    return statement;
}

std::optional<Parameterized> Parameterize(const QString& sql)
{
    Parameterized result;
    result.shape.reserve(sql.size());
    const QStringView text(sql);
    // The text since the last value taken out goes into the shape as it is, in one piece.
    qsizetype kept = 0;
    const auto takeOut = [&](qsizetype begin, qsizetype end, Literal value) {
        result.shape += text.mid(kept, begin - kept);
        result.shape += QLatin1Char('?');
        result.values.push_back(std::move(value));
        kept = end;
    };
    const auto is = [](QStringView word, QLatin1String name) {
        return word.size() == name.size() && word.compare(name, Qt::CaseInsensitive) == 0;
    };
    bool numbersStay = false;
    QStringView previousWord;
    bool first = true;
    const int n = static_cast<int>(sql.size());
    for (int i = 0; i < n;) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('#')) {
            const int end = c == QLatin1Char('#') ? static_cast<int>(sql.indexOf(QLatin1Char('#'), i + 1)) + 1
                                                  : LiteralEnd(sql, i, c);
            if (end <= 0 || first)
                return std::nullopt;
            Literal value;
            if (c == QLatin1Char('#')) {
                const std::optional<QString> iso = DateLiteral(sql.mid(i, end - i), nullptr);
                if (!iso)
                    return std::nullopt;
                value.text = iso->mid(1, iso->size() - 2);
            } else {
                value.text = sql.mid(i + 1, end - i - 2);
                if (value.text.contains(QLatin1Char('\'')))
                    value.text.replace(QStringLiteral("''"), QStringLiteral("'"));
            }
            takeOut(i, end, std::move(value));
            i = end;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const int end = LiteralEnd(sql, i, c == QLatin1Char('[') ? QLatin1Char(']') : c);
            if (end <= 0)
                return std::nullopt;
            i = end;
        } else if (IsWordStart(c)) {
            int end = i + 1;
            while (end < n && IsWordChar(sql.at(end)))
                ++end;
            const QStringView word = text.mid(i, end - i);
            if (first) {
                if (!is(word, QLatin1String("SELECT")) && !is(word, QLatin1String("INSERT")) &&
                    !is(word, QLatin1String("UPDATE")) && !is(word, QLatin1String("DELETE")))
                    return std::nullopt;
                first = false;
            }
            if ((is(word, QLatin1String("BY")) &&
                 (is(previousWord, QLatin1String("ORDER")) || is(previousWord, QLatin1String("GROUP")))) ||
                is(word, QLatin1String("LIMIT")) || is(word, QLatin1String("OFFSET")))
                numbersStay = true;
            previousWord = word;
            i = end;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && sql.at(i + 1).isDigit())) {
            int end = i + 1;
            while (end < n && (sql.at(end).isLetterOrNumber() || sql.at(end) == QLatin1Char('.')))
                ++end;
            const QStringView number = text.mid(i, end - i);
            Literal value;
            value.integer = true;
            bool whole = false;
            value.number = number.toLongLong(&whole);
            if (whole && !numbersStay && !first &&
                std::all_of(number.begin(), number.end(), [](QChar d) { return d.isDigit(); }))
                takeOut(i, end, std::move(value));
            i = end;
        } else if (c == QLatin1Char('?') || c == QLatin1Char(':') || c == QLatin1Char('@') || c == QLatin1Char('$') ||
                   (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) ||
                   (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*'))) {
            return std::nullopt;
        } else {
            ++i;
        }
    }
    if (first)
        return std::nullopt;
    result.shape += text.mid(kept);
    return result;
}

QString ColumnConstraints(const QString& columnName, const QString& declaredType)
{
    return Constraints(columnName, ParseType(declaredType), true);
}

std::optional<QString> RebuildTableSql(const QString& createSql, const QString& newTable, const QString& column,
                                       const QString& definition, QString* error)
{
    std::vector<Token> tokens;
    if (!Tokenize(createSql, tokens, error))
        return std::nullopt;
    const std::optional<TableBody> body = ParseCreateTable(tokens);
    if (!body) {
        if (error)
            *error = QStringLiteral("The table definition cannot be read: %1").arg(createSql);
        return std::nullopt;
    }
    bool found = false;
    for (const auto& [first, last] : body->items) {
        if (StartsTableConstraint(tokens[first]) ||
            Unquote(tokens[first].text).compare(column, Qt::CaseInsensitive) != 0)
            continue;
        tokens[first].text = definition;
        for (int i = first + 1; i <= last; ++i)
            tokens[i].text.clear();
        found = true;
        break;
    }
    if (!found) {
        if (error)
            *error = QStringLiteral("The table has no column named %1").arg(column);
        return std::nullopt;
    }
    tokens[body->nameToken].text = QuoteName(newTable);
    return Join(tokens);
}

QString Unquote(const QString& name)
{
    if (name.size() >= 2) {
        const QChar first = name.front();
        const QChar last = name.back();
        if (first == QLatin1Char('[') && last == QLatin1Char(']'))
            return name.mid(1, name.size() - 2);
        if ((first == QLatin1Char('"') && last == QLatin1Char('"')) ||
            (first == QLatin1Char('`') && last == QLatin1Char('`'))) {
            QString inner = name.mid(1, name.size() - 2);
            return inner.replace(QString(2, first), QString(first));
        }
    }
    return name;
}

bool ParseIsoDate(std::string_view text, int* year, int* month, int* day)
{
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return false;
    if (text.size() > 10 && text[10] != ' ' && text[10] != 'T')
        return false;
    auto digits = [&](std::size_t from, std::size_t count, int* value) {
        *value = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            *value = *value * 10 + (text[i] - '0');
        }
        return true;
    };
    return digits(0, 4, year) && digits(5, 2, month) && digits(8, 2, day) && QDate::isValid(*year, *month, *day);
}

// -------------------------------------------------------------------------------------------

std::optional<LikePattern> LikePattern::Compile(std::string_view utf8Pattern, char32_t escape, QString* error)
{
    std::vector<char32_t> chars;
    {
        auto p = reinterpret_cast<const unsigned char*>(utf8Pattern.data());
        const auto end = p + utf8Pattern.size();
        while (p < end)
            chars.push_back(DecodeUtf8(p, end));
    }
    LikePattern pattern;
    pattern.m_escape = escape;
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    const std::size_t n = chars.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = chars[i];
        if (escape != 0 && c == escape) {
            if (i + 1 >= n)
                return fail(QStringLiteral("Invalid pattern: it ends with its escape character"));
            pattern.m_tokens.push_back({Token::Char, Fold(chars[++i]), 0, 0, {}});
        } else if (c == U'%') {
            if (pattern.m_tokens.empty() || pattern.m_tokens.back().type != Token::Any)
                pattern.m_tokens.push_back({Token::Any, 0, 0, 0, {}});
        } else if (c == U'_') {
            pattern.m_tokens.push_back({Token::One, 0, 0, 0, {}});
        } else if (c == U'[') {
            std::size_t j = i + 1;
            const bool negated = j < n && chars[j] == U'!';
            if (negated)
                ++j;
            const auto first = static_cast<std::uint32_t>(pattern.m_ranges.size());
            while (j < n && chars[j] != U']') {
                if (j + 2 < n && chars[j + 1] == U'-' && chars[j + 2] != U']') {
                    const char32_t low = Fold(chars[j]);
                    const char32_t high = Fold(chars[j + 2]);
                    if (low > high)
                        return fail(QStringLiteral("Invalid pattern: the range %1-%2 is reversed")
                                        .arg(QString::fromUcs4(&chars[j], 1), QString::fromUcs4(&chars[j + 2], 1)));
                    pattern.m_ranges.push_back({low, high});
                    j += 3;
                } else {
                    pattern.m_ranges.push_back({Fold(chars[j]), Fold(chars[j])});
                    ++j;
                }
            }
            if (j >= n)
                return fail(QStringLiteral("Invalid pattern: [ without a closing ]"));
            const auto count = static_cast<std::uint32_t>(pattern.m_ranges.size()) - first;
            if (count == 0 && negated)
                pattern.m_tokens.push_back({Token::One, 0, 0, 0, {}});
            else if (count > 0) {
                pattern.m_tokens.push_back({negated ? Token::NotClass : Token::Class, 0, first, count, {}});
                pattern.markAscii(pattern.m_tokens.back());
            }
            // An empty class [] stands for no character at all.
            i = j;
        } else {
            pattern.m_tokens.push_back({Token::Char, Fold(c), 0, 0, {}});
        }
    }
    pattern.prepareContains();
    return pattern;
}

void LikePattern::prepareContains()
{
    const std::size_t m = m_tokens.size();
    if (m < 3 || m > 66 || m_tokens.front().type != Token::Any || m_tokens.back().type != Token::Any)
        return;
    for (std::size_t k = 1; k + 1 < m; ++k)
        if (m_tokens[k].type == Token::Any)
            return;
    m_contains = true;
    m_masks.assign(MaskedCharacters, 0);
    for (char32_t c = 0; c < MaskedCharacters; ++c)
        for (std::size_t k = 1; k + 1 < m; ++k)
            if (matchesOne(m_tokens[k], c))
                m_masks[c] |= std::uint64_t(1) << (k - 1);
}

bool LikePattern::containsMatch(std::u32string_view text) const
{
    // Bit k of state: the last k + 1 characters match the first k + 1 inner tokens.
    const std::size_t inner = m_tokens.size() - 2;
    const std::uint64_t found = std::uint64_t(1) << (inner - 1);
    std::uint64_t state = 0;
    for (const char32_t c : text) {
        std::uint64_t mask = 0;
        if (c < MaskedCharacters) {
            mask = m_masks[c];
        } else {
            for (std::size_t k = 0; k < inner; ++k)
                if (matchesOne(m_tokens[k + 1], c))
                    mask |= std::uint64_t(1) << k;
        }
        state = ((state << 1) | 1) & mask;
        if (state & found)
            return true;
    }
    return false;
}

void LikePattern::markAscii(Token& token) const
{
    for (std::uint32_t k = token.first; k < token.first + token.count; ++k)
        for (char32_t c = m_ranges[k].low; c <= m_ranges[k].high && c < 0x80; ++c)
            token.ascii[c >> 6] |= std::uint64_t(1) << (c & 63);
}

bool LikePattern::matchesOne(const Token& token, char32_t c) const
{
    switch (token.type) {
    case Token::Char:
        return token.ch == c;
    case Token::One:
        return true;
    case Token::Class:
    case Token::NotClass: {
        bool inside = false;
        if (c < 0x80) {
            inside = (token.ascii[c >> 6] >> (c & 63)) & 1;
        } else {
            for (std::uint32_t k = token.first; k < token.first + token.count; ++k) {
                if (c >= m_ranges[k].low && c <= m_ranges[k].high) {
                    inside = true;
                    break;
                }
            }
        }
        return inside == (token.type == Token::Class);
    }
    case Token::Any:
        break;
    }
    return false;
}

void LikePattern::AppendFolded(QStringView text, std::u32string& folded)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[++i].unicode());
        folded += Fold(c);
    }
}

bool LikePattern::Matches(std::string_view utf8Text) const
{
    QVarLengthArray<char32_t, 256> text;
    {
        auto p = reinterpret_cast<const unsigned char*>(utf8Text.data());
        const auto end = p + utf8Text.size();
        while (p < end)
            text.append(*p < 0x80 ? Fold(*p++) : Fold(DecodeUtf8(p, end)));
    }
    return MatchesFolded(std::u32string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

bool LikePattern::MatchesFolded(std::u32string_view text) const
{
    if (m_contains)
        return containsMatch(text);
    // Every token but % stands for exactly one character, so on a mismatch it is enough
    // to let the last % swallow one more character and try again from there.
    const std::size_t n = text.size();
    const std::size_t m = m_tokens.size();
    std::size_t t = 0, k = 0;
    std::size_t starToken = m, starText = 0;
    while (t < n) {
        if (k < m && m_tokens[k].type == Token::Any) {
            starToken = k++;
            starText = t;
        } else if (k < m && matchesOne(m_tokens[k], text[t])) {
            ++k;
            ++t;
        } else if (starToken < m) {
            k = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (k < m && m_tokens[k].type == Token::Any)
        ++k;
    return k == m;
}

} // namespace JetDialect
