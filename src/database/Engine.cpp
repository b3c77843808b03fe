// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "Engine.h"

#include "JetDialect.h"

#include <QCollator>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QVarLengthArray>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>

namespace Engine {

EngineError::EngineError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description)
{
}

namespace {

// How long a connection waits for another process to finish with the file.
constexpr int BusyTimeoutMs = 10000;
// Written into every new file so that it can be told apart from other SQLite files.
constexpr int ApplicationId = 0x4164726E;

struct Finalizer
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, Finalizer>;

struct Closer
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DatabasePtr = std::unique_ptr<sqlite3, Closer>;

// The library's message, reworded where it names one of the checks that enforce the
// declared column types.
QString Describe(const QString& message)
{
    static const QRegularExpression tooLong(QStringLiteral("CHECK constraint failed: length\\((.+)\\) <= (\\d+)$"));
    static const QRegularExpression range(
        QStringLiteral("CHECK constraint failed: (.+) BETWEEN (-?\\d+) AND (-?\\d+)$"));
    static const QRegularExpression date(QStringLiteral("CHECK constraint failed: (.+) IS NULL OR .*date\\("));
    if (const QRegularExpressionMatch m = tooLong.match(message); m.hasMatch())
        return QStringLiteral("The text is too long for the field %1, which holds at most %2 characters.")
            .arg(JetDialect::Unquote(m.captured(1)), m.captured(2));
    if (const QRegularExpressionMatch m = range.match(message); m.hasMatch())
        return QStringLiteral("The value is out of range for the field %1 (%2 to %3).")
            .arg(JetDialect::Unquote(m.captured(1)), m.captured(2), m.captured(3));
    if (const QRegularExpressionMatch m = date.match(message); m.hasMatch())
        return QStringLiteral("The field %1 holds no valid date.").arg(JetDialect::Unquote(m.captured(1)));
    return message;
}

// The library names a failed column check by the check's text, but shortens the text
// of a check on a bracketed column ("[Order] BETWEEN 0 AND 255") to the bare column
// name, as if it were a quoted name. The check is then read back from the schema.
QString WithWholeCheck(sqlite3* db, const QString& message)
{
    static const QRegularExpression bareName(QStringLiteral("^CHECK constraint failed: (\\w+)$"));
    const QRegularExpressionMatch bare = bareName.match(message);
    if (!bare.hasMatch())
        return message;
    const QString column = bare.captured(1);
    const QRegularExpression check(
        QStringLiteral("CHECK\\(\\s*[\\[\"`]?%1[\\]\"`]?\\s+(BETWEEN\\s+-?\\d+\\s+AND\\s+-?\\d+|IS NULL OR .*date\\()")
            .arg(QRegularExpression::escape(column)),
        QRegularExpression::CaseInsensitiveOption);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE type = 'table'", -1, &raw, nullptr) != SQLITE_OK)
        return message;
    const StatementPtr schema(raw);
    while (sqlite3_step(schema.get()) == SQLITE_ROW) {
        const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(schema.get(), 0)));
        if (const QRegularExpressionMatch m = check.match(sql); m.hasMatch())
            return message + QLatin1Char(' ') + m.captured(1);
    }
    return message;
}

[[noreturn]] void ThrowLast(sqlite3* db)
{
    const int number = sqlite3_extended_errcode(db);
    QString message = QString::fromUtf8(sqlite3_errmsg(db));
    if (number == SQLITE_CONSTRAINT_CHECK)
        message = WithWholeCheck(db, message);
    throw EngineError(number, Describe(message));
}

StatementPtr Prepare(sqlite3* db, const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &raw, &tail);
    StatementPtr statement(raw);
    if (rc != SQLITE_OK)
        ThrowLast(db);
    if (!statement)
        throw EngineError(SQLITE_ERROR, QStringLiteral("The statement is empty."));
    for (const char* p = tail; p && p < utf8.constData() + utf8.size(); ++p)
        if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            throw EngineError(SQLITE_ERROR, QStringLiteral("Only one statement can be run at a time."));
    return statement;
}

void Run(sqlite3* db, sqlite3_stmt* statement)
{
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        ThrowLast(db);
}

void Exec(sqlite3* db, const QString& sql)
{
    const StatementPtr statement = Prepare(db, sql);
    Run(db, statement.get());
}

