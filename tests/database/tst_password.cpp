#include "DatabaseFixture.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modPassword.h"
#include "database/modSql.h"
#include "mainwindow/frmPassword.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// Two persons, one with a phone, written into a protected file.
const QString kContent = "INSERT INTO Person (Contactnr, Name) VALUES (1, 'Anna Secret');\n"
                         "INSERT INTO Person (Contactnr, Name) VALUES (2, 'Bob Hidden');\n"
                         "INSERT INTO Phone VALUES (1, 1, '555', 'home');\n";

int CountLogLines(const QString& text)
{
    return QString::fromUtf8(TestSupport::readFile(modError::LogFilePath())).count(text);
}

// One answer for each time the password window appears: a password to type and OK,
// or "" for Cancel.
class PasswordAnswers : public QObject
{
public:
    explicit PasswordAnswers(QStringList answers) : m_answers(std::move(answers))
    {
        connect(&m_poll, &QTimer::timeout, this, &PasswordAnswers::answer);
        m_poll.start(5);
    }
    int asked() const { return m_asked; }
    QStringList files() const { return m_files; }
    bool okWasDisabledUntilTyped() const { return m_okDisabledUntilTyped; }

private:
    void answer()
    {
        auto* window = qobject_cast<frmPassword*>(QApplication::activeModalWidget());
        if (!window || window->property("answered").toBool())
            return;
        window->setProperty("answered", true);
        ++m_asked;
        m_files << window->txtFile->text();
        const QString answer = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        if (answer.isEmpty()) {
            QTest::mouseClick(window->cmdCancel, Qt::LeftButton);
            return;
        }
        if (window->cmdOK->isEnabled())
            m_okDisabledUntilTyped = false;
        QTest::keyClicks(window->txtPassword, answer);
        QTest::mouseClick(window->cmdOK, Qt::LeftButton);
    }

    QStringList m_answers;
    QTimer m_poll;
    int m_asked = 0;
    QStringList m_files;
    bool m_okDisabledUntilTyped = true;
};

} // namespace

