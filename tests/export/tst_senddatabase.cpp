// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "MainWindowFixture.h"
#include "TwoRows.h"

#include "export/frmSendEmail.h"
#include "startup/QtPlatform.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "widgets/FailureDialog.h"

#include <QSignalSpy>

using TestSupport::control;

// Sending the database through a real child process: a stand-in for xdg-email on PATH
// that records its arguments, counts its runs, waits while told to and exits as told.
class TestSendDatabase : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QtPlatform m_platform;
    QString m_database;

    QString recording() const { return m_dir.filePath("xdg-email.args"); }
    QString runs() const { return recording() + ".runs"; }
    // While this file is missing, a stand-in told to wait goes on waiting.
    QString release() const { return m_dir.filePath("xdg-email.release"); }

    // The log is written anew by each case; "" when nothing was logged.
    static QString log() { return QString::fromUtf8(TestSupport::readFile(modError::LogFilePath())); }

private slots:
    void initTestCase()
    {
        Platform::install(&m_platform);
        modEnvironment::SetProgramFolder(m_dir.path());
        const QString stub = m_dir.filePath("bin/xdg-email");
        QVERIFY(TestSupport::writeFile(stub, "#!/bin/sh\n"
                                             "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$RECORDING\"\n"
                                             "echo run >> \"$RECORDING.runs\"\n"
                                             "if [ -n \"$WAIT_FOR\" ]; then "
                                             "while [ ! -e \"$WAIT_FOR\" ]; do sleep 0.02; done; fi\n"
                                             "if [ -n \"$FAIL_WITH\" ]; then echo 'no mail program' >&2; "
                                             "exit \"$FAIL_WITH\"; fi\n"));
        QFile::setPermissions(stub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("PATH", m_dir.filePath("bin").toUtf8() + ":" + qgetenv("PATH"));
        qputenv("RECORDING", recording().toUtf8());
        m_database = m_dir.filePath("home.mdb");
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_database)));
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
        QSignalSpy finished(&window, &QDialog::finished);
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
        // One argument a line, as the stand-in records them.
        QCOMPARE(QString::fromUtf8(TestSupport::readFile(recording())),
                 "--subject\nAddrion database: home.mdb\n--body\n" + body + "\n--attach\n" + m_database +
                     "\nbackup@example.org\n");

        // The database is open again, whatever happened, and the recipient is kept.
        QVERIFY(modDatabase::IsDatabaseOpen());
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), m_database);
        QCOMPARE(modSql::OpenRecordset("SELECT * FROM Person").RecordCount(), 1);
        QCOMPARE(TestSupport::readSetting("Email"), QString("backup@example.org"));
        const QString log = this->log();
        if (failWith.isEmpty())
            QVERIFY(log.isEmpty());
        else
            QVERIFY2(log.contains(" - Send e-mail error: 3: no mail program\n"), qPrintable(log));
    }

    // A stand-in that takes its time: meanwhile the program handles its events and the window
    // offers nothing (neither a second hand-off nor closing); the answer comes when the stand-in
    // ends, when the window has gone already, or when the limit ends a stand-in that never does.
    void waiting_data()
    {
        TestSupport::addColumns<QString, QString>("ending", "logged");
        TestSupport::addRow("answered late", QString("answered"), QString());
        TestSupport::addRow("window gone before the answer", QString("window gone"), QString());
        TestSupport::addRow("never answers", QString("never"),
                            QString(" - Send e-mail error: -1: xdg-email did not answer\n"));
    }
    void waiting()
    {
        auto [ending, logged] = TestSupport::fetch<QString, QString>("ending", "logged");
        qputenv("FAIL_WITH", "");
        qputenv("WAIT_FOR", release().toUtf8());
        for (const QString& path : {recording(), runs(), release(), modError::LogFilePath()})
            QFile::remove(path);
        const bool never = ending == "never";
        // A limit the test can wait for where it is reached; otherwise the program's own.
        m_platform.SetMailTimeLimit(never ? 200 : 60000);
        auto window = std::make_unique<frmSendEmail>(m_database);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->txtEmail->setText("backup@example.org");
        QSignalSpy finished(window.get(), &QDialog::finished);
        QTest::mouseClick(window->cmdOK, Qt::LeftButton);
        QTRY_VERIFY(QFile::exists(recording()));
        if (!never) {
            // The stand-in runs, and the program handles events meanwhile.
            int ticks = 0;
            QTimer ticker;
            connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
            ticker.start(10);
            QTRY_VERIFY(ticks >= 5);
            QVERIFY(!modDatabase::IsDatabaseOpen());
            // Neither a second hand-off nor closing is offered while the answer is awaited.
            QVERIFY(!window->cmdOK->isEnabled() && !window->cmdCancel->isEnabled() && !window->txtEmail->isEnabled());
            QTest::mouseClick(window->cmdOK, Qt::LeftButton);
            QTest::keyClick(window.get(), Qt::Key_Escape);
            QVERIFY(!window->close());
            QVERIFY(window->isVisible());
            QCOMPARE(finished.count(), 0);
        }

        if (ending == "window gone")
            window.reset();
        if (!never)
            QVERIFY(TestSupport::writeFile(release(), ""));
        QTRY_VERIFY_WITH_TIMEOUT(modDatabase::IsDatabaseOpen(), 20000);
        if (window) {
            QTRY_COMPARE(finished.count(), 1);
            QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
            QVERIFY(!window->isVisible());
        }
        // One hand-off, the database open again on the same file, the outcome in the log.
        QCOMPARE(QString::fromUtf8(TestSupport::readFile(runs())), QString("run\n"));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), m_database);
        QCOMPARE(modSql::OpenRecordset("SELECT * FROM Person").RecordCount(), 1);
        const QString log = this->log();
        QVERIFY2(logged.isEmpty() ? log.isEmpty() : log.endsWith(logged), qPrintable(log));
        QVERIFY(TestSupport::writeFile(release(), ""));
        qputenv("WAIT_FOR", "");
        m_platform.SetMailTimeLimit(60000);
    }

    // From the main window's File menu, with the mail program's answer given when the test says:
    // until then the send window stays and the database is closed; then both are as before.
    void fromTheMainWindow_data()
    {
        TestSupport::addColumns<int, QString>("number", "logged");
        TestSupport::addRow("taken", 0, QString());
        TestSupport::addRow("refused", 3, QString(" - Send e-mail error: 3: no mail program\n"));
    }
    void fromTheMainWindow()
    {
        auto [number, logged] = TestSupport::fetch<int, QString>("number", "logged");
        QFile::remove(modError::LogFilePath());
        MainWindowFixture fixture({{}, 8, "dd/mm/yyyy", true, false, {}, false});
        QVERIFY(fixture.exposed());
        fixture.platform().holdMails(true);
        bool waited = false;
        const auto shown = TestSupport::onModal<frmSendEmail>([&](frmSendEmail* window) {
            QTest::keyClicks(window->txtEmail, "backup@example.org");
            QTest::mouseClick(window->cmdOK, Qt::LeftButton);
            QTest::keyClick(window, Qt::Key_Escape);
            waited = window->isVisible() && !modDatabase::IsDatabaseOpen() && fixture.platform().mailsWaiting() == 1;
            fixture.platform().answerMail({number, number == 0 ? QString() : QString("no mail program")});
        });
        control<QAction>(&fixture.window(), "mnuFileEmail")->trigger();
        QVERIFY(*shown);
        QVERIFY(waited);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(fixture.platform().callsOf("mail").size(), 1);
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), fixture.databasePath());
        QCOMPARE(fixture.window().ListRowCount(), MainWindowFixture::names().size());
        const QString log = this->log();
        QVERIFY2(logged.isEmpty() ? log.isEmpty() : log.endsWith(logged), qPrintable(log));
        fixture.close();
        Platform::install(&m_platform);
    }
};

ADDRION_TEST_MAIN(TestSendDatabase)
#include "tst_senddatabase.moc"