// Runs a statement whose failure does not matter (the clean-up after another failure).
void ExecQuietly(sqlite3* db, const char* sql)
{
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

QString QuoteName(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// ---------------------------------------------------------------------------------------
// The NOCASE collation: the order of the user's language, ignoring case but not accents.
//
// Comparing through the collator for every pair is too slow for sorting thousands of
// names, so most pairs are decided by a table of weights for the ASCII characters, taken
// from the same collator. The table decides a pair where both texts agree (byte for byte,
// or by weight) up to a first difference between two ASCII characters that are not
// followed by an accent that could belong to them; the collator decides such a pair by
// that difference too. At start the table is checked against the collator, for texts of
// ASCII characters and for texts where the agreeing part ends in an accented letter. A
// language whose rules break either (letter pairs that sort as one letter, for example)
// keeps that part, or all of it, with the collator.

class Collation
{
public:
    QCollatorSortKey SortKey(const QString& text) const { return m_collator.sortKey(text); }
    Collation();
    int compare(const unsigned char* a, int na, const unsigned char* b, int nb) const;

private:
    enum Decision
    {
        Collator = 2, // the table cannot decide; any other value is the answer
    };
    int tableCompare(const unsigned char* a, int na, const unsigned char* b, int nb) const;
    int collatorCompare(const unsigned char* a, int na, const unsigned char* b, int nb) const;
    bool tableAgrees(const QStringList& texts) const;
    bool separate(const unsigned char* p, int n) const;
    bool agreedOnVerified(const unsigned char* lead) const;

    QCollator m_collator;
    std::array<std::uint16_t, 256> m_weight{}; // 0 counts for nothing; Unknown for bytes >= 0x80
    bool m_fast = false;
    bool m_latinFollows = false; // a Latin letter after a difference leaves it alone
    bool m_afterAccents = false; // the agreeing part may end in a Latin letter or an accent
    static constexpr std::uint16_t Unknown = 0xFFFF;
};

QLocale CollationLocale()
{
    const QLocale system = QLocale::system();
    // The C locale orders by character code, which puts accented letters after z.
    if (system.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return system;
}

void AppendUtf16(QVarLengthArray<char16_t, 128>& out, const unsigned char* p, int n)
{
    // A text never has more UTF-16 units than UTF-8 bytes: write through a pointer into room
    // made once, since this runs for every pair the collator decides in a sort.
    const qsizetype start = out.size();
    out.resize(start + n);
    char16_t* to = out.data() + start;
    const unsigned char* end = p + n;
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80) {
            *to++ = lead;
            continue;
        }
        int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        char32_t c = extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        for (int k = 0; k < extra; ++k) {
            if (p >= end || (*p & 0xC0) != 0x80) {
                extra = -1;
                break;
            }
            c = (c << 6) | (*p++ & 0x3F);
        }
        if (extra < 0) {
            *to++ = 0xFFFD;
        } else if (c >= 0x10000) {
            *to++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            *to++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *to++ = static_cast<char16_t>(c);
        }
    }
    out.resize(to - out.data());
}

// The letters of Latin-1 and Latin Extended-A, the characters the table's rules are
// checked with beyond ASCII.
constexpr char16_t FirstLatin = 0xC0;
constexpr char16_t LastLatin = 0x17F;
constexpr char16_t FirstAccent = 0x300; // combining accents that may end the agreeing part
constexpr char16_t LastAccent = 0x30C;

bool IsLatinLetter(char32_t c)
{
    return c >= FirstLatin && c <= LastLatin && c != 0xD7 && c != 0xF7;
}

// The character of a two-byte UTF-8 sequence, or 0.
char32_t TwoByteCharacter(const unsigned char* p, int n)
{
    if (n < 2 || (p[0] & 0xE0) != 0xC0 || (p[1] & 0xC0) != 0x80)
        return 0;
    return (char32_t(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
}

Collation::Collation() : m_collator(CollationLocale())
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false);
    m_collator.setIgnorePunctuation(false);

    std::fill(m_weight.begin() + 0x80, m_weight.end(), Unknown);
    auto single = [](int c) { return QString(QChar(c)); };
    // Characters that count for nothing (control characters) keep weight 0.
    std::vector<int> counted;
    for (int c = 0; c < 0x80; ++c)
        if (m_collator.compare(QStringLiteral("a") + single(c), QStringLiteral("a")) != 0)
            counted.push_back(c);
    std::stable_sort(counted.begin(), counted.end(),
                     [&](int x, int y) { return m_collator.compare(single(x), single(y)) < 0; });
    std::uint16_t weight = 0;
    for (std::size_t i = 0; i < counted.size(); ++i) {
        if (i == 0 || m_collator.compare(single(counted[i - 1]), single(counted[i])) != 0)
            ++weight;
        m_weight[static_cast<std::size_t>(counted[i])] = weight;
    }

    // Texts of one or two ASCII characters.
    const QString ascii = QStringLiteral(" -'.,&0123456789abcdefghijklmnopqrstuvwxyzACDLNSZ");
    QStringList probes;
    for (const QChar first : ascii) {
        probes << QString(first);
        for (const QChar second : ascii)
            probes << QString(first) + second;
    }
    m_fast = tableAgrees(probes);
    if (!m_fast)
        return;

    const QString letters = QStringLiteral(" -'abcdefghijklmnopqrstuvwxyz");
    // A difference followed by a Latin letter.
    m_latinFollows = true;
    for (char16_t c = FirstLatin; c <= LastLatin && m_latinFollows; ++c) {
        if (!IsLatinLetter(c))
            continue;
        QStringList texts;
        for (const QChar first : letters)
            texts << QString(first) + QChar(c);
        m_latinFollows = tableAgrees(texts);
    }
    // A Latin letter or an accent followed by a difference.
    m_afterAccents = true;
    for (char16_t c = FirstLatin; c <= LastAccent && m_afterAccents; ++c) {
        if (c == LastLatin + 1)
            c = FirstAccent;
        if (c < FirstAccent && !IsLatinLetter(c))
            continue;
        const QString before = c >= FirstAccent ? QStringLiteral("e") + QChar(c) : QString(QChar(c));
        QStringList texts;
        for (const QChar second : letters)
            texts << before + second;
        m_afterAccents = tableAgrees(texts);
    }
}

// Sorted by the collator, the texts must stay in order under the table, with the same ties.
bool Collation::tableAgrees(const QStringList& texts) const
{
    QStringList sorted = texts;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const QString& x, const QString& y) { return m_collator.compare(x, y) < 0; });
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (int i = 0; i + 1 < sorted.size(); ++i) {
        const QByteArray x = sorted[i].toUtf8();
        const QByteArray y = sorted[i + 1].toUtf8();
        const int table = tableCompare(reinterpret_cast<const unsigned char*>(x.constData()), int(x.size()),
                                       reinterpret_cast<const unsigned char*>(y.constData()), int(y.size()));
        if (table == Collator || table != sign(m_collator.compare(sorted[i], sorted[i + 1])))
            return false;
    }
    return true;
}

// True when the text starts with a character that cannot join the one before it: ASCII,
// or (where the language allows it) a Latin letter; the end of the text counts too.
bool Collation::separate(const unsigned char* p, int n) const
{
    if (n <= 0 || p[0] < 0x80)
        return true;
    return m_latinFollows && IsLatinLetter(TwoByteCharacter(p, n));
}

// True when the agreeing part, which ends in the character starting at lead, may be
// followed by a difference that the table decides.
bool Collation::agreedOnVerified(const unsigned char* lead) const
{
    if (!lead)
        return true; // it ends in ASCII
    if (!m_afterAccents)
        return false;
    const char32_t c = TwoByteCharacter(lead, 2);
    return IsLatinLetter(c) || (c >= FirstAccent && c <= LastAccent);
}

