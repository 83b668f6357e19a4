#include "Transcript.h"

#include "ReplyReader.h"
#include "SmtpTexts.h"

void Transcript::add(const QString &line)
{
    const QString shown = shownText(line);
    const std::lock_guard guard(m_lock);
    if (m_echo) {
        // One call per line: lines of sends that overlap (a goodbye still
        // under way) may alternate, but never mix within a line.
        m_echo(shown.toLocal8Bit());
    }
    m_lines.append(shown);
    if (m_lines.size() > kMaxLines) {
        m_lines.removeFirst();
        ++m_dropped;
    }
}

QStringList Transcript::lines() const
{
    const std::lock_guard guard(m_lock);
    if (m_dropped == 0)
        return m_lines;
    return QStringList{smtpText(SmtpText::TranscriptLinesOmitted).arg(m_dropped)} + m_lines;
}

QString Transcript::text() const { return lines().join(u'\n'); }
