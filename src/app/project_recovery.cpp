// Unsaved work when the program is told to end (a terminate, interrupt or
// hang-up signal): the normal shut-down runs without its question, so the
// changes are first written to a recovery file in the data folder, and the
// next start offers to open them until Yes or No answers the offer.

#include "app/main_dialog.h"

#include <QFile>
#include <QFileInfo>


#include "app/app_services.h"
#include "app/project_file.h"
#include "app/scene_store.h"
#include "dialogs/dialog_result.h"
#include "platform/regular_file.h"
#include "platform/safe_file_write.h"

namespace {

// The recovered project, and beside it the name of the project it came from.
const QString kRecoveryFile = QStringLiteral("Corvane Recovery.qsx");
const QString kRecoveryNameFile = QStringLiteral("Corvane Recovery.name");
constexpr qint64 kMaxRecoveryNameBytes = 4096;

bool SameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.absoluteFilePath() == fb.absoluteFilePath())
        return true;
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

} // namespace

std::vector<const SceneRecord*> CQuellonKR9SeriesDlg::StoredSceneRecords(int* missing) const
{
    std::vector<const SceneRecord*> records;
    int lacking = 0;
    for (int i = 1; i < g_nSceneCount; ++i) {
        if (const SceneRecord* record = FindScene(g_SceneName[std::size_t(i)]))
            records.push_back(record);
        else
            ++lacking;
    }
    if (missing)
        *missing = lacking;
    return records;
}

std::size_t CQuellonKR9SeriesDlg::CurrentProjectFingerprint() const
{
    return ProjectFileFingerprint(CurrentFileHeader(), StoredSceneRecords(), CurrentProjectTexts());
}

bool CQuellonKR9SeriesDlg::HasUnsavedChanges() const
{
    return !m_savedProjectFingerprint || *m_savedProjectFingerprint != CurrentProjectFingerprint();
}

void CQuellonKR9SeriesDlg::MarkProjectSaved()
{
    m_savedProjectFingerprint = CurrentProjectFingerprint();
}

bool CQuellonKR9SeriesDlg::KeepUnsavedWorkForRecovery()
{
    if (m_bUnsavedWorkKept || m_bShutDown || !HasUnsavedChanges())
        return false;
    const QString path = GetUserDataFilePath(kRecoveryFile);
    const QString namePath = GetUserDataFilePath(kRecoveryNameFile);
    const QString project = g_szProjectName;
    if (SameFile(path, g_szProjectPath)) {
        LogLine(QStringLiteral("the unsaved changes of \"%1\" were not kept: the project itself is %2")
                .arg(project, path));
        return false;
    }
    // The name first: a recovery file is only ever offered with its own.
    const bool written = WriteFileSafely(namePath, project.toUtf8())
        && WriteProjectFile(path, CurrentFileHeader(), StoredSceneRecords(), CurrentProjectTexts()).ok;
    if (!written) {
        LogLine(QStringLiteral("the unsaved changes of \"%1\" could not be written to %2").arg(project, path));
        return false;
    }
    m_bUnsavedWorkKept = true;
    LogLine(QStringLiteral("the unsaved changes of \"%1\" were written to %2").arg(project, path));
    return true;
}

bool CQuellonKR9SeriesDlg::OfferRecoveredProject()
{
    const QString path = GetUserDataFilePath(kRecoveryFile);
    if (CheckRegularFile(path, -1) != FileReadStatus::Ok)
        return false;
    const QString namePath = GetUserDataFilePath(kRecoveryNameFile);
    const RegularFileRead name = ReadRegularFile(namePath, kMaxRecoveryNameBytes);
    QString original = name.status == FileReadStatus::Ok ? QString::fromUtf8(name.bytes).trimmed() : QString();
    if (original.isEmpty() || original.contains(QLatin1Char('/')))
        original = QStringLiteral("New Project");

    g_strMessage = QStringLiteral(
                       "Corvane was ended while \"%1\" had unsaved changes, which were kept.\n"
                       "Would you like to open them now, as a project without a file?\n"
                       "If you click 'No', the kept changes are discarded.")
                       .arg(original);
    bool opened = false;
    switch (RunMessageBox(MessageBoxKind::YesNo)) {
    case IDYES:
        opened = LoadProject(path, original);
        break;
    case IDNO:
        break;
    default:
        // The box ended without an answer: the changes stay kept and are
        // offered again at the next start.
        return false;
    }
    // Answered, the offer is not made again.
    QFile::remove(path);
    QFile::remove(namePath);
    return opened;
}