int Collation::tableCompare(const unsigned char* a, int na, const unsigned char* b, int nb) const
{
    int i = 0, j = 0;
    const unsigned char* lastLead = nullptr; // where the agreeing part's last character starts, unless ASCII
    while (i < na && j < nb) {
        const unsigned char ca = a[i];
        const unsigned char cb = b[j];
        if (ca == cb) {
            if (ca < 0x80)
                lastLead = nullptr;
            else if ((ca & 0xC0) == 0xC0)
                lastLead = a + i;
            ++i;
            ++j;
            continue;
        }
        const std::uint16_t wa = m_weight[ca];
        const std::uint16_t wb = m_weight[cb];
        if (wa == wb && wa != Unknown && wa != 0) {
            lastLead = nullptr;
            ++i;
            ++j;
            continue;
        }
        if (wa == Unknown || wb == Unknown || wa == 0 || wb == 0 || !agreedOnVerified(lastLead))
            return Collator;
        // An accent after either character could make it another letter.
        if (!separate(a + i + 1, na - i - 1) || !separate(b + j + 1, nb - j - 1))
            return Collator;
        return wa < wb ? -1 : 1;
    }
    // One text is the other's beginning: the longer one comes after, unless all it has
    // more counts for nothing.
    const unsigned char* rest = i < na ? a + i : b + j;
    const int restLength = i < na ? na - i : nb - j;
    if (restLength > 0 && !agreedOnVerified(lastLead))
        return Collator;
    for (int k = 0; k < restLength; ++k) {
        if (m_weight[rest[k]] == Unknown)
            return Collator;
        if (m_weight[rest[k]] != 0)
            return i < na ? 1 : -1;
    }
    return 0;
}

int Collation::collatorCompare(const unsigned char* a, int na, const unsigned char* b, int nb) const
{
    QVarLengthArray<char16_t, 128> x;
    QVarLengthArray<char16_t, 128> y;
    AppendUtf16(x, a, na);
    AppendUtf16(y, b, nb);
    return m_collator.compare(QStringView(x.constData(), x.size()), QStringView(y.constData(), y.size()));
}

int Collation::compare(const unsigned char* a, int na, const unsigned char* b, int nb) const
{
    // The collator ranks an empty text before any other.
    if (na == 0 || nb == 0)
        return (na != 0) - (nb != 0);
    if (m_fast) {
        const int result = tableCompare(a, na, b, nb);
        if (result != Collator)
            return result;
    }
    return collatorCompare(a, na, b, nb);
}

const Collation& SharedCollation()
{
    static const Collation collation;
    return collation;
}

int CompareNoCase(void* collation, int na, const void* a, int nb, const void* b)
{
    return static_cast<const Collation*>(collation)->compare(static_cast<const unsigned char*>(a), na,
                                                             static_cast<const unsigned char*>(b), nb);
}

// ---------------------------------------------------------------------------------------
// SQL functions.

void DeletePattern(void* pattern)
{
    delete static_cast<JetDialect::LikePattern*>(pattern);
}

// like(pattern, text [, escape]): what X LIKE Y [ESCAPE Z] calls as like(Y, X, Z).
void Like(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    char32_t escape = 0;
    if (argc == 3) {
        const QString text =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[2])), sqlite3_value_bytes(argv[2]));
        const QList<uint> ucs4 = text.toUcs4();
        if (ucs4.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = ucs4.first();
    }
    auto* pattern = static_cast<JetDialect::LikePattern*>(sqlite3_get_auxdata(context, 0));
    std::unique_ptr<JetDialect::LikePattern> compiled;
    if (!pattern || pattern->Escape() != escape) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        const int bytes = sqlite3_value_bytes(argv[0]);
        QString error;
        std::optional<JetDialect::LikePattern> fresh =
            JetDialect::LikePattern::Compile(std::string_view(text, static_cast<std::size_t>(bytes)), escape, &error);
        if (!fresh) {
            const QByteArray message = error.toUtf8();
            sqlite3_result_error(context, message.constData(), static_cast<int>(message.size()));
            return;
        }
        compiled = std::make_unique<JetDialect::LikePattern>(std::move(*fresh));
        pattern = compiled.get();
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const int bytes = sqlite3_value_bytes(argv[1]);
    sqlite3_result_int(context, pattern->Matches(std::string_view(text, static_cast<std::size_t>(bytes))) ? 1 : 0);
    // Kept for the next row while the pattern stays the same (the library may also
    // discard it at once, so it is not used after this call).
    if (compiled)
        sqlite3_set_auxdata(context, 0, compiled.release(), DeletePattern);
}

enum class DatePart
{
    Year,
    Month,
    Day
};

void DatePartFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int bytes = sqlite3_value_bytes(argv[0]);
    int year = 0, month = 0, day = 0;
    if (!JetDialect::ParseIsoDate(std::string_view(text, static_cast<std::size_t>(bytes)), &year, &month, &day)) {
        sqlite3_result_null(context);
        return;
    }
    switch (static_cast<DatePart>(reinterpret_cast<std::intptr_t>(sqlite3_user_data(context)))) {
    case DatePart::Year:
        sqlite3_result_int(context, year);
        break;
    case DatePart::Month:
        sqlite3_result_int(context, month);
        break;
    case DatePart::Day:
        sqlite3_result_int(context, day);
        break;
    }
}

// The & join: NULL counts as empty text; the result is NULL only when all parts are.
void Join(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    std::string joined;
    bool any = false;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            continue;
        any = true;
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[i]));
        joined.append(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[i])));
    }
    if (!any)
        sqlite3_result_null(context);
    else
        sqlite3_result_text64(context, joined.data(), joined.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void RegisterFunctions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    int rc = sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, const_cast<Collation*>(&SharedCollation()),
                                         CompareNoCase, nullptr);
    rc |= sqlite3_create_function_v2(db, "like", 2, flags, nullptr, Like, nullptr, nullptr, nullptr);
    rc |= sqlite3_create_function_v2(db, "like", 3, flags, nullptr, Like, nullptr, nullptr, nullptr);
    const std::pair<const char*, DatePart> parts[] = {
        {"Year", DatePart::Year}, {"Month", DatePart::Month}, {"Day", DatePart::Day}};
    for (const auto& [name, part] : parts)
        rc |= sqlite3_create_function_v2(db, name, 1, flags, reinterpret_cast<void*>(static_cast<std::intptr_t>(part)),
                                         DatePartFunction, nullptr, nullptr, nullptr);
    rc |= sqlite3_create_function_v2(db, JetDialect::JoinFunction, -1, flags, nullptr, Join, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        ThrowLast(db);
}

