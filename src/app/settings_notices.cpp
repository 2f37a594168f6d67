// The operator hears once per run when the program's own settings cannot be
// kept: the recent files and last used folder (the profile in the data
// folder) and the window placement (the desktop's settings).

#include "app/main_dialog.h"

#include "app/app_services.h"
#include "platform/ini_file.h"
#include "platform/settings_store.h"

namespace {

QString WhyNotKept(const QString& path, FileReadStatus found, qint64 limit)
{
    switch (found) {
    case FileReadStatus::TooLarge:
        return QStringLiteral("The file %1 is larger than %2 MB, far more than the program ever "
                              "writes there, so it was not read and is left as it is.")
            .arg(path)
            .arg(limit >> 20);
    case FileReadStatus::NotRegular:
        return QStringLiteral("%1 is not an ordinary file, so it was not read and is left as it is.")
            .arg(path);
    case FileReadStatus::Unreadable:
        return QStringLiteral("The file %1 cannot be read, so it is left as it is.").arg(path);
    case FileReadStatus::Ok:
    case FileReadStatus::Missing:
        break;
    }
    return QStringLiteral("The file %1 cannot be written.").arg(path);
}

} // namespace

void CQuellonKR9SeriesDlg::TellOnce(bool& told, const QString& text)
{
    if (told)
        return;
    told = true;
    // Ending on a signal, nobody is there to answer a box.
    if (m_bSkipSaveQuestion) {
        LogLine(text);
        return;
    }
    ::ShowMessage(text);
}

void CQuellonKR9SeriesDlg::TellProfileNotKept(FileReadStatus found)
{
    TellOnce(m_bToldProfileNotKept,
             QStringLiteral("%1\nThe list of recent files and the last used folder will not be kept "
                            "for the next start.")
                 .arg(WhyNotKept(g_szIniPath, found, kMaxIniFileBytes)));
}

void CQuellonKR9SeriesDlg::TellPlacementNotKept(FileReadStatus found)
{
    TellOnce(m_bToldPlacementNotKept,
             QStringLiteral("%1\nThe window placement will not be kept for the next start.")
                 .arg(WhyNotKept(m_platform.settings.filePath(), found, kMaxSettingsFileBytes)));
}
