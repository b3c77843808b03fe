// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

#include <memory>

class QSaveFile;

// The buffered line writer of the calendar pages and the exports. Lines gather in a
// buffer, each ending in CR LF; the buffer goes to the file whenever it grows beyond
// FlushThreshold characters and once at the end. The text is written as UTF-8. The
// file only takes its place when Finish() succeeds, so a failed write never leaves a
// half-written page or export behind.
class LineWriter
{
public:
    static constexpr int FlushThreshold = 25000;

    LineWriter();
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Deletes the target and begins a new file there. False, with ErrorString(), when
    // the old file cannot be removed or the new one cannot be written.
    bool Start(const QString& path);
    // Appends the text and CR LF; flushes when the buffer has grown beyond the threshold.
    void WriteLine(const QString& text);
    // Hands the buffer to the file and empties it.
    bool Flush();
    // Flushes and puts the file in place; false, with ErrorString(), on any failure so far.
    bool Finish();

    QString Path() const { return m_path; }
    QString ErrorString() const { return m_error; }
    int BufferedLength() const { return static_cast<int>(m_buffer.size()); }
    // How often the buffer went to the file since Start().
    int FlushCount() const { return m_flushes; }

private:
    void fail(const QString& error);

    QString m_path;
    QString m_buffer;
    QString m_error;
    std::unique_ptr<QSaveFile> m_file;
    int m_flushes = 0;
};

// Progress of a long write (the calendar, the exports): Begin with the number of steps,
// one Step each, End when done or abandoned. The windows show it; core only reports.
class WriteProgress
{
public:
    virtual ~WriteProgress() = default;
    virtual void Begin(int maximum) = 0;
    virtual void Step() = 0;
    virtual void End() = 0;
    // Moves straight to value, for work measured by something else than steps.
    virtual void Reach(int value) { (void)value; }
    // True once the user asked to stop; only work that can be undone asks.
    virtual bool Cancelled() const { return false; }
};

// Begins on construction and ends on destruction, also when an engine error ends the
// write early. A null progress is allowed.
class ProgressScope
{
public:
    ProgressScope(WriteProgress* progress, int maximum);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    void Step();

private:
    WriteProgress* m_progress;
};
