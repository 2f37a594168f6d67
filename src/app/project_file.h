#pragma once

// The ".qsx" project file: a 122-byte header (magic, conversion mark and the
// preferences block) followed by one fixed-size scene record per stored scene
// up to the end of the file. Everything is little-endian and encoded field by
// field at the named offsets below; the in-memory structs are never cast onto
// the bytes.
//
// The codec is split in two. The pure part (project_codec.cpp, Qt Core only)
// turns bytes into a ProjectImage (header, records and the project-wide
// texts) and back and reads and writes those bytes, and touches nothing else.
// The thin part (project_file.cpp) copies a successful read into the
// program's globals and shows the messages. A file is read whole and checked
// before any global changes, so a refused file leaves the open project
// exactly as it was.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <vector>

#include "protocol/numbering.h"

// ---------------------------------------------------------------------------
// Single-byte text of the file
// ---------------------------------------------------------------------------

// Text in the file is single-byte Windows-1252. Characters that code page
// cannot hold become '?'.
QByteArray EncodeAnsiText(const QString& text);
// Decodes up to the first NUL (or the end of the bytes).
QString DecodeAnsiText(QByteArrayView bytes);

// A NUL-terminated text field of N bytes: at most N - 1 characters; longer
// text is cut. The raw bytes are what the file holds.
template <int N>
struct FixedText {
    static constexpr int kSize = N;
    std::array<char, N> bytes{};

    QString text() const { return DecodeAnsiText(QByteArrayView(bytes.data(), N)); }
    void setText(const QString& text) { setBytes(EncodeAnsiText(text)); }
    // Stores already encoded text, cut to N - 1 bytes, and clears the rest.
    void setBytes(QByteArrayView encoded)
    {
        bytes.fill(0);
        const qsizetype n = std::min<qsizetype>(encoded.size(), N - 1);
        for (qsizetype i = 0; i < n; ++i) {
            if (encoded[i] == '\0')
                break;
            bytes[static_cast<std::size_t>(i)] = encoded[i];
        }
    }
    bool operator==(const FixedText&) const = default;
};

using SceneText = FixedText<100>;    // names, notes and titles: 99 characters
using LinkLabelText = FixedText<10>; // a channel's link label: 9 characters

// ---------------------------------------------------------------------------
// Header and preferences block
// ---------------------------------------------------------------------------

// 27 int32 that mirror the preferences globals; offsets within the block.
struct PrefsBlock {
    std::int32_t PromptNewScene = 0;        // 0x00
    std::int32_t PromptRecallScene = 0;     // 0x04
    std::int32_t PromptSceneDelete = 0;     // 0x08
    std::int32_t PromptSceneReorder = 0;    // 0x0C
    std::int32_t MeterPeriodMs = 100;       // 0x10 (the global is 16 bits)
    std::int32_t MuteLinkedChannels = 1;    // 0x14
    std::int32_t PeakHold10Sec = 0;         // 0x18
    std::int32_t PeakHold3Sec = 1;          // 0x1C
    std::int32_t PeakHoldInfinite = 0;      // 0x20
    std::int32_t PeakHoldOff = 0;           // 0x24
    std::int32_t PeakHoldMs = 3000;         // 0x28
    std::int32_t RedZoneThreshold = 20;     // 0x2C
    std::int32_t MeterPeakAndVu = 0;        // 0x30
    std::int32_t MeterPeakOverVu = 1;       // 0x34
    std::int32_t MeterVuOnly = 0;           // 0x38
    std::int32_t MeterPeakOnly = 0;         // 0x3C
    std::int32_t Reserved = 0;              // 0x40
    std::int32_t DbuMaxLevelIndex = 0;      // 0x44
    std::int32_t DbuMaxLevel = 22;          // 0x48
    std::int32_t DbfsRefLevelIndex = 1;     // 0x4C
    std::int32_t DbfsRefLevel = -18;        // 0x50
    std::int32_t MeterPrefsSet2 = 1;        // 0x54
    std::int32_t MeterPrefsSet1 = 1;        // 0x58
    std::int32_t MeterScaleDbu = 0;         // 0x5C
    std::int32_t MeterScaleDbfs = 1;        // 0x60
    std::int32_t AutosaveMinutes = 10;      // 0x64
    std::int32_t AutosaveOff = 1;           // 0x68

