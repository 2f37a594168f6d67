#include "app/project_file.h"

#include <QDir>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include "app/app_services.h"
#include "app/command_line.h"
#include "app/preferences.h"
#include "app/project_state.h"
#include "app/recent_files.h"
#include "platform/path_text.h"
#include "platform/regular_file.h"
#include "protocol/unit_network.h"

namespace {

// The preferences globals that travel as they are (MeterPeriodMs and
// Reserved are handled apart).
struct PrefsGlobal {
    std::int32_t PrefsBlock::*member;
    int* global;
};

const std::array<PrefsGlobal, 25> kPrefsGlobals{{
    {&PrefsBlock::PromptNewScene, &g_bPromptNewScene},
    {&PrefsBlock::PromptRecallScene, &g_bPromptRecallScene},
    {&PrefsBlock::PromptSceneDelete, &g_bPromptSceneDelete},
    {&PrefsBlock::PromptSceneReorder, &g_bPromptSceneReorder},
    {&PrefsBlock::MuteLinkedChannels, &g_bMuteLinkedChannels},
    {&PrefsBlock::PeakHold10Sec, &g_bPeakHold10Sec},
    {&PrefsBlock::PeakHold3Sec, &g_bPeakHold3Sec},
    {&PrefsBlock::PeakHoldInfinite, &g_bPeakHoldInfinite},
    {&PrefsBlock::PeakHoldOff, &g_bPeakHoldOff},
    {&PrefsBlock::PeakHoldMs, &g_nPeakHoldMs},
    {&PrefsBlock::RedZoneThreshold, &g_nRedZoneThreshold},
    {&PrefsBlock::MeterPeakAndVu, &g_bMeterPeakAndVu},
    {&PrefsBlock::MeterPeakOverVu, &g_bMeterPeakOverVu},
    {&PrefsBlock::MeterVuOnly, &g_bMeterVuOnly},
    {&PrefsBlock::MeterPeakOnly, &g_bMeterPeakOnly},
    {&PrefsBlock::DbuMaxLevelIndex, &g_nDbuMaxLevelIndex},
    {&PrefsBlock::DbuMaxLevel, &g_nDbuMaxLevel},
    {&PrefsBlock::DbfsRefLevelIndex, &g_nDbfsRefLevelIndex},
    {&PrefsBlock::DbfsRefLevel, &g_nDbfsRefLevel},
    {&PrefsBlock::MeterPrefsSet2, &g_bMeterPrefsSet2},
    {&PrefsBlock::MeterPrefsSet1, &g_bMeterPrefsSet1},
    {&PrefsBlock::MeterScaleDbu, &g_bMeterScaleDbu},
    {&PrefsBlock::MeterScaleDbfs, &g_bMeterScaleDbfs},
    {&PrefsBlock::AutosaveMinutes, &g_nAutosaveMinutes},
    {&PrefsBlock::AutosaveOff, &g_bAutosaveOff},
}};

// The directory (with its trailing '/') and file name of a path.
void SplitAtLastSlash(const QString& path, QString& dir, QString& name)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    dir = path.left(slash + 1);
    name = path.mid(slash + 1);
}

void ShowSkinnedMessage(const QString& text)
{
    g_strMessage = text;
    RunMessageBox(MessageBoxKind::Message);
}

} // namespace

// ---------------------------------------------------------------------------
// The running program's side
// ---------------------------------------------------------------------------

std::int32_t g_PrefsImageReserved = 0;

PrefsBlock PrefsFromGlobals()
{
    PrefsBlock prefs;
    for (const PrefsGlobal& g : kPrefsGlobals)
        prefs.*g.member = *g.global;
    prefs.MeterPeriodMs = static_cast<std::uint16_t>(g_MeterPeriodMs);
    prefs.Reserved = g_PrefsImageReserved;
    return prefs;
}

void ApplyPrefsToGlobals(const PrefsBlock& block)
{
    // Whatever the block carries, the timers, meters and dialogs get values
    // they know (a period of 0 would spin the meter timer and the units).
    const PrefsBlock prefs = PrefsInRange(block);
    for (const PrefsGlobal& g : kPrefsGlobals)
        *g.global = prefs.*g.member;
    g_MeterPeriodMs = prefs.MeterPeriodMs;
    g_PrefsImageReserved = prefs.Reserved;
}

ProjectFileHeader CurrentFileHeader()
{
    ProjectFileHeader header;
    header.Prefs = PrefsFromGlobals();
    return header;
}

ProjectTexts CurrentProjectTexts()
{
    ProjectTexts texts;
    for (std::size_t i = 0; i < texts.channelTitle.size(); ++i) {
        texts.channelTitle[i] = g_ChannelTitle[i];
        texts.channelNotes[i] = g_ChannelNotes[i];
    }
    for (std::size_t i = 0; i < texts.unitName.size(); ++i) {
        texts.unitName[i] = g_UnitName[i];
        texts.unitNotes[i] = g_UnitNotes[i];
    }
    for (std::size_t i = 0; i < texts.linkGroupTitle.size(); ++i) {
        texts.linkGroupTitle[i] = g_LinkGroupTitle[i];
        texts.linkGroupNotes[i] = g_LinkGroupNotes[i];
    }
    return texts;
}

void ApplyProjectTexts(const ProjectTexts& texts)
{
    for (std::size_t i = 0; i < texts.channelTitle.size(); ++i) {
        g_ChannelTitle[i] = texts.channelTitle[i];
        g_ChannelNotes[i] = texts.channelNotes[i];
    }
    for (std::size_t i = 0; i < texts.unitName.size(); ++i) {
        g_UnitName[i] = texts.unitName[i];
        g_UnitNotes[i] = texts.unitNotes[i];
    }
    for (std::size_t i = 0; i < texts.linkGroupTitle.size(); ++i) {
        g_LinkGroupTitle[i] = texts.linkGroupTitle[i];
        g_LinkGroupNotes[i] = texts.linkGroupNotes[i];
    }
}

