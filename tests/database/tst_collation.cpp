#include "TestSupport.h"

#include "database/Engine.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QTemporaryDir>

// The database's name order decides most pairs by a fast table and the rest by the
// user's collation; whichever decides, the order must be the collation's.
class TestCollation : public QObject
{
    Q_OBJECT

    static QString RandomText(QRandomGenerator& random, const QString& alphabet)
    {
        QString text;
        const int length = random.bounded(1, 8);
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(alphabet.size()));
        return text;
    }

private slots:
    void orderAgreesWithTheCollator_data()
    {
        QTest::addColumn<QString>("alphabet");
        QTest::newRow("ascii") << "aAbBcCzZ 09-'.,&";
        QTest::newRow("latin accents") << QString::fromUtf8("aAeEoOuUzZ àÀéÉèêëÈöÖøØåÅäÄñÑçÇßæÆœŒłŁšŠžŽ'");
        QTest::newRow("combining accents") << QString::fromUtf8("aeoz\u0301\u0300\u0308 -");
        QTest::newRow("scripts") << QString::fromUtf8("aZé ΑαΒβДдЖж李王ÿ'");
    }
    void orderAgreesWithTheCollator()
    {
        QFETCH(QString, alphabet);
        QTemporaryDir dir;
        const QString path = dir.filePath("order.mdb");
        Engine::CreateDatabaseFile(path);
        Engine::Connection connection;
        connection.Open(path);
        connection.Execute("CREATE TABLE Person (Contactnr SMALLINT, [Name] CHAR(100))");
        QRandomGenerator random(1206);
        {
            Engine::Connection::Transaction transaction(connection);
            for (int number = 1; number <= 3000; ++number) {
                QString name = RandomText(random, alphabet);
                name.replace('\'', "''");
                connection.Execute(
                    QString("INSERT INTO Person (Contactnr, Name) VALUES (%1, '%2')").arg(number).arg(name));
            }
            transaction.Commit();
        }
        Engine::Recordset rows = connection.OpenRecordset("SELECT Name FROM Person ORDER BY Name");
        QStringList names;
        for (; !rows.Eof(); rows.MoveNext())
            names << rows.Fields(0).toString();
        QCOMPARE(names.size(), 3000);

        QLocale locale = QLocale::system();
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (int i = 0; i + 1 < names.size(); ++i)
            QVERIFY2(collator.compare(names.at(i), names.at(i + 1)) <= 0,
                     qPrintable(QString("\"%1\" before \"%2\"").arg(names.at(i), names.at(i + 1))));
    }
};

ADDRION_TEST_MAIN(TestCollation)
#include "tst_collation.moc"