    bool operator==(const PrefsBlock&) const = default;
};

struct ProjectFileHeader {
    std::array<char, 4> Magic{'Q', 'S', 'X', '\0'};
    std::array<char, 10> ConvertedMark{'C', 'O', 'N', 'V', 'E', 'R', 'T', 'E', 'D', '\0'};
    PrefsBlock Prefs;

    bool operator==(const ProjectFileHeader&) const = default;
};

namespace ProjectFileLayout {
inline constexpr int kMagicOffset = 0;
inline constexpr int kMagicSize = 4;
inline constexpr int kConvertedMarkOffset = 4;
inline constexpr int kConvertedMarkSize = 10;
inline constexpr int kPrefsOffset = 14;
inline constexpr int kPrefsFieldCount = 27;
inline constexpr int kPrefsSize = kPrefsFieldCount * 4;
inline constexpr int kHeaderSize = kPrefsOffset + kPrefsSize;
inline constexpr int kFirstRecordOffset = kHeaderSize;
static_assert(kConvertedMarkOffset == kMagicOffset + kMagicSize);
static_assert(kPrefsOffset == kConvertedMarkOffset + kConvertedMarkSize);
static_assert(kPrefsSize == 108);
static_assert(kHeaderSize == 122);
} // namespace ProjectFileLayout

// What the program works with in the preferences block. A file can carry
// anything in its words; decoding brings every field into these ranges (see
// PrefsInRange), so the timers, meters and dialogs never see a value they do
// not know, and the next save writes the block back in range.
namespace PrefsRange {
// The quickest and slowest metering period the program offers, in ms.
inline constexpr int kMinMeterPeriodMs = 50;
inline constexpr int kMaxMeterPeriodMs = 1000;
// The autosave interval the autosave dialog offers, in minutes.
inline constexpr int kMinAutosaveMinutes = 1;
inline constexpr int kMaxAutosaveMinutes = 60;
// The meter red-zone threshold the meter preferences offer.
inline constexpr int kMinRedZoneThreshold = 4;
inline constexpr int kMaxRedZoneThreshold = 22;
// The peak-hold times: 10 s, 3 s, infinite and off.
inline constexpr std::array<int, 4> kPeakHoldMs{10000, 3000, -1, 0};
// The items of the dBU maximum and the dBFS reference lists, in list order.
inline constexpr std::array<int, 5> kDbuMaxLevels{22, 18, 15, 12, 9};
inline constexpr std::array<int, 3> kDbfsRefLevels{-15, -18, -20};
} // namespace PrefsRange

// The block with every field in range; Reserved is kept as it is (it is
// written back as it was read). The rules: a flag is set when its word is not
// 0 (as the program tests it) and is held as 1; the metering period keeps the
// low 16 bits of its word (its global is 16 bits wide) within the offered
// periods; the red zone and the autosave interval are held to their ranges; a
// peak-hold time, list index or list level the program does not offer takes
// its default.
PrefsBlock PrefsInRange(const PrefsBlock& prefs);

QByteArray EncodeFileHeader(const ProjectFileHeader& header);

// Why a file (or its header) was refused.
enum class ProjectReadStatus {
    Ok,
    CannotOpen,      // "Cannot open file %s"
    NotRegularFile,  // a pipe, device or socket: refused before it is opened
    BadMagic,        // not "QSX\0" (also a file of fewer than 4 bytes)
    BadMarker,       // not "CONVERTED\0": refused without a message
    ShortPrefs,      // the preferences block is cut short
    TooManyScenes,   // more records than the scene list can hold
    TruncatedRecord, // never a refusal: names the message for cutShort below
    NameNotUtf8,     // a name Qt decoded with U+FFFD in it: no such file by that text
    OutOfMemory,     // never a refusal: names the message for outOfMemory below
};

