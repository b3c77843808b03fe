// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "HtmlViewer.h"

#include "startup/Platform.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

bool IsHtmlFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html") || suffix == QLatin1String("xhtml");
}

} // namespace

HtmlViewer::HtmlViewer(QWidget* parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HtmlViewer::followLink);
}

HtmlViewer::~HtmlViewer() = default;

void HtmlViewer::Navigate(const QString& path)
{
    setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), QTextDocument::HtmlResource);
}

void HtmlViewer::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    if (!name.isLocalFile() || !QFileInfo(name.toLocalFile()).isFile())
        return;
    Q_UNUSED(type);
    QTextBrowser::doSetSource(name, QTextDocument::HtmlResource);
    emit documentLoaded(name);
}

QVariant HtmlViewer::loadResource(int type, const QUrl& name)
{
    // Relative names (the style sheet, other pages) belong to the shown page's folder.
    const QUrl resolved = source().isValid() ? source().resolved(name) : name;
    if (!resolved.isLocalFile())
        return QTextBrowser::loadResource(type, name);
    // Read afresh every time, so that a rewritten page or style sheet shows on refresh.
    QFile file(resolved.toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return QVariant();
    const QByteArray contents = file.readAll();
    if (type == QTextDocument::HtmlResource && !IsHtmlFile(resolved.toLocalFile())) {
        // A plain-text file is shown as the text it is, markup characters included.
        return QStringLiteral("<html><body><pre>") + QString::fromUtf8(contents).toHtmlEscaped() +
               QStringLiteral("</pre></body></html>");
    }
    return contents;
}

void HtmlViewer::Refresh()
{
    if (!source().isValid())
        return;
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();
    reload();
    verticalScrollBar()->setValue(vertical);
    horizontalScrollBar()->setValue(horizontal);
}

bool HtmlViewer::IsShownFolder(const QUrl& target) const
{
    if (!target.isLocalFile() || !source().isLocalFile())
        return false;
    const QFileInfo file(target.toLocalFile());
    // Compared after links and ".." are resolved, so no path leads out unnoticed.
    return file.isFile() && IsHtmlFile(file.fileName()) &&
           file.canonicalPath() == QFileInfo(source().toLocalFile()).canonicalPath();
}

void HtmlViewer::followLink(const QUrl& link)
{
    const QUrl target = source().isValid() ? source().resolved(link) : link;
    if (target.adjusted(QUrl::RemoveFragment) == source().adjusted(QUrl::RemoveFragment)) {
        if (target.hasFragment())
            scrollToAnchor(target.fragment());
        return;
    }
    // Only the pages the program wrote beside the shown one are shown here; anything
    // else (a file named in a note, a web address) goes to the desktop's own program.
    if (!IsShownFolder(target)) {
        Platform::current().openUrl(target);
        return;
    }
    Navigate(target.toLocalFile());
    if (target.hasFragment())
        scrollToAnchor(target.fragment());
}

QString HtmlViewer::CurrentPath() const
{
    return source().isLocalFile() ? source().toLocalFile() : QString();
}

QPrinter* HtmlViewer::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

bool HtmlViewer::Print(PrintOption option)
{
    Q_UNUSED(option);
    QPrintDialog dialog(printer(), this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    PrintOn(printer());
    return true;
}

bool HtmlViewer::PageSetup(PrintOption option)
{
    Q_UNUSED(option);
    QPageSetupDialog dialog(printer(), this);
    dialog.setObjectName(QStringLiteral("pageSetupDialog"));
    return dialog.exec() == QDialog::Accepted;
}

void HtmlViewer::PrintOn(QPrinter* target)
{
    // What the viewer shows: its document laid out at the viewer's width, scaled to the
    // page's width, so that a word that fits on the screen fits on paper. A page ends at
    // the bottom of a line, never inside one.
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    const qreal width = qMax<qreal>(viewport()->width(), 200);
    copy->setTextWidth(width);
    const QRectF page(QPointF(), target->pageLayout().paintRectPixels(target->resolution()).size());
    const qreal scale = page.width() / width;
    const qreal pageHeight = page.height() / scale;

    std::vector<qreal> lineEnds;
    // Where a block starts after a space of its own (the gap before an exported card): a
    // page ends there rather than inside what the gap sets apart.
    std::vector<qreal> gaps;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        const QRectF box = copy->documentLayout()->blockBoundingRect(block);
        if (block.blockFormat().topMargin() > 0 && !block.textList() && !QTextCursor(block).currentTable())
            gaps.push_back(box.top());
        const QTextLayout* layout = block.layout();
        for (int i = 0; layout && i < layout->lineCount(); ++i)
            lineEnds.push_back(box.top() + layout->lineAt(i).rect().bottom());
        lineEnds.push_back(box.bottom());
    }
    std::sort(lineEnds.begin(), lineEnds.end());
    std::sort(gaps.begin(), gaps.end());
    // Down to the last line: the space the frame keeps below it needs no page of its own.
    const qreal height = lineEnds.empty() ? 0 : lineEnds.back() + copy->rootFrame()->frameFormat().bottomMargin();

    QPainter painter(target);
    for (qreal top = 0; top < height;) {
        qreal bottom = top + pageHeight;
        // The last line end on the page; a line taller than a page is cut where the page ends.
        const auto after = std::upper_bound(lineEnds.begin(), lineEnds.end(), bottom);
        const auto gap = std::upper_bound(gaps.begin(), gaps.end(), bottom);
        if (after == lineEnds.end())
            bottom = qMax(bottom, height); // every line left fits: the last page
        else if (gap != gaps.begin() && *(gap - 1) > top + 1)
            bottom = *(gap - 1);
        else if (after != lineEnds.begin() && *(after - 1) > top + 1)
            bottom = *(after - 1);
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -top);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, top, width, bottom - top);
        painter.setClipRect(context.clip);
        copy->documentLayout()->draw(&painter, context);
        painter.restore();
        top = bottom;
        if (top < height)
            target->newPage();
    }
}
