// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ToolbarIcon.h"

#include <QIconEngine>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace ToolbarIcon {

namespace {

// Draws from the style's small standard picture while that is large enough for what is
// asked, as the standard icon itself would (it scales its best picture the same way), and
// from the whole standard icon beyond.
class StandardIconEngine : public QIconEngine
{
public:
    StandardIconEngine(const QStyle* style, QStyle::StandardPixmap which)
        : m_style(style), m_which(which), m_small(style->standardPixmap(which))
    {
    }

    QIconEngine* clone() const override { return new StandardIconEngine(*this); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        iconFor(rect.size() * scale).paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return iconFor(size).pixmap(size, 1.0, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return iconFor(size).actualSize(size, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return full().availableSizes(mode, state);
    }

    QString key() const override { return QStringLiteral("ToolbarIcon"); }

    bool isNull() override { return m_small.isNull() && full().isNull(); }

private:
    const QIcon& iconFor(const QSize& devicePixels)
    {
        if (!m_small.isNull() && devicePixels.width() <= m_small.width() && devicePixels.height() <= m_small.height()) {
            if (m_smallIcon.isNull())
                m_smallIcon = QIcon(m_small);
            return m_smallIcon;
        }
        return full();
    }

    const QIcon& full()
    {
        if (m_full.isNull() && m_style)
            m_full = m_style->standardIcon(m_which);
        return m_full;
    }

    QPointer<const QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPixmap m_small;
    QIcon m_smallIcon;
    QIcon m_full;
};

} // namespace

QIcon ThemeOrStandard(const char* themeIcon, QStyle::StandardPixmap fallback, const QStyle* style)
{
    const QString name = QString::fromLatin1(themeIcon);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return QIcon(new StandardIconEngine(style, fallback));
}

} // namespace ToolbarIcon