// The refusal of a path that names a pipe, device or socket.
QString NotAnOrdinaryFileMessage(const QString& path);

// What the operator is told when a file chosen through Qt cannot be reached
// because its name is not valid UTF-8 (PathLostInDecoding).
QString NotUtf8NameMessage(const QString& path);

// The message shown for a refusal; empty where none is shown.
QString ProjectReadMessage(ProjectReadStatus status, const QString& path);

// Checks and decodes the first 122 bytes. status is Ok only with a header,
// whose preferences are then in range (PrefsInRange).
struct HeaderReadResult {
    ProjectReadStatus status = ProjectReadStatus::Ok;
    ProjectFileHeader header;
};
HeaderReadResult DecodeFileHeader(QByteArrayView bytes);

// ---------------------------------------------------------------------------
// Scene record
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Memory of scene records
// ---------------------------------------------------------------------------

// Where the memory of a scene record comes from at the two places the
// program takes one: a new scene in the scene store and a scene read in from
// a file. Both tell the operator when there is none and keep what they have.
// The allocator returns memory of operator new, or null when there is none;
// the default is the normal allocation. Tests put in one that runs out.
using SceneRecordAllocator = void* (*)(std::size_t bytes);
void SetSceneRecordAllocator(SceneRecordAllocator allocate); // null: the normal one
// Memory for a record through the allocator; throws std::bad_alloc when there is none.
void* AllocateSceneRecordMemory(std::size_t bytes);

// A standard allocator over AllocateSceneRecordMemory, for containers of records.
template <typename T>
struct SceneRecordAllocation {
    using value_type = T;
    SceneRecordAllocation() = default;
    template <typename U>
    SceneRecordAllocation(const SceneRecordAllocation<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateSceneRecordMemory(n * sizeof(T))); }
    void deallocate(T* p, std::size_t) noexcept { ::operator delete(p); }
    template <typename U>
    bool operator==(const SceneRecordAllocation<U>&) const noexcept { return true; }
};

template <typename T>
using ChannelFields = std::array<T, kChannelCount>;
using ChannelWords = ChannelFields<std::int32_t>;

// One scene: the whole state of all 384 channels plus the texts. Channel
// arrays by channel, unit arrays by slot - 1, link-group arrays by group - 1.
// The per-channel reserved words and the two list-link words of the file
// carry no meaning and are written as zero.
struct SceneRecord {
    std::int32_t Blocks = kSlotCount; // 8-channel blocks stored
    SceneText Name;                   // bare scene name
    SceneText Notes;
    ChannelWords SliderPosition{};    // gain step, 63 (61) the lowest gain
    ChannelWords PolButton{};         // switch states: 0 off, 1 on, 5 disabled
    ChannelWords PadButton{};
    ChannelWords Button48v{};
    ChannelWords MuteButton{};
    ChannelWords SplitButton{};
    ChannelWords SafeButton{};
    ChannelWords RbinButton{};
    ChannelWords SqrtButton{};
    ChannelWords LinkButton{};
    ChannelWords LinkGroup{};         // 0 none, 1 to 10
    ChannelWords LinkButtonDown{};    // 1 when LinkButton is 1
    ChannelWords LinkedSliderOffset{};
    ChannelFields<LinkLabelText> LinkGroupLabel{}; // written, never read back
    ChannelFields<SceneText> ChannelTitle{};
    ChannelFields<SceneText> ChannelNotes{};
    std::array<SceneText, kSlotCount> UnitName{};
    std::array<SceneText, kSlotCount> UnitNotes{};
    std::array<SceneText, kLinkGroupCount> LinkGroupTitle{};
    std::array<SceneText, kLinkGroupCount> LinkGroupNotes{};

    bool operator==(const SceneRecord&) const = default;
};

