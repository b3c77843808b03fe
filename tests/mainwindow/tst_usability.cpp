// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "MainWindowTest.h"

#include "birthdays/frmReminder.h"
#include "editor/frmContact.h"
#include "export/frmEmail.h"
#include "export/frmExport.h"
#include "export/frmLabels.h"
#include "interchange/frmCsvMapping.h"
#include "interchange/frmDuplicates.h"
#include "language/ContentDirection.h"
#include "language/LanguageAware.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "sync/frmSync.h"
#include "widgets/ToolbarIcon.h"
#include "widgets/WidgetRules.h"

#include <QContextMenuEvent>
#include <QMenuBar>
#include <QPainter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

using TestSupport::control;

// Keys, popups, menus and a layout that holds its texts, in several languages and font sizes.
class TestUsability : public QObject, MainWindowTest
{
    Q_OBJECT

    QList<QPushButton*> firstSteps() const
    {
        return {control<QPushButton>(w(), "cmdFirstAdd"), control<QPushButton>(w(), "cmdFirstImport"),
                control<QPushButton>(w(), "cmdFirstConnect")};
    }

    // How many first steps the panel offers; the panel itself hides while a person is shown.
    int firstStepsOffered() const
    {
        const QList<QPushButton*> buttons = firstSteps();
        return int(std::count_if(buttons.begin(), buttons.end(), [](QPushButton* b) { return !b->isHidden(); }));
    }

