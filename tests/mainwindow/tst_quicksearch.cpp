// The quick search answers from the names the window keeps in memory; these tests hold
// it to the list query it replaced: the same persons in the same order, the same errors,
// and a fresh read whenever the database changed.
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/modList.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <optional>

namespace {

// Letters of several scripts, with the accented Latin forms the search folds, and the
// characters a pattern treats specially.
const QString kLetters = QString::fromUtf8("aAàÀáâäåeéèëEÉiïíoöøÖuüÜnñÑcçyÿbdkrsßzZ"
                                           "αβΓδΑάΩ"
                                           "жЖдёЁ"
                                           "李王"
                                           "محمد"
                                           "'[]_%!-&");

QString RandomText(QRandomGenerator& random, int minLength, int maxLength)
{
    QString text;
    const int length = random.bounded(minLength, maxLength + 1);
    for (int i = 0; i < length; ++i)
        text += random.bounded(6) == 0 ? QChar(' ') : kLetters.at(random.bounded(kLetters.size()));
    return text;
}

struct Outcome
{
    std::vector<std::pair<qint16, QString>> rows;
    int persons = 0;
    std::optional<QString> error;
    bool operator==(const Outcome& other) const
    {
        return rows == other.rows && persons == other.persons && error == other.error;
    }
};

template <typename Query> Outcome Run(Query query)
{
    Outcome outcome;
    try {
        const modList::ContactList list = query();
        for (const modList::ContactRow& row : list.rows)
            outcome.rows.emplace_back(row.contactnr, row.name);
        outcome.persons = list.numberOfPersons;
    } catch (const Engine::EngineError& error) {
        outcome.error = QString::number(error.number()) + QLatin1Char(' ') + error.description();
    }
    return outcome;
}

QString Describe(const Outcome& outcome)
{
    if (outcome.error)
        return QStringLiteral("error ") + *outcome.error;
    QStringList names;
    for (const auto& row : outcome.rows)
        names << QString::number(row.first) + QLatin1Char('=') + row.second;
    return QString::number(outcome.persons) + QStringLiteral(": ") + names.join(QStringLiteral(", "));
}

} // namespace

class TestQuickSearch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPlatform m_platform;
    modList::PersonNames m_names;

    static void Insert(Engine::Connection& connection, int contactnr, const QString& name)
    {
        connection.Execute(QStringLiteral("INSERT INTO Person (Contactnr, Name) VALUES (%1, '%2')")
                               .arg(contactnr)
                               .arg(modSql::QuoteSql(name)));
    }

    // The search as the window runs it, and as the list query runs it.
    void Compare(const QString& typed)
    {
        modList::ListQuery query;
        query.quickSearch = typed;
        const Outcome fromQuery = Run([&] { return modList::QueryContactList(query); });
        const Outcome fromMemory = Run([&] { return modList::QueryContactList(query, m_names); });
        QVERIFY2(fromMemory == fromQuery, qPrintable(QStringLiteral("typed \"%1\"\n memory: %2\n query:  %3")
                                                         .arg(typed, Describe(fromMemory), Describe(fromQuery))));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(QStringLiteral("names.mdb"));
        QVERIFY(modDatabase::NewDatabase(path));
        QRandomGenerator random(20261207);
        Engine::Connection& connection = modDatabase::DatabaseConnection();
        Engine::Connection::Transaction transaction(connection);
        for (int contactnr = 1; contactnr <= 3000; ++contactnr)
            Insert(connection, contactnr, RandomText(random, 0, 24));
        connection.Execute(QStringLiteral("INSERT INTO Person (Contactnr, Name) VALUES (3001, Null)"));
        transaction.Commit();
    }
    void cleanupTestCase() { modDatabase::CloseDatabase(false); }

    void sameAsTheQuery_data()
    {
        QTest::addColumn<QString>("typed");
        for (const char* typed :
             {"",    "a",     "an", "AN", "e o", "é",  "ß",  "ñ",    "'", "o'", "[", "[a", "a]",    "[!a]",
              "[a-", "[z-a]", "_",  "%",  "a_b", "  ", " a", "a  b", "Ж", "李", "م", "α",  "zzzzzz"})
            QTest::newRow(typed) << QString::fromUtf8(typed);
        QRandomGenerator random(7);
        for (int i = 0; i < 400; ++i)
            QTest::addRow("random %d", i) << RandomText(random, 1, 6);
    }
    void sameAsTheQuery()
    {
        QFETCH(QString, typed);
        Compare(typed);
    }

    // A change by this program or by another connection to the file (another process
    // alike) is seen at the next key stroke.
    void changesAreSeen_data()
    {
        QTest::addColumn<bool>("otherConnection");
        QTest::newRow("this connection") << false;
        QTest::newRow("another connection") << true;
    }
    void changesAreSeen()
    {
        QFETCH(bool, otherConnection);
        const QString typed = QStringLiteral("qqq");
        Compare(typed);
        Engine::Connection other;
        if (otherConnection)
            other.Open(modDatabase::DatabaseConnection().DataSource());
        Engine::Connection& writer = otherConnection ? other : modDatabase::DatabaseConnection();
        const int contactnr = otherConnection ? 3101 : 3100;
        Insert(writer, contactnr, QStringLiteral("Qqq Newcomer"));
        Compare(typed);
        modList::ListQuery query;
        query.quickSearch = typed;
        const std::vector<modList::ContactRow> rows = modList::QueryContactList(query, m_names).rows;
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows.front().contactnr, qint16(contactnr));
        writer.Execute(QStringLiteral("DELETE FROM Person WHERE Contactnr = %1").arg(contactnr));
        Compare(typed);
        QVERIFY(modList::QueryContactList(query, m_names).rows.empty());
    }
};

QTEST_MAIN(TestQuickSearch)
#include "tst_quicksearch.moc"
