// Unsaved work when the program is told to end (a terminate, interrupt or
// hang-up signal): the normal shut-down runs without its question, so the
// changes are first written to a recovery file, and the next start offers to
// open them.
//
// Each receive port has its recovery file of its own, so that two consoles
// of one user (a second console on the bench) never overwrite each other's
// work; a console offers the work kept on its own port. The file goes to the
// data folder; where that folder is read-only or its disk full, to the
// config folder, then to the session's runtime folder. When no place takes
// it, a short note says so, and the next start tells the operator.

#include "app/main_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

#include "app/app_services.h"
#include "app/project_file.h"
#include "app/scene_store.h"
#include "dialogs/dialog_result.h"
#include "platform/data_folder.h"
#include "platform/regular_file.h"
#include "platform/safe_file_write.h"

namespace {

// The recovered project, beside it the name of the project it came from,
// and the note left when the work could be kept nowhere.
struct RecoveryFiles {
    QString project;
    QString name;
    QString lostNote;
};

RecoveryFiles RecoveryFilesIn(const QString& folder, const QString& base)
{
    return {folder + base + QStringLiteral(".qsx"), folder + base + QStringLiteral(".name"),
            folder + base + QStringLiteral(".lost")};
}

// The files of one receive port.
RecoveryFiles PortRecoveryFiles(const QString& folder, std::uint16_t port)
{
    return RecoveryFilesIn(folder, QStringLiteral("Corvane Recovery %1").arg(port));
}

// Earlier versions kept one recovery file for every console, in the data folder.
RecoveryFiles SharedRecoveryFiles()
{
    return RecoveryFilesIn(DataFolderPath(), QStringLiteral("Corvane Recovery"));
}

// The places tried, in order: the data folder, the config folder (often on
// another file system, and writable where the data folder was made
// read-only), and the runtime folder of the session, which lives in memory
// and so still takes the work when the disks refuse it, until logout.
QStringList RecoveryFolders()
{
    QStringList folders{DataFolderPath()};
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!config.isEmpty())
        folders << QDir::cleanPath(config) + QStringLiteral("/Quellon/Corvane/");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        folders << QDir::cleanPath(runtime) + QStringLiteral("/Quellon-Corvane/");
    folders.removeDuplicates();
    return folders;
}

constexpr qint64 kMaxRecoveryNameBytes = 4096;

// The project name kept beside a recovery file or in a note; a name that
// cannot be read or is not a plain name stands as the untitled project.
QString KeptProjectName(const QString& path)
{
    const RegularFileRead name = ReadRegularFile(path, kMaxRecoveryNameBytes);
    QString original = name.status == FileReadStatus::Ok ? QString::fromUtf8(name.bytes).trimmed() : QString();
    if (original.isEmpty() || original.contains(QLatin1Char('/')))
        original = QStringLiteral("New Project");
    return original;
}

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

// Tells the operator, once, of work on this port that a terminate request
// could keep nowhere.
void TellUnsavedWorkLost(std::uint16_t port)
{
    for (const QString& folder : RecoveryFolders()) {
        const RecoveryFiles files = PortRecoveryFiles(folder, port);
        if (CheckRegularFile(files.lostNote, -1) != FileReadStatus::Ok)
            continue;
        const QString text =
            QStringLiteral("Corvane was ended while \"%1\" had unsaved changes, and they could not be kept: "
                           "no folder would take the recovery file (read-only or full).\nThose changes are lost.")
                .arg(KeptProjectName(files.lostNote));
        LogLine(text);
        QFile::remove(files.lostNote);
        ::ShowMessage(text);
    }
}

} // namespace

