#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/modList.h"
#include "startup/modSettings.h"

#include <memory>

using modList::ListEntry;

class TestDetails : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    static void Run(const QString& sql) { modSql::ExecuteSql(sql); }

    static void AddPhone(int contactnr, int order, const QString& number, const QString& description)
    {
        Run(QString("INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (%1, %2, '%3', '%4')")
                .arg(contactnr)
                .arg(order)
                .arg(modSql::QuoteSql(number), modSql::QuoteSql(description)));
    }
    static void AddEmail(int contactnr, int order, const QString& email, const QString& description)
    {
        Run(QString("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (%1, %2, '%3', '%4')")
                .arg(contactnr)
                .arg(order)
                .arg(modSql::QuoteSql(email), modSql::QuoteSql(description)));
    }

    // Number, name, caption, date, address and note, then "text=tag" of each number and address.
    static QStringList describe(const std::optional<modList::PersonDetails>& person)
    {
        if (!person)
            return {"<none>"};
        QStringList result{QString::number(person->contactnr),
                           person->name,
                           person->caption,
                           person->dateOfBirth ? person->dateOfBirth->toString(Qt::ISODate) : "-",
                           person->address,
                           person->note};
        for (const ListEntry& entry : person->phones)
            result << "phone " + entry.text + "=" + entry.tag;
        for (const ListEntry& entry : person->emails)
            result << "email " + entry.text + "=" + entry.tag;
        return result;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(modDatabase::NewDatabase(m_dir.filePath("details.mdb")));

        Run("INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) VALUES "
            "(1, '  Tom & Jerry Smith  ', #2/29/1996#, '  Main Street 1\r\n1000 Town  ', '  Likes tea.\r\nNo sugar.  "
            "')");
        // Stored out of order: the lists follow [Order], not the order of insertion.
        AddPhone(1, 3, "+32 2 555 00 00", "Office");
        AddPhone(1, 1, "0471 12 34 56", "");
        AddPhone(1, 2, "  015 22 33 44  ", "  Home  ");
        AddEmail(1, 2, "tom@work.example", "Work");
        AddEmail(1, 1, "tom@example.org", "");
        Run("INSERT INTO Person (Contactnr, Name) VALUES (2, 'Jerry')");
        Run("INSERT INTO Person (Contactnr, Name, Address, [Note]) VALUES (3, 'Blank', '', '')");
        AddPhone(3, 1, "", "Fax");
    }
    void cleanupTestCase()
    {
        modDatabase::CloseDatabase(false);
        m_platform.reset();
    }

    void getAge_data()
    {
        QTest::addColumn<QDate>("birth");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("age");
        const QDate today(2023, 6, 15);
        QTest::newRow("birthday today") << QDate(1993, 6, 15) << today << 30;
        QTest::newRow("birthday tomorrow") << QDate(1993, 6, 16) << today << 29;
        QTest::newRow("birthday yesterday") << QDate(1993, 6, 14) << today << 30;
        QTest::newRow("earlier month") << QDate(1993, 1, 31) << today << 30;
        QTest::newRow("later month, earlier day") << QDate(1993, 7, 1) << today << 29;
        QTest::newRow("earlier this year") << QDate(2023, 1, 1) << today << 0;
        QTest::newRow("later this year") << QDate(2023, 12, 31) << today << 0;
        QTest::newRow("future year") << QDate(2030, 1, 1) << today << 0;
        QTest::newRow("last year, before birthday") << QDate(2022, 12, 31) << today << 0;
        QTest::newRow("last year, after birthday") << QDate(2022, 1, 1) << today << 1;
        QTest::newRow("29 Feb, non-leap, 28 Feb") << QDate(2000, 2, 29) << QDate(2023, 2, 28) << 22;
        QTest::newRow("29 Feb, non-leap, 1 Mar") << QDate(2000, 2, 29) << QDate(2023, 3, 1) << 23;
        QTest::newRow("29 Feb, leap, 28 Feb") << QDate(2000, 2, 29) << QDate(2024, 2, 28) << 23;
        QTest::newRow("29 Feb, leap, 29 Feb") << QDate(2000, 2, 29) << QDate(2024, 2, 29) << 24;
        QTest::newRow("born 1 Mar, leap, 29 Feb") << QDate(2000, 3, 1) << QDate(2024, 2, 29) << 23;
        QTest::newRow("old") << QDate(1900, 1, 1) << today << 123;
    }
    void getAge()
    {
        QFETCH(QDate, birth);
        QFETCH(QDate, today);
        QTEST(modList::GetAge(birth, today), "age");
    }

    void getAgeUsesTheClock()
    {
        const QDate today = QDate::currentDate();
        QCOMPARE(modList::GetAge(today.addYears(-30)), 30);
        QCOMPARE(modList::GetAge(today.addYears(1)), 0);
    }

    void formatDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        const QDate date(2024, 3, 5);
        TestSupport::addRow("day first", date, "dd/mm/yyyy", "05/03/2024");
        TestSupport::addRow("month first", date, "mm/dd/yyyy", "03/05/2024");
        TestSupport::addRow("year first", date, "yyyy/mm/dd", "2024/03/05");
        TestSupport::addRow("two-digit parts", QDate(1999, 12, 31), "dd/mm/yyyy", "31/12/1999");
        TestSupport::addRow("short year padded", QDate(987, 1, 2), "yyyy/mm/dd", "0987/01/02");
        TestSupport::addRow("other separator", date, "dd-mm-yyyy", "");
        TestSupport::addRow("capitals", date, "DD/MM/YYYY", "");
        TestSupport::addRow("empty format", date, "", "");
    }
    void formatDate()
    {
        QFETCH(QDate, date);
        QFETCH(QString, format);
        QTEST(modList::FormatDate(date, format), "text");
    }

    void dateOfBirthTextFollowsTheSetting()
    {
        const QDate date(1996, 2, 29);
        modSettings::WriteSetting("Date", "mm/dd/yyyy");
        QCOMPARE(modList::DateOfBirthText(date), QStringLiteral("02/29/1996"));
        modSettings::WriteSetting("Date", "yyyy/mm/dd");
        QCOMPARE(modList::DateOfBirthText(date), QStringLiteral("1996/02/29"));
        modSettings::WriteSetting("Date", "nonsense");
        QCOMPARE(modList::DateOfBirthText(date), QString());
    }

    void ageCaptions()
    {
        QCOMPARE(modList::AgeCaption(30), QStringLiteral("Age: 30"));
        QCOMPARE(modList::RetranslateAgeCaption("Alter: 30"), QStringLiteral("Age: 30"));
        QCOMPARE(modList::RetranslateAgeCaption("Edad:  7"), QStringLiteral("Age:  7"));
    }

    void listEntry_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tag");
        TestSupport::addRow("no description", "0471 12 34 56", "", "0471 12 34 56", "0471 12 34 56");
        TestSupport::addRow("blank description", "0471", "    ", "0471", "0471");
        TestSupport::addRow("description", "0471", "Mobile", "0471 (Mobile)", "0471");
        TestSupport::addRow("padded", "  0471  ", "  Mobile  ", "0471 (Mobile)", "0471");
        TestSupport::addRow("e-mail", "ann@example.org", "Work", "ann@example.org (Work)", "ann@example.org");
        TestSupport::addRow("description only", "", "Fax", "(Fax)", "");
    }
    void listEntry()
    {
        QFETCH(QString, value);
        QFETCH(QString, description);
        QFETCH(QString, text);
        QFETCH(QString, tag);
        const ListEntry entry = modList::MakeListEntry(value, description);
        QCOMPARE(entry.text, text);
        QCOMPARE(entry.tag, tag);
    }

    void loadPerson_data()
    {
        QTest::addColumn<int>("contactnr");
        QTest::addColumn<QStringList>("details");
        TestSupport::addRow(
            "everything, lists in stored order", 1,
            QStringList{"1", "Tom & Jerry Smith", "Tom && Jerry Smith", "1996-02-29", "Main Street 1\r\n1000 Town",
                        "Likes tea.\r\nNo sugar.", "phone 0471 12 34 56=0471 12 34 56",
                        "phone 015 22 33 44 (Home)=015 22 33 44", "phone +32 2 555 00 00 (Office)=+32 2 555 00 00",
                        "email tom@example.org=tom@example.org", "email tom@work.example (Work)=tom@work.example"});
        QTest::newRow("name only") << 2 << QStringList{"2", "Jerry", "Jerry", "-", "", ""};
        TestSupport::addRow("empty texts, numberless entry", 3,
                            QStringList{"3", "Blank", "Blank", "-", "", "", "phone (Fax)="});
        QTest::newRow("missing") << 99 << QStringList{"<none>"};
        QTest::newRow("negative number") << -1 << QStringList{"<none>"};
    }
    void loadPerson()
    {
        QFETCH(int, contactnr);
        QTEST(describe(modList::LoadPerson(static_cast<qint16>(contactnr))), "details");
    }
};

ADDRION_TEST_MAIN(TestDetails)
#include "tst_details.moc"