// ---------------------------------------------------------------------------------------
// Files.

// Waiting for another connection to let go of the file. The library's own handler
// sleeps ever longer between tries, so a process that writes in a tight loop can keep
// another one waiting until it gives up; trying every millisecond catches the moments
// between the writer's transactions.
int WaitWhileBusy(void* timeoutMs, int count)
{
    thread_local QElapsedTimer waiting; // one wait at a time per thread
    if (count == 0)
        waiting.start();
    if (waiting.elapsed() >= reinterpret_cast<std::intptr_t>(timeoutMs))
        return 0;
    sqlite3_sleep(1);
    return 1;
}

// Writable by this process and not marked read-only: a file whose write permissions are
// all cleared counts as read-only even for a user whom the system would let write.
bool IsWritable(const QFileInfo& info)
{
    return info.isWritable() &&
           (info.permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther));
}

// Opens an existing database file, checks that it is one, and prepares the connection.
DatabasePtr OpenFile(const QString& path, int* mode, int busyTimeoutMs)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw EngineError(SQLITE_CANTOPEN, QStringLiteral("Could not find the file '%1'.").arg(path));
    if (info.isDir())
        throw EngineError(SQLITE_CANTOPEN, QStringLiteral("'%1' is a folder, not a database file.").arg(path));
    const bool writable = IsWritable(info) && IsWritable(QFileInfo(info.absolutePath()));
    *mode = writable ? ModeShareDenyNone : ModeRead;

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(info.absoluteFilePath()).constData(), &raw,
                                   writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr);
    DatabasePtr db(raw);
    if (rc != SQLITE_OK) {
        const int code = raw ? sqlite3_extended_errcode(raw) : rc;
        const QString message = QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        throw EngineError(code, QStringLiteral("%1: '%2'").arg(message, path));
    }
    sqlite3_extended_result_codes(raw, 1);
    // A file may come from anyone: its schema never calls our functions with side
    // effects, and no statement may damage the file's own structure.
    if (sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr) != SQLITE_OK ||
        sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr) != SQLITE_OK)
        ThrowLast(raw);
    sqlite3_busy_handler(raw, WaitWhileBusy, reinterpret_cast<void*>(static_cast<std::intptr_t>(busyTimeoutMs)));
    try {
        // Reading the schema is what tells a database from any other file.
        Exec(raw, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const EngineError& error) {
        if (error.number() == SQLITE_NOTADB && IsEncryptedDatabaseFile(path))
            throw EngineError(PasswordProtectedError,
                              QStringLiteral("Not a valid password: the database '%1' is encrypted.").arg(path));
        throw EngineError(error.number(), QStringLiteral("%1: '%2'").arg(error.description(), path));
    }
    RegisterFunctions(raw);
    Exec(raw, QStringLiteral("PRAGMA foreign_keys = ON"));
    // Sorting a full list of persons by name (list, exports, calendar) stays in memory
    // instead of going through temporary files.
    Exec(raw, QStringLiteral("PRAGMA temp_store = MEMORY"));
    if (writable)
        ExecQuietly(raw, "PRAGMA journal_mode = DELETE");
    return db;
}

QString ColumnText(sqlite3_stmt* statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

void BindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text64(statement, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()), SQLITE_TRANSIENT,
                        SQLITE_UTF8);
}

} // namespace

// -------------------------------------------------------------------------------------------
// Recordset

Recordset::Recordset(QStringList columns, std::vector<std::vector<QVariant>> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows))
{
}

void Recordset::MoveNext()
{
    if (Eof())
        throw EngineError(SQLITE_MISUSE, QStringLiteral("There is no current row: the end has been reached."));
    ++m_position;
}

void Recordset::MoveFirst()
{
    m_position = 0;
}

int Recordset::columnIndex(const QString& column) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    // A name qualified by its table ("Email.Contactnr") finds the column it comes from.
    if (column.contains(QLatin1Char('.'))) {
        for (int i = 0; i < m_origins.size(); ++i)
            if (m_origins[i].compare(column, Qt::CaseInsensitive) == 0)
                return i;
    }
    throw EngineError(SQLITE_MISUSE, QStringLiteral("The result has no field named %1.").arg(column));
}

QVariant Recordset::Fields(const QString& column) const
{
    return Fields(columnIndex(column));
}

QVariant Recordset::Fields(int index) const
{
    if (Eof() || Bof())
        throw EngineError(SQLITE_MISUSE, QStringLiteral("There is no current row."));
    if (index < 0 || index >= FieldCount())
        throw EngineError(SQLITE_MISUSE, QStringLiteral("The result has no field number %1.").arg(index));
    return m_rows[static_cast<std::size_t>(m_position)][static_cast<std::size_t>(index)];
}

// -------------------------------------------------------------------------------------------
// Connection

// Statements of the shapes run so far, prepared. Most statements the program writes are
// one of a few shapes with other values (a person's rows, a card kept), so translating
// and preparing each once takes most of the work out of long runs of them.
struct Connection::StatementCache
{
    // Shapes vary with the length of IN lists and the like: past this many the cache
    // starts again rather than growing without end.
    static constexpr int MaxShapes = 256;
    std::unordered_map<QString, StatementPtr> prepared;
    // Which tables exist, while the schema stays the version it was when they were asked for.
    StatementPtr schemaVersion;
    sqlite3_int64 tablesOfVersion = -1;
    std::unordered_map<QString, bool> tables;
};

namespace {

// Leaves a kept statement ready for its next use, its values let go.
class ResetAfterUse
{
public:
    explicit ResetAfterUse(sqlite3_stmt* statement) : m_statement(statement) {}
    ~ResetAfterUse()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    ResetAfterUse(const ResetAfterUse&) = delete;
    ResetAfterUse& operator=(const ResetAfterUse&) = delete;

private:
    sqlite3_stmt* m_statement;
};

} // namespace

Connection::Connection() = default;

Connection::~Connection()
{
    Close();
}

