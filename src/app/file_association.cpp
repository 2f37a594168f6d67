#include "app/file_association.h"

#include "platform/data_folder.h"
#include "platform/process_starter.h"
#include "platform/regular_file.h"
#include "platform/safe_file_write.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Far more than the desktop entry or the type description ever hold.
constexpr qint64 kMaxDesktopFileBytes = 1 << 20;

QString WithoutBlanks(QString s)
{
    s.remove(QLatin1Char(' '));
    return s;
}

// Writes text to path unless it already holds exactly that; true when the
// file holds the text afterwards. changed reports whether it was written.
bool WriteIfDifferent(const QString& path, const QByteArray& text, bool& changed)
{
    // Our own small files: anything else in their place (a pipe, a device)
    // is neither waited on nor replaced.
    const RegularFileRead existing = ReadRegularFile(path, kMaxDesktopFileBytes);
    if (existing.status == FileReadStatus::NotRegular)
        return false;
    if (existing.status == FileReadStatus::Ok && existing.bytes == text)
        return true;
    if (!EnsureFolder(QFileInfo(path).absolutePath()))
        return false;
    if (!WriteFileSafely(path, text))
        return false;
    changed = true;
    return true;
}

// Removes the files of the former names under shareDir; true when none is
// left. Anything in their place that is not a plain file or a link is left.
bool RemoveFormerFiles(const QString& shareDir, bool& changed)
{
    bool ok = true;
    for (const char* relative : kFormerDesktopFiles) {
        const QString path = shareDir + QLatin1Char('/') + QLatin1String(relative);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (!info.isFile() && !info.isSymLink()) {
            ok = false;
            continue;
        }
        if (QFile::remove(path))
            changed = true;
        else
            ok = false;
    }
    return ok;
}

QByteArray ResourceBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void RefreshDesktopCaches(const QString& dataHome)
{
    const QString mimeTool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!mimeTool.isEmpty())
        ProcessStarter::instance().startDetached(mimeTool, {dataHome + QStringLiteral("/mime")});
    const QString desktopTool =
        QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!desktopTool.isEmpty())
        ProcessStarter::instance().startDetached(desktopTool,
                                                 {dataHome + QStringLiteral("/applications")});
}

} // namespace

QString DesktopExecLine(const QString& program)
{
    // Inside the quotes '"', '`', '$' and '\' take a backslash; then the
    // value as a whole doubles every backslash, and '%' becomes "%%".
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    quoted.replace(QLatin1String("%"), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QStringLiteral("\" %f");
}

QString DesktopEntryText(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=Corvane\n"
                          "GenericName=Preamplifier Remote Console\n"
                          "Comment=Remote control of KR9 Series microphone preamplifiers\n"
                          "Exec=%1\n"
                          "Icon=%2\n"
                          "Terminal=false\n"
                          "MimeType=%3;\n"
                          "Categories=AudioVideo;Audio;Mixer;\n"
                          "StartupWMClass=Quellon-Corvane\n")
        .arg(DesktopExecLine(program), QLatin1String(kIconName), QLatin1String(kProjectMimeType));
}

QString MimePackageText(const QString& extension)
{
    QString glob = extension.toHtmlEscaped();
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"%1\">\n"
               "    <comment>Corvane project</comment>\n"
               "    <icon name=\"%2\"/>\n"
               "    <glob pattern=\"*.%3\"/>\n"
               "    <magic priority=\"60\">\n"
               "      <match type=\"big32\" offset=\"0\" value=\"0x51535800\"/>\n"
               "    </magic>\n"
               "  </mime-type>\n"
               "</mime-info>\n")
        .arg(QLatin1String(kProjectMimeType), QLatin1String(kIconName), glob);
}

bool WriteDesktopFiles(const QString& shareDir, const QString& exePath, const QString& extension,
                       bool* changed)
{
    bool wrote = false;
    bool ok = WriteIfDifferent(shareDir + QStringLiteral("/mime/packages/")
                                   + QLatin1String(kMimePackageFileName),
                               MimePackageText(extension).toUtf8(), wrote);
    ok = WriteIfDifferent(shareDir + QStringLiteral("/applications/")
                              + QLatin1String(kDesktopFileName),
                          DesktopEntryText(exePath).toUtf8(), wrote)
        && ok;
    const QByteArray icon = ResourceBytes(QStringLiteral(":/skin/14128.svg"));
    if (!icon.isEmpty()) {
        ok = WriteIfDifferent(shareDir + QStringLiteral("/icons/hicolor/scalable/apps/")
                                  + QLatin1String(kIconName) + QStringLiteral(".svg"),
                              icon, wrote)
            && ok;
    }
    ok = RemoveFormerFiles(shareDir, wrote) && ok;
    if (changed)
        *changed = wrote;
    return ok;
}

bool RegisterFileAssociation(const QString& exePath, const QString& extension)
{
    QString ext = WithoutBlanks(extension);
    ext.remove(QLatin1Char('.'));
    if (WithoutBlanks(exePath).isEmpty() || ext.isEmpty())
        return false;

    const QString dataHome = XdgDataHome();
    bool changed = false;
    const bool ok = WriteDesktopFiles(dataHome, exePath, ext, &changed);
    if (changed)
        RefreshDesktopCaches(dataHome);
    return ok;
}
