#include "DatabaseFixture.h"
#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "mainwindow/modList.h"

#include <memory>

using modList::ListEntry;

class TestDetails : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;
    std::unique_ptr<DatabaseFixture> m_database;

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
        m_database = std::make_unique<DatabaseFixture>();
        QVERIFY(m_database->ok());
        // The lists are stored last first: they follow [Order], not the order of insertion.
        addPersons({{1,
                     "  Tom & Jerry Smith  ",
                     QDate(1996, 2, 29),
                     {"0471 12 34 56|", "  015 22 33 44  |  Home  ", "+32 2 555 00 00|Office"},
                     {"tom@example.org|", "tom@work.example|Work"},
                     "  Main Street 1\r\n1000 Town  ",
                     "  Likes tea.\r\nNo sugar.  "},
                    {2, "Jerry"},
                    {3, "Blank", {}, {"|Fax"}, {"b@example.org|    "}, "", ""}});
    }
    void cleanupTestCase() { m_database.reset(); }

    void getAge_data()
    {
        QTest::addColumn<QDate>("birth");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("age");
        const QDate today(2023, 6, 15);
        QTest::newRow("birthday today") << QDate(1993, 6, 15) << today << 30;
        QTest::newRow("birthday tomorrow") << QDate(1993, 6, 16) << today << 29;
        QTest::newRow("earlier month") << QDate(1993, 1, 31) << today << 30;
        QTest::newRow("later month, earlier day") << QDate(1993, 7, 1) << today << 29;
        QTest::newRow("later this year") << QDate(2023, 12, 31) << today << 0;
        QTest::newRow("future year") << QDate(2030, 1, 1) << today << 0;
        QTest::newRow("last year, before birthday") << QDate(2022, 12, 31) << today << 0;
        QTest::newRow("last year, after birthday") << QDate(2022, 1, 1) << today << 1;
        QTest::newRow("29 Feb, non-leap, 28 Feb") << QDate(2000, 2, 29) << QDate(2023, 2, 28) << 22;
        QTest::newRow("29 Feb, non-leap, 1 Mar") << QDate(2000, 2, 29) << QDate(2023, 3, 1) << 23;
        QTest::newRow("29 Feb, leap, 28 Feb") << QDate(2000, 2, 29) << QDate(2024, 2, 28) << 23;
        QTest::newRow("29 Feb, leap, 29 Feb") << QDate(2000, 2, 29) << QDate(2024, 2, 29) << 24;
        QTest::newRow("born 1 Mar, leap, 29 Feb") << QDate(2000, 3, 1) << QDate(2024, 2, 29) << 23;
    }
    void getAge()
    {
        QFETCH(QDate, birth);
        QFETCH(QDate, today);
        QTEST(modList::GetAge(birth, today), "age");
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

    // The caption of another language turns back into English.
    void ageCaptions()
    {
        QCOMPARE(modList::RetranslateAgeCaption("Alter: 30"), QStringLiteral("Age: 30"));
        QCOMPARE(modList::RetranslateAgeCaption("Edad:  7"), QStringLiteral("Age:  7"));
    }

    void loadPerson_data()
    {
        QTest::addColumn<int>("contactnr");
        QTest::addColumn<QStringList>("details");
        TestSupport::addRow(
            "everything, trimmed, lists in stored order", 1,
            QStringList{"1", "Tom & Jerry Smith", "Tom && Jerry Smith", "1996-02-29", "Main Street 1\r\n1000 Town",
                        "Likes tea.\r\nNo sugar.", "phone 0471 12 34 56=0471 12 34 56",
                        "phone 015 22 33 44 (Home)=015 22 33 44", "phone +32 2 555 00 00 (Office)=+32 2 555 00 00",
                        "email tom@example.org=tom@example.org", "email tom@work.example (Work)=tom@work.example"});
        QTest::newRow("name only") << 2 << QStringList{"2", "Jerry", "Jerry", "-", "", ""};
        TestSupport::addRow(
            "empty texts, numberless entry, blank description", 3,
            QStringList{"3", "Blank", "Blank", "-", "", "", "phone (Fax)=", "email b@example.org=b@example.org"});
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