namespace SceneRecordLayout {
inline constexpr int kWordArraySize = kChannelCount * 4;
inline constexpr int kBlocks = 0x00000;
inline constexpr int kName = 0x00004;
inline constexpr int kNotes = 0x00068;
inline constexpr int kSliderPosition = 0x000CC;
inline constexpr int kReserved = 0x006CC;
inline constexpr int kPolButton = 0x00CCC;
inline constexpr int kPadButton = 0x012CC;
inline constexpr int kButton48v = 0x018CC;
inline constexpr int kMuteButton = 0x01ECC;
inline constexpr int kSplitButton = 0x024CC;
inline constexpr int kSafeButton = 0x02ACC;
inline constexpr int kRbinButton = 0x030CC;
inline constexpr int kSqrtButton = 0x036CC;
inline constexpr int kLinkButton = 0x03CCC;
inline constexpr int kLinkGroup = 0x042CC;
inline constexpr int kLinkButtonDown = 0x048CC;
inline constexpr int kLinkedSliderOffset = 0x04ECC;
inline constexpr int kLinkGroupLabel = 0x054CC;
inline constexpr int kChannelTitle = 0x063CC;
inline constexpr int kChannelNotes = 0x0F9CC;
inline constexpr int kUnitName = 0x18FCC;
inline constexpr int kUnitNotes = 0x1A28C;
inline constexpr int kLinkGroupTitle = 0x1B54C;
inline constexpr int kLinkGroupNotes = 0x1B934;
inline constexpr int kNext = 0x1BD1C;
inline constexpr int kPrev = 0x1BD20;
inline constexpr int kSize = 113956;

static_assert(kName == kBlocks + 4);
static_assert(kNotes == kName + SceneText::kSize);
static_assert(kSliderPosition == kNotes + SceneText::kSize);
static_assert(kReserved == kSliderPosition + kWordArraySize);
static_assert(kPolButton == kReserved + kWordArraySize);
static_assert(kPadButton == kPolButton + kWordArraySize);
static_assert(kButton48v == kPadButton + kWordArraySize);
static_assert(kMuteButton == kButton48v + kWordArraySize);
static_assert(kSplitButton == kMuteButton + kWordArraySize);
static_assert(kSafeButton == kSplitButton + kWordArraySize);
static_assert(kRbinButton == kSafeButton + kWordArraySize);
static_assert(kSqrtButton == kRbinButton + kWordArraySize);
static_assert(kLinkButton == kSqrtButton + kWordArraySize);
static_assert(kLinkGroup == kLinkButton + kWordArraySize);
static_assert(kLinkButtonDown == kLinkGroup + kWordArraySize);
static_assert(kLinkedSliderOffset == kLinkButtonDown + kWordArraySize);
static_assert(kLinkGroupLabel == kLinkedSliderOffset + kWordArraySize);
static_assert(kChannelTitle == kLinkGroupLabel + kChannelCount * LinkLabelText::kSize);
static_assert(kChannelNotes == kChannelTitle + kChannelCount * SceneText::kSize);
static_assert(kUnitName == kChannelNotes + kChannelCount * SceneText::kSize);
static_assert(kUnitNotes == kUnitName + kSlotCount * SceneText::kSize);
static_assert(kLinkGroupTitle == kUnitNotes + kSlotCount * SceneText::kSize);
static_assert(kLinkGroupNotes == kLinkGroupTitle + kLinkGroupCount * SceneText::kSize);
static_assert(kNext == kLinkGroupNotes + kLinkGroupCount * SceneText::kSize);
static_assert(kPrev == kNext + 4);
static_assert(kSize == kPrev + 4);
} // namespace SceneRecordLayout

inline constexpr int kSceneRecordSize = SceneRecordLayout::kSize;
// The scene list holds the blank scene and at most this many stored scenes.
inline constexpr int kMaxStoredScenes = kSceneCapacity - 1;

// Exactly kSceneRecordSize bytes.
QByteArray EncodeSceneRecord(const SceneRecord& record);
// bytes must hold kSceneRecordSize bytes; nothing otherwise. The record is
// brought into range (BringRecordIntoRange).
std::optional<SceneRecord> DecodeSceneRecord(QByteArrayView bytes);

// The number of 8-channel blocks a loaded record applies: Blocks, at most 48,
// and 0 for a zero or negative count.
int AppliedBlockCount(const SceneRecord& record);

