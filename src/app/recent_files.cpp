#include "app/recent_files.h"

#include <unistd.h>

#include "app/app_services.h"
#include "app/project_state.h"
#include "platform/ini_file.h"
#include "platform/regular_file.h"

std::array<QString, kRecentFileCapacity> g_RecentFiles;
int g_nRecentFileCount = 0;
int g_nRecentFileIndex = -1;

namespace {

const QString kRecentSection = QStringLiteral("Recent File List");
const QString kDirectorySection = QStringLiteral("Data Directory");
const QString kLastDirectoryKey = QStringLiteral("Last Used Directory");

QString RecentKey(int n)
{
    return QStringLiteral("File%1").arg(n);
}

IniFile OpenIni()
{
    g_szIniPath = GetUserDataFilePath(QStringLiteral("Corvane.ini"));
    return IniFile(g_szIniPath);
}

// The file name part of a path: the text after its last '/'.
QString FileNamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

QString ProfileTextOfPath(const QString& path)
{
    QString text;
    text.reserve(path.size());
    for (const QChar c : path) {
        if (c == QLatin1Char('\\'))
            text += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            text += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            text += QLatin1String("\\r");
        else
            text += c;
    }
    return text;
}

QString PathOfProfileText(const QString& text)
{
    QString path;
    path.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] == QLatin1Char('\\') && next == QLatin1Char('\\'))
            path += QLatin1Char('\\');
        else if (text[i] == QLatin1Char('\\') && next == QLatin1Char('n'))
            path += QLatin1Char('\n');
        else if (text[i] == QLatin1Char('\\') && next == QLatin1Char('r'))
            path += QLatin1Char('\r');
        else {
            // Any other backslash is the path's own (a list written before
            // paths were escaped).
            path += text[i];
            continue;
        }
        ++i;
    }
    return path;
}

bool FileExists(const QString& path)
{
    // Opened without waiting and only when it is a regular file: a pipe in
    // the list must not hold the start of the program.
    int fd = -1;
    struct stat info {};
    if (OpenRegularFile(path, -1, fd, info) != FileReadStatus::Ok)
        return false;
    ::close(fd);
    return true;
}

void LoadRecentFileList()
{
    const IniFile ini = OpenIni();
    g_nRecentFileCount = 0;
    // Entries past the count are cleared too, so a path that was skipped as
    // missing cannot come back with the next write.
    for (QString& entry : g_RecentFiles)
        entry.clear();
    for (int n = 1; n <= kRecentFileCapacity; ++n) {
        const QString path = PathOfProfileText(ini.readString(kRecentSection, RecentKey(n)));
        if (path.isEmpty())
            break;
        if (FileExists(path))
            g_RecentFiles[static_cast<std::size_t>(g_nRecentFileCount++)] = path;
    }
}

bool AddToRecentFileList()
{
    IniFile ini = OpenIni();
    const QString path = g_szProjectPath;

    int found = -1;
    for (int k = 0; k < kRecentFileCapacity && found < 0; ++k) {
        // File names here tell upper from lower case: "Show.qsx" and
        // "show.qsx" are two files, each listed under its own spelling.
        if (!path.isEmpty() && g_RecentFiles[static_cast<std::size_t>(k)] == path)
            found = k;
    }
    if (found >= 0) {
        // The listed path keeps its own spelling; the old head takes its place.
        std::swap(g_RecentFiles[0], g_RecentFiles[static_cast<std::size_t>(found)]);
    } else {
        if (FileNamePart(path).size() < 4) {
            ShowMessage(QStringLiteral("Bad file"));
            return true;
        }
        for (int k = kRecentFileCapacity - 1; k > 0; --k)
            g_RecentFiles[static_cast<std::size_t>(k)] = g_RecentFiles[static_cast<std::size_t>(k - 1)];
        g_RecentFiles[0] = path;
    }

    // The non-empty entries in order, where two neighbours are the same path
    // keeping only the second.
    std::array<QString, kRecentFileCapacity> nonEmpty;
    int taken = 0;
    for (const QString& entry : g_RecentFiles) {
        if (!entry.isEmpty())
            nonEmpty[static_cast<std::size_t>(taken++)] = entry;
    }
    std::array<QString, kRecentFileCapacity> kept;
    int count = 0;
    for (int k = 0; k < taken; ++k) {
        const QString& entry = nonEmpty[static_cast<std::size_t>(k)];
        if (k + 1 < taken && entry == nonEmpty[static_cast<std::size_t>(k + 1)])
            continue;
        kept[static_cast<std::size_t>(count++)] = entry;
    }
    g_RecentFiles = kept;

    // The section is written whole: exactly the keys File1..File<count>,
    // whatever else it held before (a key added by hand, a ninth path).
    QList<std::pair<QString, QString>> entries;
    for (int n = 1; n <= count; ++n)
        entries.append({RecentKey(n), ProfileTextOfPath(g_RecentFiles[static_cast<std::size_t>(n - 1)])});
    return ini.writeSection(kRecentSection, entries);
}

bool SaveLastUsedDirectory(const QString& folder)
{
    return OpenIni().writeString(kDirectorySection, kLastDirectoryKey, ProfileTextOfPath(folder));
}

QString LoadLastUsedDirectory()
{
    return PathOfProfileText(OpenIni().readString(kDirectorySection, kLastDirectoryKey));
}
