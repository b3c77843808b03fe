// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "MainWindowFixture.h"
#include "TwoRows.h"

#include "export/frmSendEmail.h"
#include "startup/QtPlatform.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"

// Sending the database through a real child process: a stand-in for xdg-email on PATH
// that records its arguments and exits as told.
class TestSendDatabase : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QtPlatform m_platform;
    QString m_database;

    QString recording() const { return m_dir.filePath("xdg-email.args"); }

private slots:
    void initTestCase()
    {
        Platform::install(&m_platform);
        modEnvironment::SetProgramFolder(m_dir.path());
        const QString stub = m_dir.filePath("bin/xdg-email");
        QVERIFY(TestSupport::writeFile(stub, "#!/bin/sh\n"
                                             "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$RECORDING\"\n"
                                             "if [ -n \"$FAIL_WITH\" ]; then echo 'no mail program' >&2; "
                                             "exit \"$FAIL_WITH\"; fi\n"));
        QFile::setPermissions(stub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("PATH", m_dir.filePath("bin").toUtf8() + ":" + qgetenv("PATH"));
        qputenv("RECORDING", recording().toUtf8());
        m_database = m_dir.filePath("home.mdb");
        QVERIFY(modDatabase::NewDatabase(m_database));
        modSql::ExecuteSql("INSERT INTO Person (Contactnr, Name) VALUES (1, 'Anna')");
    }
    void cleanupTestCase()
    {
        modDatabase::CloseDatabase(false);
        Platform::install(nullptr);
    }

    // OK waits for a recipient, which is kept for the next time.
    void sending_data() { TestSupport::addTwoRows("fails", "sent", "mail program fails"); }
    void sending()
    {
        QFETCH(bool, fails);
        const QString failWith = fails ? "3" : "";
        qputenv("FAIL_WITH", failWith.toUtf8());
        QFile::remove(recording());
        QFile::remove(modError::LogFilePath());
        frmSendEmail window(m_database);
        QCOMPARE(window.cmdOK->isEnabled(), fails);
        QCOMPARE(window.txtFile->text(), m_database);
        // A build without a web site signs with the program's name and version alone.
        const QString body = "Addrion database: home.mdb\n\n---\n" + TestSupport::programTitle();
        QCOMPARE(window.txtDescription->toPlainText(), body);
        window.txtEmail->setText("backup@example.org");
        QVERIFY(window.cmdOK->isEnabled());
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        // One argument a line, as the stand-in records them.
        QCOMPARE(QString::fromUtf8(TestSupport::readFile(recording())),
                 "--subject\nAddrion database: home.mdb\n--body\n" + body + "\n--attach\n" + m_database +
                     "\nbackup@example.org\n");

        // The database is open again, whatever happened, and the recipient is kept.
        QVERIFY(modDatabase::IsDatabaseOpen());
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), m_database);
        QCOMPARE(modSql::OpenRecordset("SELECT * FROM Person").RecordCount(), 1);
        QCOMPARE(TestSupport::readSetting("Email"), QString("backup@example.org"));
        const QString log = QString::fromUtf8(TestSupport::readFile(modError::LogFilePath()));
        if (failWith.isEmpty())
            QVERIFY(log.isEmpty());
        else
            QVERIFY2(log.contains(" - Send e-mail error: 3: no mail program\n"), qPrintable(log));
    }
};

ADDRION_TEST_MAIN(TestSendDatabase)
#include "tst_senddatabase.moc"
