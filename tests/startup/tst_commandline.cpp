#include "TestSupport.h"

#include "startup/CommandLine.h"

using CommandLine::Kind;
Q_DECLARE_METATYPE(CommandLine::Kind)

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void joinsArgumentsWithOneBlank_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("none") << QStringList{} << QString();
        QTest::newRow("one") << QStringList{"/Reminder"} << "/Reminder";
        QTest::newRow("blanks around") << QStringList{"  /Reminder "} << "/Reminder";
        QTest::newRow("two arguments") << QStringList{"/home/me/My", "Contacts.mdb"} << "/home/me/My Contacts.mdb";
        QTest::newRow("inner blanks kept") << QStringList{"/Person  12"} << "/Person  12";
        QTest::newRow("empty arguments") << QStringList{"", ""} << QString();
    }
    void joinsArgumentsWithOneBlank()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, commandLine);
        QCOMPARE(CommandLine::FromArguments(arguments), commandLine);
    }

    void classifies_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<Kind>("kind");
        QTest::newRow("empty") << "" << Kind::Default;
        QTest::newRow("blanks only") << "   " << Kind::Default;
        QTest::newRow("reminder") << "/Reminder" << Kind::Reminder;
        QTest::newRow("reminder with blanks") << "  /Reminder  " << Kind::Reminder;
        QTest::newRow("reminder lower case is a path") << "/reminder" << Kind::DatabasePath;
        QTest::newRow("reminder with more is a path") << "/Reminder x" << Kind::DatabasePath;
        QTest::newRow("person") << "/Person  7" << Kind::Person;
        QTest::newRow("person one blank") << "/Person 7" << Kind::Person;
        QTest::newRow("personx") << "/Personx" << Kind::Person;
        QTest::newRow("person lower case is a path") << "/person  7" << Kind::DatabasePath;
        QTest::newRow("path") << "/home/me/home.mdb" << Kind::DatabasePath;
        QTest::newRow("quoted path kept") << "\"/home/me/home.mdb\"" << Kind::DatabasePath;
        QTest::newRow("help") << "--help" << Kind::Help;
        QTest::newRow("version") << " --version " << Kind::Version;
        QTest::newRow("new person") << "--new-person" << Kind::NewPerson;
        QTest::newRow("help with more is a path") << "--help me.mdb" << Kind::DatabasePath;
        QTest::newRow("single dash is a path") << "-version" << Kind::DatabasePath;
        QTest::newRow("card file") << "/home/me/Anna Berg.vcf" << Kind::CardFile;
        QTest::newRow("card file upper case") << "CONTACTS.VCF" << Kind::CardFile;
        QTest::newRow("vcf inside a name is a path") << "/home/me/old.vcf.mdb" << Kind::DatabasePath;
    }
    void classifies()
    {
        QFETCH(QString, commandLine);
        QFETCH(Kind, kind);
        QCOMPARE(CommandLine::Classify(commandLine), kind);
    }

    void personKeyDropsTheSlash_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("key");
        QTest::newRow("two blanks") << "/Person  7"
                                    << "Person  7";
        QTest::newRow("trimmed first") << "  /Person  12 "
                                       << "Person  12";
        QTest::newRow("personx") << "/Personx"
                                 << "Personx";
    }
    void personKeyDropsTheSlash()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, key);
        QCOMPARE(CommandLine::PersonKey(commandLine), key);
    }
};

ADDRION_TEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