// Password-protected files made by the real cipher program, opened through the real
// password window.
class TestPassword : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    QString file(const QString& name) const { return m_dir->filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(modPassword::CipherProgramName).isEmpty(),
                 "the sqlcipher program is needed (Debian package sqlcipher)");
        InstallPasswordHandler();
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        QVERIFY2(m_platform->scriptDone(), "a scripted answer was not used");
        m_platform.reset();
    }

    void okButtonAndEscape()
    {
        frmPassword window("/data/home.mdb");
        window.show();
        QCOMPARE(window.txtFile->text(), QString("/data/home.mdb"));
        QVERIFY(window.txtFile->isReadOnly());
        QCOMPARE(window.txtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(
            window.txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, window.txtPassword),
            int('*'));
        QVERIFY(!window.cmdOK->isEnabled());
        QTest::keyClick(window.txtPassword, Qt::Key_S);
        QVERIFY(window.cmdOK->isEnabled());
        QTest::keyClick(window.txtPassword, Qt::Key_Backspace);
        QVERIFY(!window.cmdOK->isEnabled());
        QTest::keyClicks(window.txtPassword, "pw");
        QTest::keyClick(window.txtPassword, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.DatabasePassword(), QString());
    }

    void protectedFile_data()
    {
        // the file lies where its copy is written
        TestSupport::addColumns<QString, bool, QStringList, bool, int>("password", "inTempFolder", "answers", "valid",
                                                                       "wrongMessages");
        QTest::newRow("right password") << "secret" << false << QStringList{"secret"} << true << 0;
        QTest::newRow("apostrophe and blanks")
            << "it's a  secret" << false << QStringList{"it's a  secret"} << true << 0;
        QTest::newRow("file in the TEMP folder") << "secret" << true << QStringList{"secret"} << true << 0;
        QTest::newRow("cancel") << "secret" << false << QStringList{""} << false << 0;
        QTest::newRow("wrong, then cancel") << "secret" << false << QStringList{"wrong", ""} << false << 1;
        QTest::newRow("wrong, then right") << "secret" << false << QStringList{"wrong", "secret"} << true << 1;
    }
    void protectedFile()
    {
        auto [password, inTempFolder, answers, valid, wrongMessages] =
            TestSupport::fetch<QString, bool, QStringList, bool, int>("password", "inTempFolder", "answers", "valid",
                                                                      "wrongMessages");
        const QString path =
            inTempFolder ? modEnvironment::TempFolder() + "protected-home.mdb" : file("protected-home.mdb");
        QFile::remove(path);
        QVERIFY(EngineTest::makeProtectedFile(path, password, kContent));
        const QByteArray protectedBytes = TestSupport::readFile(path);
        const int logLines = CountLogLines("Error removing password: ");
        for (int i = 0; i < wrongMessages; ++i)
            m_platform->expectMessage();

        PasswordAnswers answering(answers);
        QCOMPARE(modDatabase::IsValidDatabase(path), valid);
        QCOMPARE(answering.asked(), answers.size());
        QVERIFY(answering.okWasDisabledUntilTyped());
        QCOMPARE(answering.files().first(), path);

        QCOMPARE(m_platform->messages().size(), wrongMessages);
        QCOMPARE(CountLogLines("Error removing password: "), logLines + wrongMessages);
        if (wrongMessages) {
            const auto message = m_platform->messages().first();
            QCOMPARE(message.title, QString("Error"));
            QCOMPARE(message.icon, Platform::Icon::Exclamation);
            QCOMPARE(message.text,
                     "Error " + QString::number(Engine::PasswordProtectedError) + ": Not a valid password.");
        }
        // No unprotected copy stays behind in the TEMP folder.
        QVERIFY(!QFile::exists(modEnvironment::TempFolder() + "protected-home.mdb") || inTempFolder);
        QVERIFY(!QFile::exists(modEnvironment::TempFolder() + "Unprotected_protected-home.mdb"));

        if (!valid) {
            QCOMPARE(TestSupport::readFile(path), protectedBytes);
            QVERIFY(!modDatabase::IsDatabaseOpen());
            if (inTempFolder)
                QFile::remove(path);
            return;
        }
        QVERIFY(!Engine::IsEncryptedDatabaseFile(path));
        Engine::Connection connection;
        connection.Open(path);
        QCOMPARE(EngineTest::firstColumn(connection, "SELECT Name FROM Person ORDER BY Contactnr"),
                 (QStringList{"Anna Secret", "Bob Hidden"}));
        // From now on the file opens without a question.
        PasswordAnswers none({});
        QVERIFY(modDatabase::IsValidDatabase(path));
        QVERIFY(modDatabase::OpenDatabase(path));
        QCOMPARE(modSql::OpenRecordset("SELECT * FROM Phone").RecordCount(), 1);
        QCOMPARE(none.asked(), 0);
        if (inTempFolder) {
            modDatabase::CloseDatabase(false);
            QFile::remove(path);
        }
    }

    // Files that only look like protected ones at first sight get the plain answer, and
    // no password question.
    void notAProtectedFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("4096 zero bytes") << QByteArray(4096, '\0');
        QTest::newRow("1024 blanks") << QByteArray(1024, ' ');
        QTest::newRow("text of whole kilobytes") << QByteArray("Name;Phone\r\nAnna;0123\r\n").repeated(128).left(2048);
    }
    void notAProtectedFile()
    {
        QFETCH(QByteArray, contents);
        const QString path = file("looks-protected.mdb");
        QVERIFY(TestSupport::writeFile(path, contents));
        m_platform->expectMessage();
        PasswordAnswers answering({"secret", ""});
        QVERIFY(!modDatabase::IsValidDatabase(path));
        QCOMPARE(answering.asked(), 0);
        QCOMPARE(m_platform->messages().size(), 1);
        QCOMPARE(m_platform->messages().constFirst().text, "This is not a valid Addrion database:\n" + path);
        QCOMPARE(TestSupport::readFile(path), contents);
    }

    void missingCipherProgram()
    {
        const QString path = file("protected.mdb");
        QVERIFY(EngineTest::makeProtectedFile(path, "secret", kContent));
        const QByteArray protectedBytes = TestSupport::readFile(path);
        const QByteArray savedPath = qgetenv("PATH");
        QTemporaryDir emptyFolder;
        qputenv("PATH", emptyFolder.path().toUtf8());
        // The missing-components report, once; no password is asked for, since none
        // could be used.
        m_platform->expectMessage(Platform::Answer::Ok);
        PasswordAnswers answering({"secret", "secret", ""});
        const bool valid = modDatabase::IsValidDatabase(path);
        qputenv("PATH", savedPath);
        QVERIFY(!valid);
        QCOMPARE(answering.asked(), 0);
        QCOMPARE(m_platform->messages().size(), 1);
        const QString text = m_platform->messages().first().text;
        QVERIFY2(text.startsWith("The sqlcipher program (Debian package sqlcipher) is missing!"), qPrintable(text));
        QVERIFY(text.contains("MdacError: "));
        QCOMPARE(TestSupport::readFile(path), protectedBytes);
    }
};

ADDRION_TEST_MAIN(TestPassword)
#include "tst_password.moc"
