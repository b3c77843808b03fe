// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QTextBrowser>
#include <QUrl>

#include <memory>

class QPrinter;

// Shows the files the program generates (calendar pages, export previews) and prints
// them. Links between pages of the shown page's folder are followed in place; links to
// anything else open with the user's programs.
class HtmlViewer : public QTextBrowser
{
    Q_OBJECT

public:
    // The print command's option: use the defaults, or ask the user first. On this
    // desktop both show the print dialog, where the user picks the printer.
    enum class PrintOption
    {
        DoDefault,
        PromptUser,
    };

    explicit HtmlViewer(QWidget* parent = nullptr);
    ~HtmlViewer() override;

    // Shows a local file: pages ending in .htm/.html/.xhtml as HTML, anything else as text.
    void Navigate(const QString& path);
    // Reads the shown document and its style sheet again from disk, keeping the place
    // in the page; does nothing when no document is shown.
    void Refresh();
    // Shows the print dialog and prints the shown document when the user accepts it.
    bool Print(PrintOption option = PrintOption::DoDefault);
    // Shows the page-setup dialog for the viewer's printing.
    bool PageSetup(PrintOption option = PrintOption::DoDefault);
    // Prints the shown document on a printer set up by the caller.
    void PrintOn(QPrinter* printer);

    // The local file shown now, "" when none.
    QString CurrentPath() const;
    // The printer that Print and PageSetup share, with its page settings.
    QPrinter* printer();

signals:
    // A document has finished loading (also after each refresh).
    void documentLoaded(const QUrl& address);

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void followLink(const QUrl& link);
    // True for a page in the folder of the shown one.
    bool IsShownFolder(const QUrl& target) const;

    std::unique_ptr<QPrinter> m_printer;
};