void Connection::Open(const QString& path)
{
    Close();
    m_dataSource = path;
    int mode = 0;
    DatabasePtr db = OpenFile(path, &mode, BusyTimeoutMs);
    m_db = db.release();
    m_mode = mode;
    static std::atomic<quint64> openings{0};
    m_opening = ++openings;
}

void Connection::Close()
{
    m_statements.reset();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_mode = 0;
}

bool Connection::InTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

Connection::ChangeStamp Connection::Stamp()
{
    ensureOpen();
    ChangeStamp stamp;
    stamp.opening = m_opening;
    stamp.ownChanges = sqlite3_total_changes64(m_db);
    const StatementPtr statement = Prepare(m_db, QStringLiteral("PRAGMA data_version"));
    const int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW)
        throw EngineError(rc, QString::fromUtf8(sqlite3_errmsg(m_db)));
    stamp.dataVersion = sqlite3_column_int64(statement.get(), 0);
    return stamp;
}

void Connection::ensureOpen() const
{
    if (!m_db)
        throw EngineError(SQLITE_MISUSE, QStringLiteral("The connection is closed."));
}

sqlite3_stmt* Connection::bound(const JetDialect::Parameterized& statement)
{
    if (!m_statements)
        m_statements = std::make_unique<StatementCache>();
    auto found = m_statements->prepared.find(statement.shape);
    if (found == m_statements->prepared.end()) {
        const std::optional<JetDialect::Statement> translated = JetDialect::Translate(statement.shape);
        // A shape whose statement fails here is not kept: the table it needs may come later.
        if (!translated || translated->kind != JetDialect::Kind::Plain)
            return nullptr;
        const QByteArray utf8 = translated->sql.toUtf8();
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(m_db, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_PREPARE_PERSISTENT, &raw,
                               &tail) != SQLITE_OK ||
            !raw) {
            sqlite3_finalize(raw);
            return nullptr;
        }
        StatementPtr prepared(raw);
        // Only one statement, and one value for each place (a rewrite that repeats a value
        // cannot be run this way).
        const bool whole = std::all_of(tail, utf8.constData() + utf8.size(), [](char c) {
            return c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
        });
        if (!whole || sqlite3_bind_parameter_count(raw) != static_cast<int>(statement.values.size()))
            prepared.reset();
        if (m_statements->prepared.size() >= StatementCache::MaxShapes)
            // Statements whose rows are being read stay.
            for (auto it = m_statements->prepared.begin(); it != m_statements->prepared.end();)
                it = it->second && sqlite3_stmt_busy(it->second.get()) ? std::next(it)
                                                                       : m_statements->prepared.erase(it);
        found = m_statements->prepared.emplace(statement.shape, std::move(prepared)).first;
    }
    sqlite3_stmt* prepared = found->second.get();
    // A statement of the same shape run from inside the rows of another goes the long way.
    if (!prepared || sqlite3_stmt_busy(prepared))
        return nullptr;
    int place = 0;
    for (const JetDialect::Literal& value : statement.values) {
        ++place;
        const int rc = value.integer ? sqlite3_bind_int64(prepared, place, value.number)
                                     : sqlite3_bind_text16(prepared, place, value.text.utf16(),
                                                           static_cast<int>(value.text.size() * 2), SQLITE_STATIC);
        if (rc != SQLITE_OK) {
            sqlite3_clear_bindings(prepared);
            return nullptr;
        }
    }
    return prepared;
}

void Connection::Execute(const QString& sql)
{
    ensureOpen();
    if (const std::optional<JetDialect::Parameterized> shaped = JetDialect::Parameterize(sql))
        if (sqlite3_stmt* prepared = bound(*shaped)) {
            const ResetAfterUse reset(prepared);
            Run(m_db, prepared);
            return;
        }
    QString error;
    const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
    if (!statement)
        throw EngineError(SQLITE_ERROR, error);
    switch (statement->kind) {
    case JetDialect::Kind::Plain:
        executeTranslated(statement->sql);
        break;
    case JetDialect::Kind::AlterColumn:
        alterColumn(statement->table, statement->columns.value(0), statement->definition);
        break;
    case JetDialect::Kind::DropColumns:
        // All columns go, or none.
        Exec(m_db, QStringLiteral("SAVEPOINT addrion_drop_columns"));
        try {
            for (const QString& step : statement->steps)
                executeTranslated(step);
        } catch (...) {
            ExecQuietly(m_db, "ROLLBACK TO addrion_drop_columns");
            ExecQuietly(m_db, "RELEASE addrion_drop_columns");
            throw;
        }
        Exec(m_db, QStringLiteral("RELEASE addrion_drop_columns"));
        break;
    }
}

void Connection::executeTranslated(const QString& sql)
{
    Exec(m_db, sql);
}

int Connection::Row::Int(int column) const
{
    return sqlite3_column_int(m_statement, column);
}

QString Connection::Row::Text(int column) const
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column)),
                             sqlite3_column_bytes(m_statement, column));
}

QByteArrayView Connection::Row::Utf8(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
}

bool Connection::Row::IsText(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_TEXT;
}

bool Connection::Row::IsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

int Connection::Row::Column(const QString& name) const
{
    const int columns = sqlite3_column_count(m_statement);
    for (int column = 0; column < columns; ++column)
        if (name.compare(QString::fromUtf8(sqlite3_column_name(m_statement, column)), Qt::CaseInsensitive) == 0)
            return column;
    throw EngineError(SQLITE_ERROR, QStringLiteral("Item cannot be found: %1").arg(name));
}

void Connection::ForEachRow(const QString& sql, const std::function<void(const Row&)>& visit)
{
    ensureOpen();
    if (const std::optional<JetDialect::Parameterized> shaped = JetDialect::Parameterize(sql))
        if (sqlite3_stmt* prepared = bound(*shaped)) {
            const ResetAfterUse reset(prepared);
            const Row row(prepared);
            int rc;
            while ((rc = sqlite3_step(prepared)) == SQLITE_ROW)
                visit(row);
            if (rc != SQLITE_DONE)
                ThrowLast(m_db);
            return;
        }
    QString error;
    const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
    if (!statement || statement->kind != JetDialect::Kind::Plain)
        throw EngineError(SQLITE_ERROR, statement ? QStringLiteral("Not a query: %1").arg(sql) : error);
    const StatementPtr prepared = Prepare(m_db, statement->sql);
    const Row row(prepared.get());
    int rc;
    while ((rc = sqlite3_step(prepared.get())) == SQLITE_ROW)
        visit(row);
    if (rc != SQLITE_DONE)
        ThrowLast(m_db);
}

