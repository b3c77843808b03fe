// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "LineWriter.h"

#include "startup/modSafeFile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

LineWriter::LineWriter() = default;

LineWriter::~LineWriter()
{
    // An unfinished file is dropped; the target stays deleted.
    if (m_file)
        m_file->cancelWriting();
}

void LineWriter::fail(const QString& error)
{
    if (m_error.isEmpty())
        m_error = error;
    m_buffer.clear();
    if (m_file)
        m_file->cancelWriting();
}

bool LineWriter::Start(const QString& path)
{
    if (m_file)
        m_file->cancelWriting();
    m_file.reset();
    m_path = path;
    m_buffer.clear();
    m_error.clear();
    m_flushes = 0;

    QFile old(path);
    if (old.exists() && !old.remove()) {
        fail(path + QStringLiteral(": ") + old.errorString());
        return false;
    }
    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        fail(path + QStringLiteral(": ") + m_file->errorString());
        return false;
    }
    // Pages and exports hold personal data: only their owner reads them (where the
    // file system knows owners at all).
    m_file->setPermissions(modSafeFile::PrivatePermissions);
    return true;
}

void LineWriter::WriteLine(const QString& text)
{
    // One copy into room made at once: exports write hundreds of thousands of lines.
    const qsizetype start = m_buffer.size();
    m_buffer.resize(start + text.size() + 2);
    char16_t* to = reinterpret_cast<char16_t*>(m_buffer.data()) + start;
    std::copy(text.utf16(), text.utf16() + text.size(), to);
    to[text.size()] = u'\r';
    to[text.size() + 1] = u'\n';
    if (m_buffer.size() > FlushThreshold)
        Flush();
}

bool LineWriter::Flush()
{
    if (!m_error.isEmpty())
        return false;
    if (!m_file) {
        fail(QStringLiteral("No file to write to"));
        return false;
    }
    const QByteArray bytes = m_buffer.toUtf8();
    // Emptied but not released: the next lines fill the same memory again.
    m_buffer.resize(0);
    // The file's own buffer is emptied at once, so that a disk that takes only part of
    // it is noticed here and not lost inside commit().
    QString error;
    if (!modSafeFile::WriteAll(*m_file, bytes, &error) || !m_file->flush()) {
        fail(m_path + QStringLiteral(": ") + (error.isEmpty() ? m_file->errorString() : error));
        return false;
    }
    ++m_flushes;
    return true;
}

bool LineWriter::Finish()
{
    if (!Flush())
        return false;
    const bool committed = m_file->commit();
    if (!committed)
        fail(m_path + QStringLiteral(": ") + m_file->errorString());
    m_file.reset();
    return committed;
}

ProgressScope::ProgressScope(WriteProgress* progress, int maximum) : m_progress(progress)
{
    if (m_progress)
        m_progress->Begin(maximum);
}

ProgressScope::~ProgressScope()
{
    if (m_progress)
        m_progress->End();
}

void ProgressScope::Step()
{
    if (m_progress)
        m_progress->Step();
}