std::vector<const SceneRecord*> CQuellonKR9SeriesDlg::StoredSceneRecords(int* missing) const
{
    std::vector<const SceneRecord*> records;
    int lacking = 0;
    for (int i = 1; i < g_nSceneCount; ++i) {
        if (const SceneRecord* record = SceneLineRecord(i))
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
    const QString project = g_szProjectName;
    const QStringList folders = RecoveryFolders();
    for (const QString& folder : folders) {
        const RecoveryFiles files = PortRecoveryFiles(folder, m_options.network.pcPort);
        if (SameFile(files.project, g_szProjectPath)) {
            LogLine(QStringLiteral("the unsaved changes of \"%1\" were not written to %2: it is the project itself")
                        .arg(project, files.project));
            continue;
        }
        EnsureFolder(folder);
        // The name first: a recovery file is only ever offered with its own.
        const bool written = WriteFileSafely(files.name, project.toUtf8())
            && WriteProjectFile(files.project, CurrentFileHeader(), StoredSceneRecords(), CurrentProjectTexts()).ok;
        if (written) {
            m_bUnsavedWorkKept = true;
            // Work brought back and kept elsewhere is in this file now, with
            // what was done since.
            DropRecoveredWorkFiles({files.project, files.name});
            LogLine(QStringLiteral("the unsaved changes of \"%1\" were written to %2").arg(project, files.project));
            return true;
        }
        LogLine(QStringLiteral("the unsaved changes of \"%1\" could not be written to %2").arg(project, files.project));
        if (!QFileInfo::exists(files.project))
            QFile::remove(files.name);
    }
    // Kept nowhere: a note of a few bytes still fits where the project did
    // not, so the next start can tell the operator what was lost.
    for (const QString& folder : folders) {
        const RecoveryFiles files = PortRecoveryFiles(folder, m_options.network.pcPort);
        EnsureFolder(folder);
        if (WriteFileSafely(files.lostNote, project.toUtf8())) {
            LogLine(QStringLiteral("the unsaved changes of \"%1\" are lost; the next start says so (%2)")
                        .arg(project, files.lostNote));
            return false;
        }
    }
    LogLine(QStringLiteral("the unsaved changes of \"%1\" are lost, and no note of that could be written").arg(project));
    return false;
}

bool CQuellonKR9SeriesDlg::OfferRecoveredProject()
{
    const std::uint16_t port = m_options.network.pcPort;
    TellUnsavedWorkLost(port);
    // The one recovery file of earlier versions goes to the first console
    // that starts: it becomes that port's own, so it is offered once.
    const RecoveryFiles shared = SharedRecoveryFiles();
    const RecoveryFiles own = PortRecoveryFiles(DataFolderPath(), port);
    if (CheckRegularFile(shared.project, -1) == FileReadStatus::Ok && !QFileInfo::exists(own.project)) {
        QFile::remove(own.name);
        QFile::rename(shared.name, own.name);
        QFile::rename(shared.project, own.project);
    }

    for (const QString& folder : RecoveryFolders()) {
        const RecoveryFiles files = PortRecoveryFiles(folder, port);
        if (CheckRegularFile(files.project, -1) != FileReadStatus::Ok)
            continue;
        const QString original = KeptProjectName(files.name);
        g_strMessage = QStringLiteral(
                           "Corvane was ended while \"%1\" had unsaved changes, which were kept.\n"
                           "Would you like to open them now, as a project without a file?\n"
                           "If you click 'No', the kept changes are discarded.")
                           .arg(original);
        LogLine(QStringLiteral("offering the unsaved changes of \"%1\" kept in %2").arg(original, files.project));
        const int answer = RunMessageBox(MessageBoxKind::YesNo);
        const bool opened = answer == IDYES && LoadProject(files.project, original);
        // Only a No throws them away. A box closed unanswered (the program
        // told to end meanwhile) or a file that would not open keeps them
        // for the next start; work taken stays kept until it is safe.
        if (opened) {
            m_recoveredWorkFiles = {files.project, files.name};
        } else if (answer == IDNO) {
            QFile::remove(files.project);
            QFile::remove(files.name);
        } else {
            LogLine(QStringLiteral("the unsaved changes of \"%1\" stay kept in %2").arg(original, files.project));
        }
        // One offer per start; work kept in another place waits for the next.
        return opened;
    }
    return false;
}

void CQuellonKR9SeriesDlg::DropRecoveredWorkFiles(const QStringList& except)
{
    for (const QString& file : std::exchange(m_recoveredWorkFiles, {})) {
        // Saved over its own recovery file, the work is in it now.
        if (except.contains(file) || SameFile(file, g_szProjectPath))
            continue;
        QFile::remove(file);
    }
}
