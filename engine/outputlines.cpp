#include "outputlines.h"

#include "outputparser.h"

#include <charconv>

namespace outputlines {

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// The blanks that separate the words of a line: ASCII white space only.
bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A plain decimal number ("45.3", "100", "1021.89"): digits with at most one point. Anything
// else ("nan", "inf", "1e999", "-5", "0x10") is no number, whatever a library would make of it.
bool ReadDecimal(Text text, double& value)
{
    bool digit = false;
    bool point = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    if (!digit)
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool StartsWith(Text text, Text prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(Text text, Text suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

Text TrimEnd(Text text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Where a line's text begins after its "[tag] " ("[Metadata] ", "[ffmpeg] "); 0 if it has none.
size_t TagEnd(Text line)
{
    if (!StartsWith(line, "["))
        return 0;
    const size_t close = line.find(']');
    if (close == Text::npos || close < 2 || line.substr(close + 1, 1) != " ")
        return 0;
    for (size_t i = 1; i < close; ++i) {
        if (IsBlank(line[i]) || line[i] == '[')
            return 0;
    }
    return close + 2;
}

Words SplitWords(Text text)
{
    Words words;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && IsBlank(text[i]))
            ++i;
        const size_t start = i;
        while (i < n && !IsBlank(text[i]))
            ++i;
        if (i > start)
            words.append(text.substr(start, i - start));
    }
    return words;
}

// Reads `line` as a progress line: it starts with the word "[download]" and its second word
// is a percentage ("45.3%", "N/A%"). Returns false for every other line.
bool ReadProgressLine(Text line, ProgressLine& p)
{
    if (!StartsWith(line, kDownload))
        return false;
    p = ProgressLine();
    p.words = SplitWords(line);
    const Words& t = p.words;
    if (t.size() < 2 || t[0] != kDownload || t[1].back() != '%')
        return false;
    auto word = [&t](qsizetype i) { return i >= 0 && i < t.size() ? t[i] : Text(); };
    p.percent = word(1);
    // The first "of", "ETA" and "at" after the percentage.
    qsizetype of = -1, eta = -1, at = -1;
    for (qsizetype i = 2; i < t.size(); ++i) {
        if (of < 0 && t[i] == "of")
            of = i;
        else if (eta < 0 && t[i] == "ETA")
            eta = i;
        else if (at < 0 && t[i] == "at")
            at = i;
    }
    if (of >= 0) {
        Text total = word(of + 1);
        if (total == "~")
            total = word(of + 2);
        if (!total.empty() && total.front() == '~')
            total.remove_prefix(1);
        p.total = total;
    }
    if (at >= 0) {
        p.speedFrom = at + 1;
        p.speedTo = p.speedFrom;
        while (p.speedTo < t.size() && p.speedTo != eta && t[p.speedTo].front() != '(')
            ++p.speedTo;
    }
    if (eta >= 0)
        p.eta = word(eta + 1);
    return true;
}

namespace {

// A time as the extractor prints it: "00:30", "01:02:03", "--:--:--" or "Unknown".
bool IsTimeWord(Text word)
{
    if (word == "Unknown")
        return true;
    return word.size() >= 5 && word[word.size() - 3] == ':' &&
           word.find_first_not_of("0123456789:-") == Text::npos;
}

} // namespace

// A progress line with all its parts: its time left after "ETA" (at 100%: the speed after "at"
// or the time after "in"), and the closing bracket of its fragment count if it has one.
bool IsWholeProgressLine(Text line)
{
    ProgressLine p;
    if (!ReadProgressLine(line, p))
        return false;
    const Words& t = p.words;
    qsizetype end = t.size();
    for (qsizetype i = 2; i < t.size(); ++i) {
        if (t[i].front() == '(') {
            if (t.back().back() != ')')
                return false;
            end = i;
            break;
        }
    }
    if (end < 4)
        return false;
    const Text key = t[end - 2];
    const Text last = t[end - 1];
    if (key == "ETA")
        return IsTimeWord(last);
    if (p.percent != "100%")
        return false;
    return (key == "in" && IsTimeWord(last)) || EndsWith(last, "/s");
}

} // namespace outputlines

using namespace outputlines;

QByteArray CLineBuffer::AppendRaw(const QByteArray& bytes)
{
    qsizetype end = bytes.size();
    while (end > 0 && !IsLineEnd(bytes.at(end - 1)))
        --end;
    if (end == 0) {
        m_pending += bytes;
        return QByteArray();
    }
    QByteArray whole = m_pending.isEmpty() ? bytes.left(end) : m_pending + bytes.left(end);
    m_pending = bytes.mid(end);
    return whole;
}

QByteArray CLineBuffer::FlushRaw()
{
    QByteArray rest;
    rest.swap(m_pending);
    return rest;
}

QStringList CLineBuffer::Append(const QByteArray& bytes)
{
    const QByteArray whole = AppendRaw(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (!IsLineEnd(whole.at(i)))
            continue;
        if (i > start)
            lines << QString::fromUtf8(whole.constData() + start, i - start);
        start = i + 1;
    }
    return lines;
}

QString CLineBuffer::Flush()
{
    return QString::fromUtf8(FlushRaw());
}

QByteArray COutputReader::Read(const QByteArray& bytes)
{
    QByteArray whole = m_lines.AppendRaw(bytes);
    if (!whole.isEmpty()) {
        m_lastEnd = whole.back();
        if (m_bRestHanded) {
            // The line handed out before its end has ended now: it is not judged twice.
            qsizetype end = 0;
            while (end < whole.size() && !IsLineEnd(whole.at(end)))
                ++end;
            whole.remove(0, end + 1);
            m_bRestHanded = false;
        }
    }
    const QByteArrayView rest = m_lines.Pending();
    if (m_bRestHanded || m_lastEnd != '\r' ||
        !IsWholeProgressLine(Text(rest.data(), size_t(rest.size()))))
        return whole;
    m_bRestHanded = true;
    return whole + rest.toByteArray();
}

QByteArray COutputReader::Finish()
{
    QByteArray rest = m_lines.FlushRaw();
    if (m_bRestHanded)
        rest.clear();
    m_bRestHanded = false;
    return rest;
}
