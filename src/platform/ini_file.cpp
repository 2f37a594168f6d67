#include "platform/ini_file.h"

#include <QStringList>

#include <optional>

#include "platform/path_text.h"
#include "platform/safe_file_write.h"

namespace {

// Lines are held one character per byte, so lines the program does not
// touch are written back exactly as they were, whatever their encoding;
// the program's own keys and values are UTF-8, and a path's bytes that are
// not (see NativeFromPath) are written and read back as they are.
QString FromText(const QString& s)
{
    return QString::fromLatin1(NativeFromPath(s));
}

QString ToText(const QString& bytes)
{
    return PathFromNative(bytes.toLatin1());
}

// The file's lines; empty for a missing file, nothing when it exists but
// cannot be read, is not a regular file or is too large (it must then not
// be replaced either).
std::optional<QStringList> ReadLines(const QString& path, FileReadStatus& status)
{
    const RegularFileRead read = ReadRegularFile(path, kMaxIniFileBytes);
    status = read.status;
    if (read.status == FileReadStatus::Missing)
        return QStringList();
    if (read.status != FileReadStatus::Ok)
        return std::nullopt;
    QString text = QString::fromLatin1(read.bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool WriteLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toLatin1();
        bytes += '\n';
    }
    return WriteFileSafely(path, bytes);
}

// The section name of a "[Name]" line.
std::optional<QString> SectionName(const QString& line)
{
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2).trimmed();
    return std::nullopt;
}

// The key of a "Key=Value" line.
std::optional<QString> KeyName(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    return line.left(eq).trimmed();
}

bool SameName(const QString& a, const QString& b)
{
    return StrEqualNoCase(a, b);
}

struct Location {
    qsizetype sectionLine = -1; // the "[Section]" line
    qsizetype keyLine = -1;     // the "Key=" line inside it
    qsizetype sectionEnd = -1;  // the line after the section's last non-blank line
};

Location Find(const QStringList& lines, const QString& section, const QString& key)
{
    Location at;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (inSection)
                break;
            inSection = SameName(*name, section);
            if (inSection && at.sectionLine < 0) {
                at.sectionLine = i;
                at.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].trimmed().isEmpty())
            at.sectionEnd = i + 1;
        if (at.keyLine < 0) {
            if (const auto k = KeyName(lines[i]); k && SameName(*k, key))
                at.keyLine = i;
        }
    }
    return at;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    const std::optional<QStringList> lines = ReadLines(m_path, m_readStatus);
    if (!lines)
        return defaultValue;
    const Location at = Find(*lines, FromText(section.trimmed()), FromText(key.trimmed()));
    if (at.keyLine < 0)
        return defaultValue;
    const QString& line = (*lines)[at.keyLine];
    return ToText(line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed());
}

namespace {

bool BreaksLine(const QString& s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// A line break, or a key with '=', would split the entry and corrupt the
// file; a key opening with '[' would read back as a section header.
bool WritableSection(const QString& section)
{
    return !BreaksLine(section) && !section.trimmed().isEmpty() && !section.contains(QLatin1Char(']'));
}

bool WritableEntry(const QString& key, const QString& value)
{
    const QString k = key.trimmed();
    return !BreaksLine(key) && !BreaksLine(value) && !k.isEmpty() && !k.contains(QLatin1Char('='))
        && !k.startsWith(QLatin1Char('['));
}

// The lines the file holds for a section's header and for an entry.
QString SectionLine(const QString& section)
{
    return FromText(QLatin1Char('[') + section + QLatin1Char(']'));
}

QString EntryLine(const QString& key, const QString& value)
{
    return FromText(key + QLatin1Char('=') + value);
}

// A section the file does not hold yet goes at its end, after a blank line.
void AppendSection(QStringList& lines, const QStringList& block)
{
    if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
        lines.append(QString());
    lines.append(block);
}

} // namespace

bool IniFile::writeString(const QString& sectionName, const QString& keyName, const QString& value)
{
    if (!WritableSection(sectionName) || !WritableEntry(keyName, value))
        return false;
    const QString section = sectionName.trimmed();
    const QString key = keyName.trimmed();
    std::optional<QStringList> read = ReadLines(m_path, m_readStatus);
    if (!read)
        return false;
    QStringList& lines = *read;
    const Location at = Find(lines, FromText(section), FromText(key));
    const QString entry = EntryLine(key, value);
    if (at.keyLine >= 0) {
        if (lines[at.keyLine] == entry)
            return true;
        lines[at.keyLine] = entry;
    } else if (at.sectionLine >= 0) {
        lines.insert(at.sectionEnd, entry);
    } else {
        AppendSection(lines, {SectionLine(section), entry});
    }
    return WriteLines(m_path, lines);
}

bool IniFile::removeKey(const QString& section, const QString& key)
{
    std::optional<QStringList> read = ReadLines(m_path, m_readStatus);
    if (!read)
        return false;
    QStringList& lines = *read;
    const Location at = Find(lines, FromText(section.trimmed()), FromText(key.trimmed()));
    if (at.keyLine < 0)
        return true;
    lines.removeAt(at.keyLine);
    return WriteLines(m_path, lines);
}

bool IniFile::writeSection(const QString& sectionName, const QList<std::pair<QString, QString>>& entries)
{
    if (!WritableSection(sectionName))
        return false;
    for (const auto& [key, value] : entries) {
        if (!WritableEntry(key, value))
            return false;
    }
    const QString section = sectionName.trimmed();
    const QString storedName = FromText(section);
    std::optional<QStringList> read = ReadLines(m_path, m_readStatus);
    if (!read)
        return false;
    // Every block of the section goes, whatever keys it held (a section
    // written twice by hand included); the new one takes the first's place.
    QStringList lines;
    qsizetype at = -1;
    bool inSection = false;
    for (const QString& line : *read) {
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, storedName);
            if (inSection && at < 0)
                at = lines.size();
        }
        if (!inSection)
            lines.append(line);
    }
    QStringList block{SectionLine(section)};
    for (const auto& [key, value] : entries)
        block.append(EntryLine(key.trimmed(), value));
    if (at < 0) {
        AppendSection(lines, block);
    } else {
        if (at < lines.size() && !lines[at].trimmed().isEmpty())
            block.append(QString());
        for (qsizetype i = 0; i < block.size(); ++i)
            lines.insert(at + i, block[i]);
    }
    return WriteLines(m_path, lines);
}