    // The first steps sit whole in their panel, one below the other; the panel clear of the rest.
    void verifyFirstStepsFit()
    {
        const QGroupBox* panel = control<QGroupBox>(w(), "fraInfo");
        QVERIFY(panel->isVisible());
        QRect previous;
        for (const QPushButton* button : firstSteps()) {
            const QString name = button->text();
            QVERIFY2(button->isVisible(), qPrintable(name + " hidden"));
            QVERIFY2(panel->rect().contains(button->geometry()), qPrintable(name + " beyond the panel"));
            QVERIFY2(button->y() >= panel->contentsMargins().top(), qPrintable(name + " under the title"));
            QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(name + " cut"));
            QVERIFY2(button->height() >= button->sizeHint().height(), qPrintable(name + " too low"));
            QVERIFY2(!button->geometry().intersects(previous), qPrintable(name + " on the one above"));
            previous = button->geometry();
        }
        const QRect geometry = panel->geometry();
        QVERIFY(control<QGroupBox>(w(), "fraDetails")->geometry().contains(geometry));
        QVERIFY(!geometry.intersects(control<QLabel>(w(), "imgLogo")->geometry()));
        QVERIFY(!geometry.intersects(control<QGroupBox>(w(), "fraList")->geometry()));
        QVERIFY(geometry.bottom() < control<QStatusBar>(w(), "staMain")->geometry().top());
    }

    // English ("") and every language file of the program.
    static QStringList languages()
    {
        QStringList names{""};
        const QDir folder(TestSupport::sourceDir() + "/resources/Language");
        for (const QString& file : folder.entryList({"*.ini"}, QDir::Files, QDir::Name))
            names << file.chopped(4);
        return names;
    }

    // Each language ("" for English) at both font sizes.
    static void addLanguageRows(const QStringList& languages)
    {
        TestSupport::addColumns<QString, int>("language", "fontSize");
        for (const QString& language : languages)
            for (const int size : {8, 10})
                QTest::addRow("%s %d", language.isEmpty() ? "English" : qPrintable(language), size) << language << size;
    }

    // Made as small as it goes, the window keeps a size at which its layout still holds.
    void shrink()
    {
        w()->resize(120, 90);
        QTRY_VERIFY(w()->centralWidget()->height() >= w()->centralWidget()->minimumHeight());
        QVERIFY(w()->width() > 120 && w()->height() > 90);
        QTRY_COMPARE(control<QToolBar>(w(), "tlbMain")->width(), w()->centralWidget()->width());
    }

    // The access key of a menu text, lower case; a null character when it has none.
    static QChar accessKey(const QString& text)
    {
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text.at(i) != '&')
                continue;
            if (text.at(i + 1) != '&')
                return text.at(i + 1).toLower();
            ++i;
        }
        return {};
    }

    // Every visible entry of every menu under owner has an access key of its own.
    static QStringList accessKeyFaults(const QWidget* owner, const QMenu* skipped)
    {
        QStringList faults;
        QList<const QWidget*> menus{owner->findChild<QMenuBar*>()};
        for (const QMenu* menu : owner->findChildren<QMenu*>())
            if (menu != skipped)
                menus << menu;
        for (const QWidget* menu : menus) {
            if (!menu)
                continue;
            QHash<QChar, QString> taken;
            for (const QAction* action : menu->actions()) {
                if (action->isSeparator() || !action->isVisible())
                    continue;
                const QChar key = accessKey(action->text());
                if (key.isNull())
                    faults << menu->objectName() + ": no key in " + action->text();
                else if (taken.contains(key))
                    faults << menu->objectName() + ": " + taken.value(key) + " and " + action->text();
                taken.insert(key, action->text());
            }
        }
        return faults;
    }

    // Nothing overlaps and nothing is cut.
    void verifyLayoutHolds()
    {
        const QToolBar* bar = control<QToolBar>(w(), "tlbMain");
        const QRect toolbar = bar->geometry();
        for (QAction* action : bar->actions()) {
            const QWidget* button = bar->widgetForAction(action);
            QVERIFY2(bar->rect().contains(button->geometry()), qPrintable(action->text() + " cut"));
            QVERIFY2(button->height() >= button->sizeHint().height(), qPrintable(action->text() + " too low"));
        }
        const int statusTop = control<QStatusBar>(w(), "staMain")->geometry().top();
        for (QGroupBox* frame : {control<QGroupBox>(w(), "fraQuickSearch"), control<QGroupBox>(w(), "fraList"),
                                 control<QGroupBox>(w(), "fraDetails"), control<QGroupBox>(w(), "fraInfo")})
            QVERIFY2(frame->geometry().top() > toolbar.bottom(), qPrintable(frame->objectName()));
        for (QGroupBox* frame : {control<QGroupBox>(w(), "fraList"), control<QGroupBox>(w(), "fraDetails"),
                                 control<QGroupBox>(w(), "fraNote")})
            QVERIFY2(frame->geometry().bottom() < statusTop, qPrintable(frame->objectName() + " on the status bar"));

        // Controls start below their frame's title and end inside it.
        const QWidgetList held{control<QLineEdit>(w(), "txtQuickSearch"),  control<QTreeView>(w(), "lvwMain"),
                               control<QLineEdit>(w(), "txtDateofbirth"),  control<QLabel>(w(), "lblAge"),
                               control<QPlainTextEdit>(w(), "txtAddress"), control<QTreeWidget>(w(), "lvwPhone"),
                               control<QTreeWidget>(w(), "lvwEmail"),      control<QTextBrowser>(w(), "rtbNote")};
        for (const QWidget* control : held) {
            const QWidget* frame = control->parentWidget();
            const QString name = control->objectName();
            QVERIFY2(control->y() >= frame->contentsMargins().top(), qPrintable(name + " under the title"));
            QVERIFY2(control->geometry().bottom() < frame->height(), qPrintable(name + " below its frame"));
            QVERIFY2(control->geometry().right() < frame->width(), qPrintable(name + " beyond its frame"));
            QVERIFY2(control->height() > 0, qPrintable(name + " has no height"));
        }
        const QList<QGroupBox*> frames{control<QGroupBox>(w(), "fraDateofbirth"), control<QGroupBox>(w(), "fraAddress"),
                                       control<QGroupBox>(w(), "fraNumber"), control<QGroupBox>(w(), "fraEmail"),
                                       control<QGroupBox>(w(), "fraNote")};
        const QGroupBox* details = control<QGroupBox>(w(), "fraDetails");
        for (QGroupBox* frame : frames) {
            QVERIFY2(frame->y() >= details->y() + details->contentsMargins().top(),
                     qPrintable(frame->objectName() + " on the name"));
            for (QGroupBox* other : frames)
                QVERIFY2(frame == other || !frame->geometry().intersects(other->geometry()),
                         qPrintable(frame->objectName() + " on " + other->objectName()));
        }

        // The date row: a whole date, then the format, then the age, all inside the frame.
        const QLineEdit* box = control<QLineEdit>(w(), "txtDateofbirth");
        const int frameWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
        QVERIFY2(box->width() >= box->fontMetrics().horizontalAdvance(box->text()) + 2 * frameWidth + 4,
                 qPrintable(box->text() + " cut"));
        // In reading order: from the right in a right-to-left language.
        auto follows = [this](const QWidget* later, const QWidget* earlier) {
            return w()->isRightToLeft() ? later->geometry().right() < earlier->x()
                                        : later->x() > earlier->geometry().right();
        };
        const QLabel* dateFormat = control<QLabel>(w(), "lblDateFormat");
        const QLabel* age = control<QLabel>(w(), "lblAge");
        const QLabel* count = control<QLabel>(w(), "staMainCount");
        QVERIFY(follows(dateFormat, box));
        QVERIFY(dateFormat->width() >= dateFormat->sizeHint().width());
        QVERIFY2(follows(age, dateFormat), "the age on the date format");
        QVERIFY(age->width() >= age->sizeHint().width());
        QVERIFY(count->width() >= count->fontMetrics().horizontalAdvance("32767/32767"));
    }