Recordset Connection::OpenRecordset(const QString& sql)
{
    ensureOpen();
    if (const std::optional<JetDialect::Parameterized> shaped = JetDialect::Parameterize(sql))
        if (sqlite3_stmt* prepared = bound(*shaped)) {
            const ResetAfterUse reset(prepared);
            return readRows(m_db, prepared);
        }
    QString error;
    const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
    if (!statement)
        throw EngineError(SQLITE_ERROR, error);
    if (statement->kind != JetDialect::Kind::Plain) {
        Execute(sql);
        return Recordset();
    }
    const StatementPtr prepared = Prepare(m_db, statement->sql);
    return readRows(m_db, prepared.get());
}

namespace {

// A column's value as the program reads it: whole numbers as int where they fit, text
// of a DATE column that holds a date as a date.
QVariant ColumnValue(sqlite3_stmt* st, int c, bool isDate)
{
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER: {
        const sqlite3_int64 number = sqlite3_column_int64(st, c);
        if (number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
            return static_cast<int>(number);
        return static_cast<qint64>(number);
    }
    case SQLITE_FLOAT:
        return sqlite3_column_double(st, c);
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        const int bytes = sqlite3_column_bytes(st, c);
        int year = 0, month = 0, day = 0;
        if (isDate &&
            JetDialect::ParseIsoDate(std::string_view(text, static_cast<std::size_t>(bytes)), &year, &month, &day))
            return QDate(year, month, day);
        return QString::fromUtf8(text, bytes);
    }
    default:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, c)), sqlite3_column_bytes(st, c));
    }
}

bool IsDateColumn(sqlite3_stmt* st, int c)
{
    const char* declared = sqlite3_column_decltype(st, c);
    return declared && qstricmp(declared, "DATE") == 0;
}

} // namespace

QVariant Connection::Row::Value(int column) const
{
    return ColumnValue(m_statement, column, IsDateColumn(m_statement, column));
}

Recordset Connection::readRows(sqlite3* db, sqlite3_stmt* st)
{
    const int columns = sqlite3_column_count(st);
    QStringList names;
    QStringList origins;
    std::vector<bool> isDate(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        names << QString::fromUtf8(sqlite3_column_name(st, c));
        const char* table = sqlite3_column_table_name(st, c);
        const char* origin = sqlite3_column_origin_name(st, c);
        origins << (table && origin ? QString::fromUtf8(table) + QLatin1Char('.') + QString::fromUtf8(origin)
                                    : QString());
        isDate[static_cast<std::size_t>(c)] = IsDateColumn(st, c);
    }
    std::vector<std::vector<QVariant>> rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<QVariant> row(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            row[static_cast<std::size_t>(c)] = ColumnValue(st, c, isDate[static_cast<std::size_t>(c)]);
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        ThrowLast(db);
    Recordset result(std::move(names), std::move(rows));
    result.m_origins = std::move(origins);
    return result;
}

Recordset Connection::OpenPlainRecordset(const QString& path, const QString& sql)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(QFileInfo(path).absoluteFilePath()).constData(), &raw,
                                   SQLITE_OPEN_READONLY, nullptr);
    DatabasePtr db(raw);
    if (rc != SQLITE_OK)
        throw EngineError(rc, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
    const StatementPtr prepared = Prepare(raw, sql);
    return readRows(raw, prepared.get());
}

void Connection::alterColumn(const QString& table, const QString& column, const QString& definition)
{
    // The library cannot change a column's type, so the table is built anew with the new
    // definition, following the library's own recipe: with foreign keys off (which only
    // works outside a transaction), one transaction for create, copy, drop and rename,
    // and a check that every foreign key still holds before it is committed.
    if (!sqlite3_get_autocommit(m_db))
        throw EngineError(SQLITE_ERROR, QStringLiteral("A column's type cannot be changed inside a transaction."));

    QString name;
    QString createSql;
    {
        const StatementPtr st = Prepare(
            m_db,
            QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table' AND lower(name) = lower(?1)"));
        BindText(st.get(), 1, table);
        const int rc = sqlite3_step(st.get());
        if (rc == SQLITE_ROW) {
            name = ColumnText(st.get(), 0);
            createSql = ColumnText(st.get(), 1);
        } else if (rc != SQLITE_DONE) {
            ThrowLast(m_db);
        }
    }
    if (name.isEmpty())
        throw EngineError(SQLITE_ERROR, QStringLiteral("No table named %1.").arg(table));
    QStringList dependents; // indexes and triggers, made again after the rename
    {
        const StatementPtr st =
            Prepare(m_db, QStringLiteral("SELECT sql FROM sqlite_master WHERE tbl_name = ?1 AND type IN "
                                         "('index', 'trigger') AND sql IS NOT NULL"));
        BindText(st.get(), 1, name);
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW)
            dependents << ColumnText(st.get(), 0);
        if (rc != SQLITE_DONE)
            ThrowLast(m_db);
    }
    const QString newName = QStringLiteral("addrion_rebuild_") + name;
    QString error;
    const std::optional<QString> newSql = JetDialect::RebuildTableSql(createSql, newName, column, definition, &error);
    if (!newSql)
        throw EngineError(SQLITE_ERROR, error);

    Exec(m_db, QStringLiteral("PRAGMA foreign_keys = OFF"));
    try {
        Exec(m_db, QStringLiteral("BEGIN IMMEDIATE"));
        try {
            Exec(m_db, *newSql);
            Exec(m_db, QStringLiteral("INSERT INTO %1 SELECT * FROM %2").arg(QuoteName(newName), QuoteName(name)));
            Exec(m_db, QStringLiteral("DROP TABLE %1").arg(QuoteName(name)));
            Exec(m_db, QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(QuoteName(newName), QuoteName(name)));
            for (const QString& sql : dependents)
                Exec(m_db, sql);
            const StatementPtr check = Prepare(m_db, QStringLiteral("PRAGMA foreign_key_check"));
            const int rc = sqlite3_step(check.get());
            if (rc == SQLITE_ROW)
                throw EngineError(
                    SQLITE_CONSTRAINT_FOREIGNKEY,
                    QStringLiteral("Changing the column %1 of %2 would break a relationship.").arg(column, name));
            if (rc != SQLITE_DONE)
                ThrowLast(m_db);
            Exec(m_db, QStringLiteral("COMMIT"));
        } catch (...) {
            ExecQuietly(m_db, "ROLLBACK");
            throw;
        }
    } catch (...) {
        ExecQuietly(m_db, "PRAGMA foreign_keys = ON");
        throw;
    }
    Exec(m_db, QStringLiteral("PRAGMA foreign_keys = ON"));
}