void ApplyProjectImage(const ProjectImage& image)
{
    ApplyPrefsToGlobals(image.header.Prefs);
    ApplyProjectTexts(image.texts);
    // The blank scene keeps its notes; every other entry is the file's.
    g_SceneName.fill(QString());
    for (std::size_t i = 1; i < g_SceneNotes.size(); ++i)
        g_SceneNotes[i].clear();
    g_SceneModified.fill(0);
    g_SceneName[0] = kBlankSceneLine;
    for (std::size_t n = 0; n < image.records.size(); ++n) {
        // The decoder ended the name where the record made for it ends it,
        // so the scene is found by this name when it is recalled or saved.
        g_SceneName[n + 1] = image.records[n].Name.text();
        g_SceneNotes[n + 1] = image.records[n].Notes.text();
    }
    g_nSceneCount = 1 + static_cast<int>(image.records.size());
}

std::optional<std::vector<SceneRecord>> ReadProjectFile(const QString& path, bool* cutShort, bool* outOfMemory)
{
    ProjectReadResult read = ReadProjectImage(path, CurrentProjectTexts());
    if (cutShort)
        *cutShort = read.ok() && read.cutShort;
    if (outOfMemory)
        *outOfMemory = read.ok() && read.outOfMemory;
    if (!read.ok()) {
        const QString message = ProjectReadMessage(read.status, path);
        if (!message.isEmpty())
            ShowSkinnedMessage(message);
        return std::nullopt;
    }
    ApplyProjectImage(read.image);
    return std::move(read.image.records);
}

void ShowCutShortProjectMessage(const QString& path)
{
    ShowSkinnedMessage(ProjectReadMessage(ProjectReadStatus::TruncatedRecord, path));
}

void ShowProjectReadInMemoryMessage()
{
    ShowSkinnedMessage(ProjectReadMessage(ProjectReadStatus::OutOfMemory, QString()));
}

bool FinishProjectLoad(const QString& loadedPath, bool* profileWritten)
{
    if (profileWritten)
        *profileWritten = true;
    // Made absolute as text: the path may hold bytes that are not UTF-8,
    // which must not pass through Qt's file-name conversion.
    QString path = loadedPath;
    if (!path.isEmpty())
        path = AbsolutePathText(path, CurrentDirectoryText());
    QString dir;
    QString name;
    SplitAtLastSlash(path, dir, name);
    // The project now is the file just loaded, whatever follows: a save must
    // not put these scenes over the previous project's file.
    g_szProjectPath = path;
    g_szProjectName = name;
    g_nCurrentIndex = 0;
    if (name.size() < 4) {
        ShowSkinnedMessage(QStringLiteral("Bad file"));
        return false;
    }
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    g_szLastDirectory = dir;
    bool written = SaveLastUsedDirectory(dir);
    if (!path.isEmpty()) {
        written = AddToRecentFileList() && written;
        LoadRecentFileList();
    }
    if (profileWritten)
        *profileWritten = written;
    g_bProjectHasFile = true;
    return true;
}

int AutosaveIntervalMs()
{
    if (g_bAutosaveOff != 0)
        return 0;
    // The dialog's range also holds a value set since the last load.
    return std::clamp(g_nAutosaveMinutes, PrefsRange::kMinAutosaveMinutes,
                      PrefsRange::kMaxAutosaveMinutes)
        * 60000;
}

namespace {

bool Saved(const ProjectWriteResult& written)
{
    if (!written.ok)
        ShowSkinnedMessage(written.error);
    return written.ok;
}

} // namespace

bool SaveProjectFile(const QString& path, std::vector<SceneRecord>& records)
{
    RefreshProjectTexts(records, CurrentProjectTexts());
    return Saved(WriteProjectFile(path, CurrentFileHeader(), records));
}

bool SaveProjectFile(const QString& path, const std::vector<const SceneRecord*>& records)
{
    return Saved(WriteProjectFile(path, CurrentFileHeader(), records, CurrentProjectTexts()));
}

// ---------------------------------------------------------------------------
// The date test
// ---------------------------------------------------------------------------

bool IsOldStyleFileTime(const QDateTime& lastWrite)
{
    return lastWrite.toLocalTime().date().year() < 2018;
}

bool PassesOldStyleDateTest(const QString& path)
{
    int fd = -1;
    struct stat info {};
    int error = 0;
    const FileReadStatus status = OpenRegularFile(path, -1, fd, info, &error);
    if (fd >= 0)
        ::close(fd);
    if (status == FileReadStatus::NotRegular) {
        if (!S_ISDIR(info.st_mode)) {
            ShowMessage(NotAnOrdinaryFileMessage(path));
            return false;
        }
        error = EISDIR;
    }
    if (status == FileReadStatus::Missing && PathLostInDecoding(path)) {
        ShowMessage(NotUtf8NameMessage(path));
        return false;
    }
    if (status != FileReadStatus::Ok) {
        ShowMessage(QStringLiteral("Terminal failure: unable to open file \"%1\" for read. (%2)\n")
                        .arg(DisplayPath(path), QString::number(error)));
        return false;
    }
    const qint64 ms = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    if (IsOldStyleFileTime(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC))) {
        ShowMessage(
            QStringLiteral("This is an old-style .qsx file and is incompatible with the new system."));
        return false;
    }
    return true;
}
