// The quick search answers from the names the window keeps in memory; these tests hold
// it to the list query it replaced: the same persons in the same order, the same errors,
// and a fresh read whenever the database changed.
#include "DatabaseFixture.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"
#include "TwoRows.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/modList.h"

#include <QRandomGenerator>

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

// What a search gives, as text: the persons counted and each row, or the engine's error.
template <typename Query> QString Outcome(Query query)
{
    try {
        const modList::ContactList list = query();
        QStringList rows{QString::number(list.numberOfPersons)};
        for (const modList::ContactRow& row : list.rows)
            rows << QString::number(row.contactnr) + QLatin1Char('=') + row.name;
        return rows.join(QStringLiteral(", "));
    } catch (const Engine::EngineError& error) {
        return QStringLiteral("error ") + QString::number(error.number()) + QLatin1Char(' ') + error.description();
    }
}

} // namespace

class TestQuickSearch : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;
    DatabaseFixture m_database;
    modList::PersonNames m_names;

    // The search as the window runs it, and as the list query runs it.
    void Compare(const QString& typed)
    {
        modList::ListQuery query;
        query.quickSearch = typed;
        QCOMPARE(Outcome([&] { return modList::QueryContactList(query, m_names); }),
                 Outcome([&] { return modList::QueryContactList(query); }));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_database.ok());
        QRandomGenerator random(20261207);
        Engine::Connection& connection = modDatabase::DatabaseConnection();
        Engine::Connection::Transaction transaction(connection);
        for (int contactnr = 1; contactnr <= 3000; ++contactnr)
            EngineTest::insertPerson(connection, contactnr, RandomText(random, 0, 24));
        connection.Execute(QStringLiteral("INSERT INTO Person (Contactnr, Name) VALUES (3001, Null)"));
        transaction.Commit();
    }

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
    void changesAreSeen_data() { TestSupport::addTwoRows("otherConnection", "this connection", "another connection"); }
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
        EngineTest::insertPerson(writer, contactnr, QStringLiteral("Qqq Newcomer"));
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