// -------------------------------------------------------------------------------------------
// Catalogue

bool Connection::TableExists(const QString& table)
{
    ensureOpen();
    // Asked before most reads of the optional tables: the answer is kept until the schema
    // changes (here or in any other connection to the file).
    if (!m_statements)
        m_statements = std::make_unique<StatementCache>();
    StatementCache& cache = *m_statements;
    if (!cache.schemaVersion)
        cache.schemaVersion = Prepare(m_db, QStringLiteral("PRAGMA schema_version"));
    sqlite3_int64 version = -1;
    {
        const ResetAfterUse reset(cache.schemaVersion.get());
        if (sqlite3_step(cache.schemaVersion.get()) != SQLITE_ROW)
            ThrowLast(m_db);
        version = sqlite3_column_int64(cache.schemaVersion.get(), 0);
    }
    if (version != cache.tablesOfVersion) {
        cache.tables.clear();
        cache.tablesOfVersion = version;
    }
    const QString key = table.toLower();
    if (const auto known = cache.tables.find(key); known != cache.tables.end())
        return known->second;
    bool found = false;
    ForEachRow(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND lower(name) = lower('") +
                   QString(table).remove(QChar(0)).replace(QLatin1Char('\''), QStringLiteral("''")) +
                   QStringLiteral("')"),
               [&found](const Row&) { found = true; });
    cache.tables[key] = found;
    return found;
}

std::vector<SchemaObject> Connection::TriggersAndViews()
{
    ensureOpen();
    const StatementPtr st = Prepare(
        m_db,
        QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE type IN ('trigger', 'view') ORDER BY name"));
    std::vector<SchemaObject> found;
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW)
        found.push_back({ColumnText(st.get(), 0), ColumnText(st.get(), 1), ColumnText(st.get(), 2)});
    if (rc != SQLITE_DONE)
        ThrowLast(m_db);
    return found;
}

void Connection::Drop(const std::vector<SchemaObject>& objects)
{
    ensureOpen();
    Transaction transaction(*this);
    for (const SchemaObject& object : objects)
        Exec(m_db, QStringLiteral("DROP %1 IF EXISTS %2")
                       .arg(object.type == QLatin1String("view") ? QStringLiteral("VIEW") : QStringLiteral("TRIGGER"),
                            QuoteName(object.name)));
    transaction.Commit();
}

int Connection::ColumnCount(const QString& table)
{
    if (!TableExists(table))
        throw EngineError(SQLITE_ERROR, QStringLiteral("No table named %1.").arg(table));
    const StatementPtr st = Prepare(m_db, QStringLiteral("SELECT count(*) FROM pragma_table_info(?1)"));
    BindText(st.get(), 1, table);
    if (sqlite3_step(st.get()) != SQLITE_ROW)
        ThrowLast(m_db);
    return sqlite3_column_int(st.get(), 0);
}

int Connection::DefinedSize(const QString& table, const QString& column)
{
    if (!TableExists(table))
        throw EngineError(SQLITE_ERROR, QStringLiteral("No table named %1.").arg(table));
    const StatementPtr st =
        Prepare(m_db, QStringLiteral("SELECT type FROM pragma_table_info(?1) WHERE lower(name) = lower(?2)"));
    BindText(st.get(), 1, table);
    BindText(st.get(), 2, column);
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_DONE)
        throw EngineError(SQLITE_ERROR, QStringLiteral("The table %1 has no column named %2.").arg(table, column));
    if (rc != SQLITE_ROW)
        ThrowLast(m_db);
    static const QRegularExpression width(
        QStringLiteral("^\\s*(?:N?VAR)?CHAR(?:ACTER)?\\s*\\(\\s*(\\d+)|^\\s*TEXT\\s*\\(\\s*(\\d+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = width.match(ColumnText(st.get(), 0));
    if (!m.hasMatch())
        return 0;
    return (m.captured(1).isEmpty() ? m.captured(2) : m.captured(1)).toInt();
}

// -------------------------------------------------------------------------------------------
// Transaction

Connection::Transaction::Transaction(Connection& connection) : m_connection(connection)
{
    m_connection.ensureOpen();
    // IMMEDIATE takes the write lock at once, so two writers wait for each other instead
    // of both failing when the second one wants to write.
    Exec(m_connection.m_db, QStringLiteral("BEGIN IMMEDIATE"));
}

Connection::Transaction::~Transaction()
{
    if (!m_done && m_connection.m_db && !sqlite3_get_autocommit(m_connection.m_db))
        ExecQuietly(m_connection.m_db, "ROLLBACK");
}

void Connection::Transaction::Commit()
{
    m_connection.ensureOpen();
    Exec(m_connection.m_db, QStringLiteral("COMMIT"));
    m_done = true;
}

Connection::Savepoint::Savepoint(Connection& connection) : m_connection(connection)
{
    m_connection.ensureOpen();
    Exec(m_connection.m_db, QStringLiteral("SAVEPOINT addrion_part"));
}

Connection::Savepoint::~Savepoint()
{
    if (m_done || !m_connection.m_db)
        return;
    ExecQuietly(m_connection.m_db, "ROLLBACK TO addrion_part");
    ExecQuietly(m_connection.m_db, "RELEASE addrion_part");
}

void Connection::Savepoint::Release()
{
    m_connection.ensureOpen();
    Exec(m_connection.m_db, QStringLiteral("RELEASE addrion_part"));
    m_done = true;
}

// -------------------------------------------------------------------------------------------
// Files

JetDialect::LikePattern CompileLike(const QString& pattern)
{
    QString error;
    const QByteArray utf8 = pattern.toUtf8();
    std::optional<JetDialect::LikePattern> compiled = JetDialect::LikePattern::Compile(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), 0, &error);
    if (!compiled)
        throw EngineError(SQLITE_ERROR, error);
    return std::move(*compiled);
}

void CreateDatabaseFile(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty())
        throw EngineError(SQLITE_CANTOPEN, QStringLiteral("No file name was given for the new database."));
    if (info.exists())
        throw EngineError(SQLITE_CANTOPEN, QStringLiteral("The file '%1' exists already.").arg(path));
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        throw EngineError(SQLITE_CANTOPEN, QStringLiteral("The folder '%1' does not exist.").arg(folder.filePath()));
    if (!IsWritable(folder))
        throw EngineError(SQLITE_READONLY,
                          QStringLiteral("The folder '%1' cannot be written to.").arg(folder.filePath()));
    {
        // Claims the name: fails when another file of that name appeared meanwhile.
        QFile file(info.absoluteFilePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw EngineError(SQLITE_CANTOPEN,
                              QStringLiteral("The file '%1' cannot be created: %2").arg(path, file.errorString()));
    }
    try {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(info.absoluteFilePath()).constData(), &raw,
                                       SQLITE_OPEN_READWRITE, nullptr);
        DatabasePtr db(raw);
        if (rc != SQLITE_OK)
            throw EngineError(raw ? sqlite3_extended_errcode(raw) : rc,
                              QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
        sqlite3_extended_result_codes(raw, 1);
        Exec(raw, QStringLiteral("PRAGMA encoding = 'UTF-8'"));
        Exec(raw, QStringLiteral("PRAGMA journal_mode = DELETE"));
        // Writing the header makes the file a database of its own right away.
        Exec(raw, QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId));
    } catch (...) {
        QFile::remove(info.absoluteFilePath());
        throw;
    }
}