// Brings every field of a record read from a file into the range the views,
// the link rules and the units work with, so that a damaged or foreign file
// can neither hide a switch, show a link group that does not exist nor push a
// linked fader move past the integers; a save then writes the record back in
// range. The rules:
// - a gain step, and a linked offset (a fader position taken as the
//   reference of linked moves), are held to the channel's fader range;
// - a switch state other than on or disabled is off: the units are told
//   "on" for state 1 only, so the switch shows what the unit was sent;
// - the Link-down word is a flag: set (1) when it is not 0, as the loader
//   tests it;
// - a link group outside 1 to 10 is no group (0);
// - a text field ends at its first NUL and keeps at most the characters a
//   save writes (one less than its size); the bytes after it are cleared.
// Blocks is left as it is: AppliedBlockCount reads it within range.
void BringRecordIntoRange(SceneRecord& record);

// ---------------------------------------------------------------------------
// Project-wide texts and the whole project image
// ---------------------------------------------------------------------------

// The texts that belong to the project rather than to one scene.
struct ProjectTexts {
    ChannelFields<QString> channelTitle;
    ChannelFields<QString> channelNotes;
    std::array<QString, kSlotCount> unitName;  // by slot - 1
    std::array<QString, kSlotCount> unitNotes;
    std::array<QString, kLinkGroupCount> linkGroupTitle;
    std::array<QString, kLinkGroupCount> linkGroupNotes;

    bool operator==(const ProjectTexts&) const = default;
};

// Puts the project-wide texts into every record, each cut to what its field
// holds, and marks every record as carrying all 48 blocks: what a save does.
void RefreshProjectTexts(std::vector<SceneRecord>& records, const ProjectTexts& texts);

// Everything a project file holds, decoded.
struct ProjectImage {
    ProjectFileHeader header;
    std::vector<SceneRecord> records; // scene-list items 1.. in order
    // The project-wide texts after the records were applied in file order
    // onto the texts the read started from: each record sets the link-group
    // texts and the channel and unit texts of the blocks it applies.
    ProjectTexts texts;
};

struct ProjectReadResult {
    ProjectReadStatus status = ProjectReadStatus::Ok;
    ProjectImage image; // valid only when status is Ok
    // The file ends inside a scene record: the whole records before it are
    // in image all the same (a save cut short), the piece is left aside.
    bool cutShort = false;
    // A record could not be allocated: the records read before it are in
    // image, the rest of the file is not.
    bool outOfMemory = false;
    bool ok() const { return status == ProjectReadStatus::Ok; }
};

// Bytes in, project out. base is the texts of the open project, which
// records of fewer than 48 blocks leave partly in place.
ProjectReadResult DecodeProjectFile(QByteArrayView bytes, const ProjectTexts& base);

// The whole file, header and records in scene-list order.
QByteArray EncodeProjectFile(const ProjectFileHeader& header,
                             const std::vector<SceneRecord>& records);

// A fingerprint of the file a save of these records with these texts would
// write (the records refreshed as RefreshProjectTexts does), taken a record
// at a time: a 199-scene project is 22 MB, and telling whether it changed
// since it was saved must neither copy it whole nor take long. Equal files
// give equal fingerprints; a changed one all but surely another.
std::size_t ProjectFileFingerprint(const ProjectFileHeader& header,
                                   const std::vector<const SceneRecord*>& records,
                                   const ProjectTexts& texts);

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

// Reads and decodes the file at path; nothing global changes. Only a regular
// file is opened (a pipe would hold the program until someone writes to it),
// and one longer than the header and one record past the most scenes the
// list holds is refused as too many scenes without being read.
ProjectReadResult ReadProjectImage(const QString& path, const ProjectTexts& base);

struct ProjectWriteResult {
    bool ok = false;
    QString error; // the message to show when !ok
};

// Writes the project to a temporary file in the target's folder and renames
// it over path only when every write and the close succeeded; on failure the
// old file stays as it was and error says what went wrong.
ProjectWriteResult WriteProjectFile(const QString& path, const ProjectFileHeader& header,
                                    const std::vector<SceneRecord>& records);
