#include "MainWindowFixture.h"

#include "birthdays/HtmlViewer.h"

#include <QAbstractTextDocumentLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextTable>

namespace {

QByteArray Page(const QString& body)
{
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\"\r\n"
            "\"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\r\n"
            "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n<title>Page</title>\r\n"
            "<link href=\"calendar.css\" rel=\"stylesheet\" type=\"text/css\" media=\"all\" />\r\n"
            "</head>\r\n<body>\r\n" +
            body + "\r\n</body>\r\n</html>\r\n")
        .toUtf8();
}

} // namespace

// The viewer on real files: loading, links, refreshing and printing.
class TestHtmlViewer : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<HtmlViewer> m_viewer;

    QString path(const QString& name) const { return m_dir->filePath(name); }

    // The background of the table cell that holds the text.
    QString cellColour(const QString& text) const
    {
        const QTextCursor found = m_viewer->document()->find(text);
        if (found.isNull() || !found.currentTable())
            return QStringLiteral("not in a table");
        return found.currentTable()->cellAt(found).format().background().color().name();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        m_viewer = std::make_unique<HtmlViewer>();
        m_viewer->resize(600, 400);
        m_viewer->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
        QVERIFY(TestSupport::writeFile(path("calendar.css"), "td.day { background-color: #ff8800; }"));
        QVERIFY(TestSupport::writeFile(
            path("202401.htm"),
            Page("<p><a href=\"202402.htm\">February</a> <a href=\"https://example.org/x\">Away</a></p>\r\n"
                 "<table><tr><td class=\"day\">Ärger &amp; Co</td></tr></table>")));
        QVERIFY(TestSupport::writeFile(path("202402.htm"), Page("<p>Second page</p>")));
    }
    void cleanup()
    {
        m_viewer.reset();
        m_platform.reset();
    }

    void navigateLoadsAndAnnounces()
    {
        QSignalSpy loaded(m_viewer.get(), &HtmlViewer::documentLoaded);
        m_viewer->Navigate(path("202401.htm"));
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.at(0).at(0).toUrl(), QUrl::fromLocalFile(path("202401.htm")));
        QCOMPARE(m_viewer->CurrentPath(), path("202401.htm"));
        QVERIFY(m_viewer->toPlainText().contains(QString::fromUtf8("Ärger & Co")));
        // The relative style sheet beside the page is applied.
        QCOMPARE(cellColour("Co"), QString("#ff8800"));
    }

    void missingFileLoadsNothing()
    {
        m_viewer->Navigate(path("202401.htm"));
        QSignalSpy loaded(m_viewer.get(), &HtmlViewer::documentLoaded);
        m_viewer->Navigate(path("199901.htm"));
        QCOMPARE(loaded.size(), 0);
        QCOMPARE(m_viewer->CurrentPath(), path("202401.htm"));
    }

    void plainTextIsShownAsText()
    {
        QVERIFY(TestSupport::writeFile(path("Addrion.txt"), "-----------\r\n<b>Anna</b> & Bob\r\n"));
        QSignalSpy loaded(m_viewer.get(), &HtmlViewer::documentLoaded);
        m_viewer->Navigate(path("Addrion.txt"));
        QCOMPARE(loaded.size(), 1);
        QVERIFY(m_viewer->toPlainText().contains("<b>Anna</b> & Bob"));
    }

    void relativeLinkFollowedInPlace()
    {
        m_viewer->Navigate(path("202401.htm"));
        QSignalSpy loaded(m_viewer.get(), &HtmlViewer::documentLoaded);
        TestSupport::clickLink(m_viewer.get(), "202402.htm");
        QTRY_COMPARE(loaded.size(), 1);
        QCOMPARE(m_viewer->CurrentPath(), path("202402.htm"));
        QVERIFY(m_viewer->toPlainText().contains("Second page"));
        QVERIFY(m_platform->callsOf("url").isEmpty());
    }

    // Whatever does not lead to a page beside the shown one opens in the desktop's own
    // program; the viewer keeps showing its page.
    void otherLinksOpenOutside_data()
    {
        QTest::addColumn<QString>("href");
        QTest::newRow("web") << "https://example.org/x";
        QTest::newRow("system file") << "file:///etc/passwd";
        QTest::newRow("out of the folder") << "../202402.htm";
        QTest::newRow("into a folder below") << "sub/202402.htm";
        QTest::newRow("not a page") << "notes.txt";
    }
    void otherLinksOpenOutside()
    {
        QFETCH(QString, href);
        QVERIFY(TestSupport::writeFile(path("sub/202402.htm"), Page("<p>Below</p>")));
        QVERIFY(TestSupport::writeFile(path("notes.txt"), "not written by the program"));
        QVERIFY(TestSupport::writeFile(path("links.htm"), Page("<p><a href=\"" + href + "\">Link</a></p>")));
        m_viewer->Navigate(path("links.htm"));
        TestSupport::clickLink(m_viewer.get(), href);
        QTRY_COMPARE(m_platform->callsOf("url").size(), 1);
        QCOMPARE(m_platform->callsOf("url").at(0).text,
                 QUrl::fromLocalFile(path("links.htm")).resolved(QUrl(href)).toString());
        QCOMPARE(m_viewer->CurrentPath(), path("links.htm"));
        QVERIFY(m_viewer->toPlainText().contains("Link"));
    }

    void refreshRereadsPageAndStyleSheet()
    {
        m_viewer->Navigate(path("202401.htm"));
        QCOMPARE(cellColour("Co"), QString("#ff8800"));
        QVERIFY(TestSupport::writeFile(path("calendar.css"), "td.day { background-color: #2e6da4; }"));
        QVERIFY(TestSupport::writeFile(path("202401.htm"),
                                       Page("<table><tr><td class=\"day\">Rewritten</td></tr></table>")));
        QSignalSpy loaded(m_viewer.get(), &HtmlViewer::documentLoaded);
        m_viewer->Refresh();
        QCOMPARE(loaded.size(), 1);
        QVERIFY(m_viewer->toPlainText().contains("Rewritten"));
        QCOMPARE(cellColour("Rewritten"), QString("#2e6da4"));
    }

    void refreshKeepsThePlace()
    {
        QString rows;
        for (int i = 0; i < 200; ++i)
            rows += QStringLiteral("<p>Line %1</p>\r\n").arg(i);
        QVERIFY(TestSupport::writeFile(path("long.htm"), Page(rows)));
        m_viewer->Navigate(path("long.htm"));
        QScrollBar* bar = m_viewer->verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        bar->setValue(bar->maximum() / 2);
        const int place = bar->value();
        m_viewer->Refresh();
        QCOMPARE(bar->value(), place);
    }

    void printDialogDecides_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("accepted") << true;
        QTest::newRow("cancelled") << false;
    }
    void printDialogDecides()
    {
        QFETCH(bool, accept);
        m_viewer->Navigate(path("202401.htm"));
        const QString pdf = path("printed.pdf");
        m_viewer->printer()->setOutputFormat(QPrinter::PdfFormat);
        m_viewer->printer()->setOutputFileName(pdf);
        bool dialogSeen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            dialogSeen = dialog != nullptr;
            if (!dialog)
                return;
            if (accept)
                dialog->accept();
            else
                dialog->reject();
        });
        QCOMPARE(m_viewer->Print(), accept);
        QVERIFY(dialogSeen);
        QCOMPARE(QFileInfo::exists(pdf), accept);
        if (accept)
            QVERIFY(TestSupport::readFile(pdf).startsWith("%PDF"));
    }
};

ADDRION_TEST_MAIN(TestHtmlViewer)
#include "tst_htmlviewer.moc"