void Compact(const QString& path)
{
    Compact(path, BusyTimeoutMs);
}

void Compact(const QString& path, int busyTimeoutMs)
{
    int mode = 0;
    const DatabasePtr db = OpenFile(path, &mode, busyTimeoutMs);
    if (mode != ModeShareDenyNone)
        throw EngineError(SQLITE_READONLY,
                          QStringLiteral("The database '%1' is read-only and cannot be compacted.").arg(path));
    // The copy VACUUM builds goes to a temporary file: in memory it would hold the whole
    // database at once.
    Exec(db.get(), QStringLiteral("PRAGMA temp_store = FILE"));
    // VACUUM rewrites the file in place under the protection of the rollback journal:
    // if it cannot finish (another process keeps it busy), the file stays as it was.
    Exec(db.get(), QStringLiteral("VACUUM"));
}

bool IsEncryptedDatabaseFile(const QString& path)
{
    // An encrypted database is whole pages of at least 1024 bytes that read as noise from
    // the first byte on. Noise uses nearly every byte value in a kilobyte (about 251 of
    // 256 on average; fewer than 200 does not happen by chance), which no file of zeros,
    // no text and no plain database does.
    constexpr int Kilobyte = 1024;
    constexpr size_t FewestByteValues = 200;
    QFile file(path);
    const qint64 size = file.size();
    if (size < Kilobyte || size % Kilobyte != 0 || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray first = file.read(Kilobyte);
    static const QByteArray header("SQLite format 3\0", 16);
    if (first.size() != Kilobyte || first.startsWith(header))
        return false;
    std::bitset<256> seen;
    for (const char byte : first)
        seen.set(static_cast<unsigned char>(byte));
    return seen.count() >= FewestByteValues;
}

void SortAsNames(QStringList& texts)
{
    QCollator collator(CollationLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(texts.begin(), texts.end(), collator);
}

int CollateNoCase(QByteArrayView a, QByteArrayView b)
{
    return SharedCollation().compare(reinterpret_cast<const unsigned char*>(a.data()), static_cast<int>(a.size()),
                                     reinterpret_cast<const unsigned char*>(b.data()), static_cast<int>(b.size()));
}

QCollatorSortKey NoCaseSortKey(QByteArrayView text)
{
    return SharedCollation().SortKey(QString::fromUtf8(text));
}

QString LibraryVersion()
{
    return QString::fromLatin1(sqlite3_libversion());
}

struct PlainWriter::State
{
    DatabasePtr db;
    std::vector<StatementPtr> statements;
};

PlainWriter::PlainWriter(const QString& path) : m_state(std::make_unique<State>())
{
    QFile::remove(path);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open(QFile::encodeName(QFileInfo(path).absoluteFilePath()).constData(), &raw);
    m_state->db.reset(raw);
    if (rc != SQLITE_OK)
        throw EngineError(rc, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
}

PlainWriter::~PlainWriter() = default;

void PlainWriter::Execute(const QString& sql)
{
    const StatementPtr statement = Engine::Prepare(m_state->db.get(), sql);
    if (sqlite3_step(statement.get()) != SQLITE_DONE)
        ThrowLast(m_state->db.get());
}

int PlainWriter::Prepare(const QString& sql)
{
    m_state->statements.push_back(Engine::Prepare(m_state->db.get(), sql));
    return static_cast<int>(m_state->statements.size()) - 1;
}

void PlainWriter::Insert(int statement, std::initializer_list<QVariant> values)
{
    sqlite3_stmt* prepared = m_state->statements.at(static_cast<size_t>(statement)).get();
    int index = 1;
    for (const QVariant& value : values) {
        if (value.typeId() == QMetaType::QByteArray) {
            const QByteArray text = value.toByteArray();
            sqlite3_bind_text(prepared, index++, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_int(prepared, index++, value.toInt());
        }
    }
    if (sqlite3_step(prepared) != SQLITE_DONE)
        ThrowLast(m_state->db.get());
    sqlite3_reset(prepared);
}

} // namespace Engine