// The same for the scenes as they are stored, each written with the
// project-wide texts and 48 blocks (what a save writes), a record at a time:
// neither the records nor the file are copied whole.
ProjectWriteResult WriteProjectFile(const QString& path, const ProjectFileHeader& header,
                                    const std::vector<const SceneRecord*>& records,
                                    const ProjectTexts& texts);

// ---------------------------------------------------------------------------
// The running program's side
// ---------------------------------------------------------------------------

// The reserved word of the preferences block as the last successful read
// left it (0 before any): it is written back as it was read.
extern std::int32_t g_PrefsImageReserved;

PrefsBlock PrefsFromGlobals();
// Copies the 26 fields other than Reserved, brought into range first
// (PrefsInRange), into the preferences globals and g_MeterPeriodMs (its low
// 16 bits), and keeps Reserved for the next write.
void ApplyPrefsToGlobals(const PrefsBlock& prefs);
// The header a save writes now.
ProjectFileHeader CurrentFileHeader();

ProjectTexts CurrentProjectTexts();
void ApplyProjectTexts(const ProjectTexts& texts);

// Applies a successful read to the globals: preferences, project-wide texts,
// the scene names and notes (entry 0 the blank scene), the scene count and
// cleared modified marks. The records themselves go to the scene store.
void ApplyProjectImage(const ProjectImage& image);

// Reads the project at path. On refusal shows the message (if any) in the
// skinned message box and returns nothing: the open project, its scenes and
// preferences are untouched. On success applies the image (ApplyProjectImage)
// and returns the file's records for the scene store, in scene-list order.
// cutShort (when given) tells whether the file ended inside a record; the
// caller then tells the operator once the load is done
// (ShowCutShortProjectMessage). outOfMemory (when given) tells whether the
// records stop where memory ran out; the caller then says so
// (ShowProjectReadInMemoryMessage).
std::optional<std::vector<SceneRecord>> ReadProjectFile(const QString& path, bool* cutShort = nullptr,
                                                        bool* outOfMemory = nullptr);

// Tells the operator (skinned message box) that the file at path ends in the
// middle of a scene and only its whole scenes were loaded.
void ShowCutShortProjectMessage(const QString& path);
// "Cannot allocate memory for file read-in" (skinned message box).
void ShowProjectReadInMemoryMessage();

// The rest of a successful load, once the scene store has taken the records
// and reset the channels: the path and file name become the project's, the
// folder the last used directory (also in the INI file), the path heads the
// recent-file list, the blank scene is current and the project has a file.
// A file name shorter than 4 characters shows "Bad file" and changes none of
// that; the result is then false. profileWritten (when given) tells whether
// the INI file took the folder and the list.
bool FinishProjectLoad(const QString& path, bool* profileWritten = nullptr);

// Autosave period in ms for timer 6 from the preferences globals; 0 when
// autosave is off.
int AutosaveIntervalMs();

// Saves the records to path: every record gets the current project-wide
// texts and 48 blocks, the header comes from the preferences globals, and the
// file is replaced atomically. A failure shows its message in the skinned
// message box and returns false; the old file is then untouched.
bool SaveProjectFile(const QString& path, std::vector<SceneRecord>& records);
// The same for the scenes as they are stored, which are left as they are.
bool SaveProjectFile(const QString& path, const std::vector<const SceneRecord*>& records);

// ---------------------------------------------------------------------------
// The date test of Open
// ---------------------------------------------------------------------------

// A project file last written before 2018 in local time is of the old kind
// that this program cannot read.
bool IsOldStyleFileTime(const QDateTime& lastWrite);

// Opens path for reading to take its last-write time. Shows (plain message
// box) "Terminal failure: unable to open file \"%s\" for read. (%d)\n" when it
// cannot be opened and "This is an old-style .qsx file and is incompatible
// with the new system." for an old file; true when the file may be loaded.
bool PassesOldStyleDateTest(const QString& path);
