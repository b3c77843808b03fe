#include "DataRow.h"
#include "TestSupport.h"

#include "startup/CommandLine.h"

using CommandLine::Kind;
using TestSupport::addRow;
Q_DECLARE_METATYPE(CommandLine::Kind)

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void joinsArgumentsWithOneBlank_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("commandLine");
        addRow("none", QStringList{}, QString());
        addRow("one", QStringList{"/Reminder"}, "/Reminder");
        addRow("blanks around", QStringList{"  /Reminder "}, "/Reminder");
        addRow("two arguments", QStringList{"/home/me/My", "Contacts.mdb"}, "/home/me/My Contacts.mdb");
        addRow("inner blanks kept", QStringList{"/Person  12"}, "/Person  12");
        addRow("empty arguments", QStringList{"", ""}, QString());
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
        addRow("empty", "", Kind::Default);
        addRow("blanks only", "   ", Kind::Default);
        addRow("reminder", "/Reminder", Kind::Reminder);
        addRow("reminder with blanks", "  /Reminder  ", Kind::Reminder);
        addRow("reminder lower case is a path", "/reminder", Kind::DatabasePath);
        addRow("reminder with more is a path", "/Reminder x", Kind::DatabasePath);
        addRow("person", "/Person  7", Kind::Person);
        addRow("person one blank", "/Person 7", Kind::Person);
        addRow("personx", "/Personx", Kind::Person);
        addRow("person lower case is a path", "/person  7", Kind::DatabasePath);
        addRow("path", "/home/me/home.mdb", Kind::DatabasePath);
        addRow("quoted path kept", "\"/home/me/home.mdb\"", Kind::DatabasePath);
        addRow("help", "--help", Kind::Help);
        addRow("version", " --version ", Kind::Version);
        addRow("new person", "--new-person", Kind::NewPerson);
        addRow("help with more is a path", "--help me.mdb", Kind::DatabasePath);
        addRow("single dash is a path", "-version", Kind::DatabasePath);
        addRow("card file", "/home/me/Anna Berg.vcf", Kind::CardFile);
        addRow("card file upper case", "CONTACTS.VCF", Kind::CardFile);
        addRow("vcf inside a name is a path", "/home/me/old.vcf.mdb", Kind::DatabasePath);
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
        addRow("two blanks", "/Person  7", "Person  7");
        addRow("trimmed first", "  /Person  12 ", "Person  12");
        addRow("personx", "/Personx", "Personx");
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