private slots:
    // A toolbar's standard icon looks, in every size, mode and pixel ratio, as the style's own.
    void toolbarIconsDrawAsTheStyles_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("mode");
        const struct
        {
            const char* name;
            QStyle::StandardPixmap which;
        } icons[] = {
            {"file", QStyle::SP_FileIcon}, {"trash", QStyle::SP_TrashIcon}, {"reload", QStyle::SP_BrowserReload}};
        const struct
        {
            const char* name;
            QIcon::Mode mode;
        } modes[] = {{"normal", QIcon::Normal}, {"disabled", QIcon::Disabled}, {"active", QIcon::Active}};
        for (const auto& icon : icons)
            for (const int size : {16, 24, 48})
                for (const qreal ratio : {1.0, 2.0})
                    for (const auto& mode : modes)
                        QTest::addRow("%s %d at %g %s", icon.name, size, ratio, mode.name)
                            << int(icon.which) << size << ratio << int(mode.mode);
    }
    void toolbarIconsDrawAsTheStyles()
    {
        QFETCH(int, which);
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        QFETCH(int, mode);
        const auto standard = QStyle::StandardPixmap(which);
        const QIcon expected = QApplication::style()->standardIcon(standard);
        const QIcon icon = ToolbarIcon::ThemeOrStandard("addrion-no-such-theme-icon", standard, QApplication::style());
        const auto iconMode = QIcon::Mode(mode);
        QCOMPARE(icon.actualSize(QSize(size, size), iconMode), expected.actualSize(QSize(size, size), iconMode));
        QCOMPARE(icon.pixmap(QSize(size, size), ratio, iconMode).toImage(),
                 expected.pixmap(QSize(size, size), ratio, iconMode).toImage());
        // Drawn the way a tool button draws it, on a device of that pixel ratio.
        const auto painted = [&](const QIcon& drawn) {
            QImage image(QSize(size, size) * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            drawn.paint(&painter, QRect(0, 0, size, size), Qt::AlignCenter, iconMode);
            return image;
        };
        QCOMPARE(painted(icon), painted(expected));
    }
    // The program's own language files.
    void initTestCase() { modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources"); }

    void cleanup() { stop(); }

    // The details follow the highlight, and Enter and Delete act on the person shown.
    void keysMoveTheShownPerson_data()
    {
        TestSupport::addColumns<int, int, int>("startRow", "key", "row");
        QTest::newRow("down") << 0 << int(Qt::Key_Down) << 1;
        QTest::newRow("home") << 3 << int(Qt::Key_Home) << 0;
        QTest::newRow("end") << 0 << int(Qt::Key_End) << 5;
    }
    void keysMoveTheShownPerson()
    {
        auto [startRow, key, row] = TestSupport::fetch<int, int, int>("startRow", "key", "row");
        start();
        std::optional<qint16> edited;
        w()->SetWindowOpener("frmContactEdit", [&edited](frmMain& main) { edited = main.CurrentContactnr(); });
        clickRow(startRow);
        QCOMPARE(control<QGroupBox>(w(), "fraDetails")->title(), MainWindowFixture::names().at(startRow));
        QTest::keyClick(control<QTreeView>(w(), "lvwMain"), Qt::Key(key));
        const QString shown = MainWindowFixture::names().at(row);
        QCOMPARE(control<QGroupBox>(w(), "fraDetails")->title(), shown);

        QTest::keyClick(control<QTreeView>(w(), "lvwMain"), Qt::Key_Return);
        QVERIFY(edited);
        QCOMPARE(personField(*edited, "Name").toString().trimmed(), shown);

        platform()->expectMessage(Platform::Answer::Yes);
        QTest::keyClick(control<QTreeView>(w(), "lvwMain"), Qt::Key_Delete);
        QVERIFY(platform()->messages().constLast().text.endsWith("\n" + shown));
        QCOMPARE(countSelected("SELECT * FROM Person WHERE Name = '" + shown + "'"), 0);
        QCOMPARE(w()->ListRowCount(), 5);
    }

    // Each popup opens where the user clicked on the viewport of a list or box.
    void popupsOpenAtThePointer_data() { TestSupport::addTwoRows("large", "8", "10"); }
    void popupsOpenAtThePointer()
    {
        QFETCH(bool, large);
        start(QString(), large ? 10 : 8);
        clickRow(0);
        const QList<QPair<const char*, const char*>> controls{
            {"lvwMain", "mnuPopupMain"},       {"lvwPhone", "mnuPopupPhone"},
            {"lvwEmail", "mnuPopupEmail"},     {"txtDateofbirth", "mnuPopupDateofbirth"},
            {"txtAddress", "mnuPopupAddress"}, {"rtbNote", "mnuPopupNote"}};
        for (const auto& [control, popup] : controls) {
            auto* widget = w()->findChild<QWidget*>(control);
            auto* area = qobject_cast<QAbstractScrollArea*>(widget);
            QWidget* clicked = area ? area->viewport() : widget;
            const QPoint at(12, 6);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, clicked->mapToGlobal(at));
            QApplication::sendEvent(clicked, &event);
            auto* menu = w()->findChild<QMenu*>(popup);
            QTRY_VERIFY2(menu->isVisible(), control);
            QCOMPARE(menu->pos(), clicked->mapToGlobal(at));
            menu->close();
            QTRY_VERIFY(!menu->isVisible());
        }
    }

    void layoutHolds_data() { addLanguageRows({"", "German", "Arabic"}); }
    void layoutHolds()
    {
        auto [language, fontSize] = TestSupport::fetch<QString, int>("language", "fontSize");
        for (const char* format : {"dd/mm/yyyy", "mm/dd/yyyy", "yyyy/mm/dd"}) {
            start(language, fontSize, format);
            clickRow(0);
            QCOMPARE(control<QLineEdit>(w(), "txtDateofbirth")->text().size(), 10);
            verifyLayoutHolds();
        }
        shrink();
        verifyLayoutHolds();
    }

    // In every language each menu and popup gives each entry its own access key.
    void accessKeys_data()
    {
        QTest::addColumn<QString>("language");
        for (const QString& language : languages())
            QTest::newRow(language.isEmpty() ? "English" : qPrintable(language)) << language;
    }
    void accessKeys()
    {
        QFETCH(QString, language);
        start(language);
        QStringList faults = accessKeyFaults(w(), control<QMenu>(w(), "mnuOptionsLanguage"));
        frmContact editor(frmContact::Mode::Add, *w());
        editor.LoadLanguage();
        faults += accessKeyFaults(&editor, nullptr);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

    // The texts a window's controls show, by control: buttons, check boxes, frames, labels of a box.
    static QStringList controlTexts(const QWidget* window)
    {
        QStringList texts;
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (!qobject_cast<const QToolButton*>(button) && !button->text().isEmpty())
                texts << button->text();
        for (const QGroupBox* frame : window->findChildren<QGroupBox*>())
            if (!frame->title().isEmpty())
                texts << frame->title();
        for (const QLabel* label : window->findChildren<QLabel*>())
            if (label->buddy() && !label->text().isEmpty())
                texts << label->text();
        return texts;
    }

    // The dialogs' buttons, check boxes, frames and box labels have access keys of their
    // own in every language.
    void dialogControlKeys_data()
    {
        TestSupport::addColumns<QString, QString>("language", "window");
        for (const char* language : {"", "German", "Arabic", "Greek", "Japanese"})
            for (const char* window : {"editor", "export", "e-mail", "labels", "duplicates", "sync"})
                QTest::addRow("%s %s", *language ? language : "English", window)
                    << QString(language) << QString(window);
    }
    void dialogControlKeys()
    {
        auto [language, name] = TestSupport::fetch<QString, QString>("language", "window");
        start(language);
        std::unique_ptr<QWidget> window;
        if (name == "editor")
            window = std::make_unique<frmContact>(frmContact::Mode::Add, *w());
        else if (name == "export")
            window = std::make_unique<frmExport>(*w());
        else if (name == "e-mail")
            window = std::make_unique<frmEmail>(*w());
        else if (name == "labels")
            window = std::make_unique<frmLabels>(*w());
        else if (name == "duplicates")
            window = std::make_unique<frmDuplicates>(*w());
        else
            window = std::make_unique<frmSync>(w());
        if (auto* aware = dynamic_cast<LanguageAware*>(window.get()))
            aware->LoadLanguage();
        QHash<QChar, QString> taken;
        QStringList faults;
        for (const QString& text : controlTexts(window.get())) {
            const QChar key = accessKey(text);
            if (key.isNull())
                faults << "no key in " + text;
            else if (taken.contains(key))
                faults << taken.value(key) + " and " + text;
            taken.insert(key, text);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        QVERIFY(!taken.isEmpty());
    }

    // In a right-to-left window every list, tree and table draws each entry in its own
    // direction: "+49 30 1234567 (Home)" in order, on the window's side.
    void rightToLeftViews_data()
    {
        QTest::addColumn<QString>("window");
        for (const char* window : {"editor", "export", "e-mail", "labels", "duplicates", "CSV mapping", "reminder"})
            QTest::newRow(window) << QString(window);
    }
    void rightToLeftViews()
    {
        QFETCH(QString, window);
        start("Arabic");
        QVERIFY(QGuiApplication::isRightToLeft());
        std::unique_ptr<QWidget> shown;
        if (window == "editor")
            shown = std::make_unique<frmContact>(frmContact::Mode::Add, *w());
        else if (window == "export")
            shown = std::make_unique<frmExport>(*w());
        else if (window == "e-mail")
            shown = std::make_unique<frmEmail>(*w());
        else if (window == "labels")
            shown = std::make_unique<frmLabels>(*w());
        else if (window == "duplicates")
            shown = std::make_unique<frmDuplicates>(*w());
        else if (window == "CSV mapping")
            shown = std::make_unique<frmCsvMapping>(modCsv::ReadTable("Name,Phone\r\nAnna,+49 30 1234567\r\n"));
        else
            shown = std::make_unique<frmReminder>();
        int views = 0;
        for (QAbstractItemView* view : shown->findChildren<QAbstractItemView*>()) {
            if (qobject_cast<QComboBox*>(view->parentWidget() ? view->parentWidget()->parentWidget() : nullptr))
                continue; // a combo box's own list of choices
            ++views;
            auto* delegate = dynamic_cast<ContentDirectionDelegate*>(view->itemDelegate());
            QVERIFY2(delegate, qPrintable(view->objectName()));
            QStandardItemModel model;
            model.appendRow(new QStandardItem("+49 30 1234567 (Home)"));
            QStyleOptionViewItem option;
            option.direction = Qt::RightToLeft;
            option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
            delegate->initStyleOption(&option, model.index(0, 0));
            QCOMPARE(option.direction, Qt::LeftToRight);
            QCOMPARE(option.displayAlignment & (Qt::AlignRight | Qt::AlignAbsolute),
                     Qt::AlignRight | Qt::AlignAbsolute);
        }
        QVERIFY(views > 0);
    }

    // Paths, examples and arrows of a right-to-left window: whole, in order, and pointing
    // the way the lists lie.
    void rightToLeftTexts()
    {
        start("Arabic");
        QCOMPARE(w()->findChild<QLabel*>("staMainPath")->text(),
                 QChar(0x2066) + m_fixture->databasePath() + QChar(0x2069));
        frmExport window(*w());
        QVERIFY(window.optHtml->text().remove('&').startsWith(QChar(0x2066)));
        QCOMPARE(window.cmdAddOne->arrowType(), Qt::LeftArrow);
        QCOMPARE(window.cmdRemoveAll->arrowType(), Qt::RightArrow);
        const QString result = window.cmdSearchResult->text().remove('&');
        QVERIFY2(result.startsWith(QString(QChar(0x2066)) + "< ") && result.endsWith(" <" + QString(QChar(0x2069))),
                 qPrintable(result));
        frmEmail email(*w());
        QVERIFY(email.optColon->text().remove('&').startsWith(QChar(0x2066)));
    }

    // Keys given to texts: kept where a text has one, else a free letter, word starts first.
    void accessKeysGiven_data()
    {
        TestSupport::addColumns<QStringList, QStringList>("texts", "keyed");
        // "Name" chooses first (fewest letters), then "Number" and "New note" take the first
        // free letters, case ignored ("note" starts with the "n" of "Name").
        TestSupport::addRow("word starts first", QStringList{"New note", "Number", "Name", "Go"},
                            QStringList{"N&ew note", "N&umber", "&Name", "&Go"});
        TestSupport::addRow("a key kept", QStringList{"Name", "&Note"}, QStringList{"N&ame", "&Note"});
        TestSupport::addRow("case is one key", QStringList{"a", "A", "b"}, QStringList{"&a", "A", "&b"});
        TestSupport::addRow("short texts choose first", QStringList{"Cancel", "Search", "vCard", "CSV"},
                            QStringList{"C&ancel", "&Search", "&vCard", "&CSV"});
        // The last "ab" finds both its letters taken: the first moves on to "b", "bc" to "c".
        TestSupport::addRow("keys moved to make room", QStringList{"ab", "bc", "ab"}, QStringList{"a&b", "b&c", "&ab"});
        TestSupport::addRow("a written ampersand", QStringList{"&&x", "Q && A"}, QStringList{"&&&x", "&Q && A"});
        TestSupport::addRow("another script", QStringList{"الاسم", "العنوان"}, QStringList{"&الاسم", "ا&لعنوان"});
    }
    void accessKeysGiven()
    {
        auto [texts, keyed] = TestSupport::fetch<QStringList, QStringList>("texts", "keyed");
        QCOMPARE(WidgetRules::WithAccessKeys(texts), keyed);
    }

    // The editor's title and the list's column speak the language; Enter in the name box
    // saves; the list buttons are one size; the information panel draws no empty box.
    void windowTextsAndKeys()
    {
        start("German");
        {
            frmContact editor(frmContact::Mode::Edit, *w());
            editor.LoadLanguage();
            QCOMPARE(editor.windowTitle(), QString("Bearbeiten"));
            QVERIFY(editor.cmdOK->isDefault());
            for (QToolButton* button : {editor.cmdPhoneRemove, editor.cmdPhoneUp, editor.cmdEmailEdit})
                QCOMPARE(button->minimumSize(), editor.cmdPhoneAdd->minimumSize());
        }
        // Persons listed, no web site: the panel is its title alone.
        QVERIFY(w()->ListRowCount() > 0 && control<QGroupBox>(w(), "fraInfo")->isFlat());
        start("Arabic");
        const QString header = w()->contactList()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(header, T("Name"));
        QVERIFY(header != "Name" && header != "Fullname");
    }

    void menuKeys()
    {
        start("German");
        QApplication::setActiveWindow(w());
        QVERIFY(QTest::qWaitForWindowActive(w()));
        QTest::keyClick(w(), Qt::Key_F10);
        QTRY_VERIFY(control<QMenu>(w(), "mnuFile")->isVisible());
        control<QMenu>(w(), "mnuFile")->close();
        QTRY_VERIFY(!control<QMenu>(w(), "mnuFile")->isVisible());
        const QChar person = accessKey(control<QMenu>(w(), "mnuPerson")->title());
        QTest::keyClick(w(), person.toLatin1(), Qt::AltModifier);
        QTRY_VERIFY(control<QMenu>(w(), "mnuPerson")->isVisible());
        control<QMenu>(w(), "mnuPerson")->close();
    }

    void shortcuts_data()
    {
        TestSupport::addColumns<QKeySequence, QString>("keys", "opened");
        QTest::newRow("add person") << QKeySequence("Ctrl+N") << "frmContactAdd";
        QTest::newRow("search") << QKeySequence("Ctrl+F") << "frmSearch";
        QTest::newRow("about") << QKeySequence("F1") << "frmAbout";
        QTest::newRow("open database") << QKeySequence("Ctrl+O") << "open dialog";
        QTest::newRow("exit") << QKeySequence("Ctrl+Q") << "closed";
        QTest::newRow("synchronise") << QKeySequence("F5") << "frmSynchronise";
    }
    void shortcuts()
    {
        auto [keys, opened] = TestSupport::fetch<QKeySequence, QString>("keys", "opened");
        start();
        QStringList windows;
        for (const char* name : {"frmContactAdd", "frmSearch", "frmAbout", "frmSynchronise"})
            w()->SetWindowOpener(name, [&windows, name](frmMain&) { windows << name; });
        if (opened == "open dialog")
            platform()->expectOpenFileName(QString());
        QApplication::setActiveWindow(w());
        QVERIFY(QTest::qWaitForWindowActive(w()));
        control<QLineEdit>(w(), "txtQuickSearch")->setFocus();
        QTest::keySequence(w(), keys);
        if (opened == "closed")
            QVERIFY(!w()->isVisible());
        else if (opened == "open dialog")
            QCOMPARE(platform()->callsOf("open").size(), 1);
        else
            QCOMPARE(windows, QStringList{opened});
        // The menu item and the toolbar button run the one synchronisation too.
        if (opened == "frmSynchronise") {
            control<QAction>(w(), "mnuFileSynchronise")->trigger();
            QWidget* button = control<QToolBar>(w(), "tlbMain")->widgetForAction(w()->toolbarButton("Synchronise"));
            QVERIFY(button && button->isVisible());
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(windows, QStringList(3, opened));
        }

        // Delete is a text key in the quick search box: no (unscripted) question to remove anybody.
        if (opened == "closed")
            return;
        clickRow(1);
        QTest::mouseClick(control<QLineEdit>(w(), "txtQuickSearch"), Qt::LeftButton);
        QTest::keyClicks(control<QLineEdit>(w(), "txtQuickSearch"), "bo");
        QTest::keyClick(control<QLineEdit>(w(), "txtQuickSearch"), Qt::Key_Home);
        QTest::keyClick(control<QLineEdit>(w(), "txtQuickSearch"), Qt::Key_Delete);
        QCOMPARE(control<QLineEdit>(w(), "txtQuickSearch")->text(), QString("o"));
    }

    // Every language, both sizes, left to right and mirrored, also at the smallest size.
    void firstStepsFit_data()
    {
        QVERIFY2(languages().size() > 1, "no language files");
        addLanguageRows(languages());
    }
    void firstStepsFit()
    {
        auto [language, fontSize] = TestSupport::fetch<QString, int>("language", "fontSize");
        start(language, fontSize, "dd/mm/yyyy", false, true);
        QCOMPARE(control<QPushButton>(w(), "cmdFirstAdd")->text() == "Add a person", language.isEmpty());
        verifyFirstStepsFit();
        shrink();
        verifyFirstStepsFit();
    }

    // Each first step does what its menu item does; they go with the first person, back without.
    void firstStepsLeadToTheirCommands()
    {
        start(QString(), 8, "dd/mm/yyyy", true, true);
        QCOMPARE(firstStepsOffered(), 3);
        QCOMPARE(QStringList({control<QPushButton>(w(), "cmdFirstAdd")->text(),
                              control<QPushButton>(w(), "cmdFirstImport")->text(),
                              control<QPushButton>(w(), "cmdFirstConnect")->text()}),
                 (QStringList{"Add a person", "Import contacts...", "Connect to a server..."}));

        const auto connected = TestSupport::onModal<frmSync>([](frmSync* dialog) { dialog->reject(); });
        QTest::mouseClick(control<QPushButton>(w(), "cmdFirstConnect"), Qt::LeftButton);
        QVERIFY(*connected);

        platform()->expectOpenFileName(QString());
        QTest::mouseClick(control<QPushButton>(w(), "cmdFirstImport"), Qt::LeftButton);
        QCOMPARE(platform()->callsOf("open").size(), 1);
        QCOMPARE(firstStepsOffered(), 3);

        const auto added = TestSupport::onModal<frmContact>([](frmContact* editor) {
            QTest::keyClicks(editor->txtFullname, "Zoe Zed");
            QTest::mouseClick(editor->cmdOK, Qt::LeftButton);
        });
        QTest::mouseClick(control<QPushButton>(w(), "cmdFirstAdd"), Qt::LeftButton);
        QVERIFY(*added);
        QCOMPARE(w()->ListRowCount(), 1);
        QCOMPARE(firstStepsOffered(), 0);

        platform()->expectMessage(Platform::Answer::Yes);
        control<QAction>(w(), "mnuPersonRemove")->trigger();
        QCOMPARE(w()->ListRowCount(), 0);
        QCOMPARE(firstStepsOffered(), 3);
        QVERIFY(control<QPushButton>(w(), "cmdFirstAdd")->isVisible());

        // An import that adds a person takes them away as well.
        const QString cards = QFileInfo(m_fixture->databasePath()).dir().filePath("cards.vcf");
        QVERIFY(TestSupport::writeFile(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Yves Young\r\n"
                                              "N:Young;Yves;;;\r\nEND:VCARD\r\n"));
        platform()->expectOpenFileName(cards);
        platform()->expectMessage();
        QTest::mouseClick(control<QPushButton>(w(), "cmdFirstImport"), Qt::LeftButton);
        QCOMPARE(w()->ListRowCount(), 1);
        QCOMPARE(firstStepsOffered(), 0);
    }
};

ADDRION_TEST_MAIN(TestUsability)
#include "tst_usability.moc"
