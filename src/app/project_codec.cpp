#include "app/project_file.h"

// The pure half of the project file: text, header, records and the whole
// file as bytes, plus reading and writing those bytes. It needs Qt Core and
// nothing of the running program, so it can be built on its own.

#include <QHash>
#include <QStringDecoder>
#include <QtEndian>

#include <cstring>
#include <memory>
#include <new>

#include <sys/stat.h>

#include "platform/path_text.h"
#include "platform/regular_file.h"
#include "platform/safe_file_write.h"

namespace {

// ---------------------------------------------------------------------------
// Windows-1252
// ---------------------------------------------------------------------------

// Both directions as tables, built once from the system's converter. When it
// knows no Windows-1252 the bytes are taken as Latin-1.
struct CodePage {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, char> fromUnicode;
};

const CodePage& Cp1252()
{
    static const CodePage page = [] {
        CodePage p;
        QStringDecoder decoder("windows-1252");
        for (int b = 0; b < 256; ++b) {
            char16_t u = static_cast<char16_t>(b);
            if (decoder.isValid() && b >= 0x80) {
                const char byte = static_cast<char>(b);
                decoder.resetState();
                const QString one = decoder.decode(QByteArrayView(&byte, 1));
                if (one.size() == 1 && !one[0].isSurrogate() && one[0] != QChar::ReplacementCharacter)
                    u = one[0].unicode();
            }
            p.toUnicode[static_cast<std::size_t>(b)] = u;
        }
        for (int b = 0; b < 256; ++b) {
            const char16_t u = p.toUnicode[static_cast<std::size_t>(b)];
            if (!p.fromUnicode.contains(u))
                p.fromUnicode.insert(u, static_cast<char>(b));
        }
        return p;
    }();
    return page;
}

// ---------------------------------------------------------------------------
// Little-endian words
// ---------------------------------------------------------------------------

void PutI32(char* base, int offset, std::int32_t value)
{
    qToLittleEndian<std::int32_t>(value, base + offset);
}

std::int32_t GetI32(const char* base, int offset)
{
    return qFromLittleEndian<std::int32_t>(base + offset);
}

template <int N>
void PutText(char* base, int offset, const FixedText<N>& text)
{
    std::memcpy(base + offset, text.bytes.data(), N);
}

template <int N>
void GetText(const char* base, int offset, FixedText<N>& text)
{
    std::memcpy(text.bytes.data(), base + offset, N);
}

// ---------------------------------------------------------------------------
// Preferences block fields
// ---------------------------------------------------------------------------

struct PrefsField {
    int offset; // within the block
    std::int32_t PrefsBlock::*member;
};

constexpr std::array<PrefsField, ProjectFileLayout::kPrefsFieldCount> kPrefsFields{{
    {0x00, &PrefsBlock::PromptNewScene},
    {0x04, &PrefsBlock::PromptRecallScene},
    {0x08, &PrefsBlock::PromptSceneDelete},
    {0x0C, &PrefsBlock::PromptSceneReorder},
    {0x10, &PrefsBlock::MeterPeriodMs},
    {0x14, &PrefsBlock::MuteLinkedChannels},
    {0x18, &PrefsBlock::PeakHold10Sec},
    {0x1C, &PrefsBlock::PeakHold3Sec},
    {0x20, &PrefsBlock::PeakHoldInfinite},
    {0x24, &PrefsBlock::PeakHoldOff},
    {0x28, &PrefsBlock::PeakHoldMs},
    {0x2C, &PrefsBlock::RedZoneThreshold},
    {0x30, &PrefsBlock::MeterPeakAndVu},
    {0x34, &PrefsBlock::MeterPeakOverVu},
    {0x38, &PrefsBlock::MeterVuOnly},
    {0x3C, &PrefsBlock::MeterPeakOnly},
    {0x40, &PrefsBlock::Reserved},
    {0x44, &PrefsBlock::DbuMaxLevelIndex},
    {0x48, &PrefsBlock::DbuMaxLevel},
    {0x4C, &PrefsBlock::DbfsRefLevelIndex},
    {0x50, &PrefsBlock::DbfsRefLevel},
    {0x54, &PrefsBlock::MeterPrefsSet2},
    {0x58, &PrefsBlock::MeterPrefsSet1},
    {0x5C, &PrefsBlock::MeterScaleDbu},
    {0x60, &PrefsBlock::MeterScaleDbfs},
    {0x64, &PrefsBlock::AutosaveMinutes},
    {0x68, &PrefsBlock::AutosaveOff},
}};

constexpr bool PrefsFieldsAreConsecutive()
{
    for (std::size_t i = 0; i < kPrefsFields.size(); ++i) {
        if (kPrefsFields[i].offset != static_cast<int>(i) * 4)
            return false;
    }
    return true;
}
static_assert(PrefsFieldsAreConsecutive());
static_assert(kPrefsFields.size() * 4 == ProjectFileLayout::kPrefsSize);

// ---------------------------------------------------------------------------
// Scene record fields
// ---------------------------------------------------------------------------

struct WordArrayField {
    int offset;
    ChannelWords SceneRecord::*member;
};

const std::array<WordArrayField, 13> kWordArrays{{
    {SceneRecordLayout::kSliderPosition, &SceneRecord::SliderPosition},
    {SceneRecordLayout::kPolButton, &SceneRecord::PolButton},
    {SceneRecordLayout::kPadButton, &SceneRecord::PadButton},
    {SceneRecordLayout::kButton48v, &SceneRecord::Button48v},
    {SceneRecordLayout::kMuteButton, &SceneRecord::MuteButton},
    {SceneRecordLayout::kSplitButton, &SceneRecord::SplitButton},
    {SceneRecordLayout::kSafeButton, &SceneRecord::SafeButton},
    {SceneRecordLayout::kRbinButton, &SceneRecord::RbinButton},
    {SceneRecordLayout::kSqrtButton, &SceneRecord::SqrtButton},
    {SceneRecordLayout::kLinkButton, &SceneRecord::LinkButton},
    {SceneRecordLayout::kLinkGroup, &SceneRecord::LinkGroup},
    {SceneRecordLayout::kLinkButtonDown, &SceneRecord::LinkButtonDown},
    {SceneRecordLayout::kLinkedSliderOffset, &SceneRecord::LinkedSliderOffset},
}};

template <typename Array>
void PutTextArray(char* base, int offset, const Array& texts)
{
    for (std::size_t i = 0; i < texts.size(); ++i)
        PutText(base, offset + static_cast<int>(i) * texts[i].kSize, texts[i]);
}

template <typename Array>
void GetTextArray(const char* base, int offset, Array& texts)
{
    for (std::size_t i = 0; i < texts.size(); ++i)
        GetText(base, offset + static_cast<int>(i) * texts[i].kSize, texts[i]);
}

// Fills exactly kSceneRecordSize bytes at out; the unused words become zero.
void EncodeSceneRecordInto(const SceneRecord& r, char* out)
{
    using namespace SceneRecordLayout;
    std::memset(out, 0, kSize);
    PutI32(out, kBlocks, r.Blocks);
    PutText(out, kName, r.Name);
    PutText(out, kNotes, r.Notes);
    for (const WordArrayField& field : kWordArrays) {
        const ChannelWords& words = r.*field.member;
        for (int ch = 0; ch < kChannelCount; ++ch)
            PutI32(out, field.offset + ch * 4, words[static_cast<std::size_t>(ch)]);
    }
    PutTextArray(out, kLinkGroupLabel, r.LinkGroupLabel);
    PutTextArray(out, kChannelTitle, r.ChannelTitle);
    PutTextArray(out, kChannelNotes, r.ChannelNotes);
    PutTextArray(out, kUnitName, r.UnitName);
    PutTextArray(out, kUnitNotes, r.UnitNotes);
    PutTextArray(out, kLinkGroupTitle, r.LinkGroupTitle);
    PutTextArray(out, kLinkGroupNotes, r.LinkGroupNotes);
}

// Holds a text field to what its text is: up to the first NUL, at most
// N - 1 bytes, the rest cleared.
template <int N>
void EndTextField(FixedText<N>& text)
{
    const std::array<char, N> read = text.bytes;
    text.setBytes(QByteArrayView(read.data(), N));
}

template <typename Array>
void EndTextFields(Array& texts)
{
    for (auto& text : texts)
        EndTextField(text);
}

constexpr std::array<ChannelWords SceneRecord::*, 9> kSwitchWords{
    &SceneRecord::PolButton,  &SceneRecord::PadButton,  &SceneRecord::Button48v,
    &SceneRecord::MuteButton, &SceneRecord::SplitButton, &SceneRecord::SafeButton,
    &SceneRecord::RbinButton, &SceneRecord::SqrtButton, &SceneRecord::LinkButton,
};

std::int32_t SwitchStateInRange(std::int32_t state)
{
    return state == SWITCH_ON || state == SWITCH_DISABLED ? state : SWITCH_OFF;
}

SceneRecord DecodeSceneRecordFrom(const char* in)
{
    using namespace SceneRecordLayout;
    SceneRecord r;
    r.Blocks = GetI32(in, kBlocks);
    GetText(in, kName, r.Name);
    GetText(in, kNotes, r.Notes);
    for (const WordArrayField& field : kWordArrays) {
        ChannelWords& words = r.*field.member;
        for (int ch = 0; ch < kChannelCount; ++ch)
            words[static_cast<std::size_t>(ch)] = GetI32(in, field.offset + ch * 4);
    }
    GetTextArray(in, kLinkGroupLabel, r.LinkGroupLabel);
    GetTextArray(in, kChannelTitle, r.ChannelTitle);
    GetTextArray(in, kChannelNotes, r.ChannelNotes);
    GetTextArray(in, kUnitName, r.UnitName);
    GetTextArray(in, kUnitNotes, r.UnitNotes);
    GetTextArray(in, kLinkGroupTitle, r.LinkGroupTitle);
    GetTextArray(in, kLinkGroupNotes, r.LinkGroupNotes);
    BringRecordIntoRange(r);
    return r;
}

// Applies the texts of one loaded record as the loader does: link groups
// always, channels and units only for the blocks it carries.
void MergeRecordTexts(const SceneRecord& r, ProjectTexts& texts)
{
    for (int g = 0; g < kLinkGroupCount; ++g) {
        const auto i = static_cast<std::size_t>(g);
        texts.linkGroupTitle[i] = r.LinkGroupTitle[i].text();
        texts.linkGroupNotes[i] = r.LinkGroupNotes[i].text();
    }
    const int blocks = AppliedBlockCount(r);
    for (int ch = 0; ch < blocks * 8; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        texts.channelTitle[i] = r.ChannelTitle[i].text();
        texts.channelNotes[i] = r.ChannelNotes[i].text();
    }
    for (int b = 0; b < blocks; ++b) {
        const auto i = static_cast<std::size_t>(b);
        texts.unitName[i] = r.UnitName[i].text();
        texts.unitNotes[i] = r.UnitNotes[i].text();
    }
}

// The longest file worth reading: the header, every record the scene list
// can hold and one whole record more, which tells a file of too many scenes
// (refused) from one whose last scene was cut short (its whole scenes load).
constexpr qint64 kLongestReadBytes =
    qint64(ProjectFileLayout::kHeaderSize) + qint64(kMaxStoredScenes + 1) * kSceneRecordSize;

} // namespace

// ---------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------

QByteArray EncodeAnsiText(const QString& text)
{
    const CodePage& page = Cp1252();
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            out.append(static_cast<char>(c.unicode()));
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i; // one character outside the code page, one '?'
        const auto it = page.fromUnicode.constFind(c.unicode());
        out.append(it != page.fromUnicode.constEnd() && !c.isSurrogate() ? *it : '?');
    }
    return out;
}

QString DecodeAnsiText(QByteArrayView bytes)
{
    const CodePage& page = Cp1252();
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        if (b == '\0')
            break;
        out.append(QChar(page.toUnicode[static_cast<unsigned char>(b)]));
    }
    return out;
}

// ---------------------------------------------------------------------------
// Header
// ---------------------------------------------------------------------------

QString ProjectReadMessage(ProjectReadStatus status, const QString& path)
{
    switch (status) {
    case ProjectReadStatus::Ok:
    case ProjectReadStatus::BadMarker:
        return QString();
    case ProjectReadStatus::CannotOpen:
        return QStringLiteral("Cannot open file %1").arg(DisplayPath(path));
    case ProjectReadStatus::NameNotUtf8:
        return NotUtf8NameMessage(path);
    case ProjectReadStatus::OutOfMemory:
        return QStringLiteral("Cannot allocate memory for file read-in");
    case ProjectReadStatus::NotRegularFile:
        return NotAnOrdinaryFileMessage(path);
    case ProjectReadStatus::BadMagic:
        return QStringLiteral("This Corvane scene file is incompatible with this version of Corvane.");
    case ProjectReadStatus::ShortPrefs:
        return QStringLiteral("Failed to read prefs");
    case ProjectReadStatus::TooManyScenes:
        return QStringLiteral("The file %1 holds more than %2 scenes and was not loaded.")
            .arg(DisplayPath(path), QString::number(kMaxStoredScenes));
    case ProjectReadStatus::TruncatedRecord:
        return QStringLiteral("The file %1 ends in the middle of a scene.")
            .arg(DisplayPath(path));
    }
    return QString();
}

PrefsBlock PrefsInRange(const PrefsBlock& prefs)
{
    using namespace PrefsRange;
    const PrefsBlock defaults;
    PrefsBlock p = prefs;
    for (std::int32_t PrefsBlock::*flag :
         {&PrefsBlock::PromptNewScene, &PrefsBlock::PromptRecallScene,
          &PrefsBlock::PromptSceneDelete, &PrefsBlock::PromptSceneReorder,
          &PrefsBlock::MuteLinkedChannels, &PrefsBlock::PeakHold10Sec, &PrefsBlock::PeakHold3Sec,
          &PrefsBlock::PeakHoldInfinite, &PrefsBlock::PeakHoldOff, &PrefsBlock::MeterPeakAndVu,
          &PrefsBlock::MeterPeakOverVu, &PrefsBlock::MeterVuOnly, &PrefsBlock::MeterPeakOnly,
          &PrefsBlock::MeterPrefsSet2, &PrefsBlock::MeterPrefsSet1, &PrefsBlock::MeterScaleDbu,
          &PrefsBlock::MeterScaleDbfs, &PrefsBlock::AutosaveOff})
        p.*flag = p.*flag != 0 ? 1 : 0;
    p.MeterPeriodMs = std::clamp<std::int32_t>(p.MeterPeriodMs & 0xFFFF, kMinMeterPeriodMs,
                                               kMaxMeterPeriodMs);
    p.RedZoneThreshold =
        std::clamp<std::int32_t>(p.RedZoneThreshold, kMinRedZoneThreshold, kMaxRedZoneThreshold);
    p.AutosaveMinutes =
        std::clamp<std::int32_t>(p.AutosaveMinutes, kMinAutosaveMinutes, kMaxAutosaveMinutes);
    const auto offered = [](const auto& values, std::int32_t v) {
        return std::find(values.begin(), values.end(), v) != values.end();
    };
    if (!offered(kPeakHoldMs, p.PeakHoldMs))
        p.PeakHoldMs = defaults.PeakHoldMs;
    if (!offered(kDbuMaxLevels, p.DbuMaxLevel))
        p.DbuMaxLevel = defaults.DbuMaxLevel;
    if (!offered(kDbfsRefLevels, p.DbfsRefLevel))
        p.DbfsRefLevel = defaults.DbfsRefLevel;
    if (p.DbuMaxLevelIndex < 0 || p.DbuMaxLevelIndex >= std::int32_t(kDbuMaxLevels.size()))
        p.DbuMaxLevelIndex = defaults.DbuMaxLevelIndex;
    if (p.DbfsRefLevelIndex < 0 || p.DbfsRefLevelIndex >= std::int32_t(kDbfsRefLevels.size()))
        p.DbfsRefLevelIndex = defaults.DbfsRefLevelIndex;
    return p;
}

QByteArray EncodeFileHeader(const ProjectFileHeader& header)
{
    using namespace ProjectFileLayout;
    QByteArray out(kHeaderSize, '\0');
    char* p = out.data();
    std::memcpy(p + kMagicOffset, header.Magic.data(), kMagicSize);
    std::memcpy(p + kConvertedMarkOffset, header.ConvertedMark.data(), kConvertedMarkSize);
    for (const PrefsField& field : kPrefsFields)
        PutI32(p, kPrefsOffset + field.offset, header.Prefs.*field.member);
    return out;
}

HeaderReadResult DecodeFileHeader(QByteArrayView bytes)
{
    using namespace ProjectFileLayout;
    HeaderReadResult result;
    const ProjectFileHeader expected;
    if (bytes.size() < kMagicOffset + kMagicSize
        || std::memcmp(bytes.data() + kMagicOffset, expected.Magic.data(), kMagicSize) != 0) {
        result.status = ProjectReadStatus::BadMagic;
        return result;
    }
    if (bytes.size() < kConvertedMarkOffset + kConvertedMarkSize
        || std::memcmp(bytes.data() + kConvertedMarkOffset, expected.ConvertedMark.data(),
                       kConvertedMarkSize) != 0) {
        result.status = ProjectReadStatus::BadMarker;
        return result;
    }
    if (bytes.size() < kHeaderSize) {
        result.status = ProjectReadStatus::ShortPrefs;
        return result;
    }
    PrefsBlock read;
    for (const PrefsField& field : kPrefsFields)
        read.*field.member = GetI32(bytes.data(), kPrefsOffset + field.offset);
    result.header.Prefs = PrefsInRange(read);
    return result;
}

// ---------------------------------------------------------------------------
// Records and the whole file
// ---------------------------------------------------------------------------

QByteArray EncodeSceneRecord(const SceneRecord& record)
{
    QByteArray out(kSceneRecordSize, '\0');
    EncodeSceneRecordInto(record, out.data());
    return out;
}

std::optional<SceneRecord> DecodeSceneRecord(QByteArrayView bytes)
{
    if (bytes.size() != kSceneRecordSize)
        return std::nullopt;
    return DecodeSceneRecordFrom(bytes.data());
}

int AppliedBlockCount(const SceneRecord& record)
{
    return std::clamp<std::int32_t>(record.Blocks, 0, kSlotCount);
}

void BringRecordIntoRange(SceneRecord& r)
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        const int deepest = MaxGainStepOfChannel(ch);
        r.SliderPosition[c] = std::clamp<std::int32_t>(r.SliderPosition[c], 0, deepest);
        r.LinkedSliderOffset[c] = std::clamp<std::int32_t>(r.LinkedSliderOffset[c], 0, deepest);
        for (ChannelWords SceneRecord::*field : kSwitchWords)
            (r.*field)[c] = SwitchStateInRange((r.*field)[c]);
        r.LinkButtonDown[c] = r.LinkButtonDown[c] != 0 ? 1 : 0;
        if (r.LinkGroup[c] < 0 || r.LinkGroup[c] > kLinkGroupCount)
            r.LinkGroup[c] = 0;
    }
    EndTextField(r.Name);
    EndTextField(r.Notes);
    EndTextFields(r.LinkGroupLabel);
    EndTextFields(r.ChannelTitle);
    EndTextFields(r.ChannelNotes);
    EndTextFields(r.UnitName);
    EndTextFields(r.UnitNotes);
    EndTextFields(r.LinkGroupTitle);
    EndTextFields(r.LinkGroupNotes);
}

namespace {

// The project-wide texts encoded once, as every record of a save carries them.
SceneRecord TextImageOf(const ProjectTexts& texts)
{
    SceneRecord image;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        image.ChannelTitle[i].setText(texts.channelTitle[i]);
        image.ChannelNotes[i].setText(texts.channelNotes[i]);
    }
    for (int s = 0; s < kSlotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        image.UnitName[i].setText(texts.unitName[i]);
        image.UnitNotes[i].setText(texts.unitNotes[i]);
    }
    for (int g = 0; g < kLinkGroupCount; ++g) {
        const auto i = static_cast<std::size_t>(g);
        image.LinkGroupTitle[i].setText(texts.linkGroupTitle[i]);
        image.LinkGroupNotes[i].setText(texts.linkGroupNotes[i]);
    }
    return image;
}

void TakeTexts(SceneRecord& r, const SceneRecord& image)
{
    r.Blocks = kSlotCount;
    r.ChannelTitle = image.ChannelTitle;
    r.ChannelNotes = image.ChannelNotes;
    r.UnitName = image.UnitName;
    r.UnitNotes = image.UnitNotes;
    r.LinkGroupTitle = image.LinkGroupTitle;
    r.LinkGroupNotes = image.LinkGroupNotes;
}

} // namespace

void RefreshProjectTexts(std::vector<SceneRecord>& records, const ProjectTexts& texts)
{
    const SceneRecord image = TextImageOf(texts);
    for (SceneRecord& r : records)
        TakeTexts(r, image);
}

namespace {

// Hands sink the bytes of a project file a piece at a time: the header, then
// each record, with the project-wide texts and 48 blocks when texts is given.
// A 199-scene file is 22 MB: it is never built whole, nor its records copied.
// Stops at the first piece the sink refuses; false then.
template <typename Sink>
bool EmitProjectFile(const ProjectFileHeader& header, const std::vector<const SceneRecord*>& records,
                     const ProjectTexts* texts, Sink&& sink)
{
    const QByteArray head = EncodeFileHeader(header);
    if (!sink(QByteArrayView(head)))
        return false;
    std::unique_ptr<SceneRecord> image;
    std::unique_ptr<SceneRecord> scratch;
    if (texts) {
        image = std::make_unique<SceneRecord>(TextImageOf(*texts));
        scratch = std::make_unique<SceneRecord>();
    }
    QByteArray bytes(kSceneRecordSize, '\0');
    for (const SceneRecord* r : records) {
        if (image) {
            *scratch = *r;
            TakeTexts(*scratch, *image);
            r = scratch.get();
        }
        EncodeSceneRecordInto(*r, bytes.data());
        if (!sink(QByteArrayView(bytes)))
            return false;
    }
    return true;
}

} // namespace

std::size_t ProjectFileFingerprint(const ProjectFileHeader& header,
                                   const std::vector<const SceneRecord*>& records,
                                   const ProjectTexts& texts)
{
    std::size_t print = records.size();
    EmitProjectFile(header, records, &texts, [&print](QByteArrayView piece) {
        print = qHashBits(piece.data(), std::size_t(piece.size()), print);
        return true;
    });
    return print;
}

namespace {

SceneRecordAllocator g_sceneRecordAllocator = nullptr;

// Releases a record buffer taken with AllocateSceneRecordMemory.
struct RecordBufferRelease {
    void operator()(SceneRecord* record) const noexcept
    {
        record->~SceneRecord();
        ::operator delete(record);
    }
};

} // namespace

void SetSceneRecordAllocator(SceneRecordAllocator allocate)
{
    g_sceneRecordAllocator = allocate;
}

void* AllocateSceneRecordMemory(std::size_t bytes)
{
    if (!g_sceneRecordAllocator)
        return ::operator new(bytes);
    if (void* memory = g_sceneRecordAllocator(bytes))
        return memory;
    throw std::bad_alloc();
}

ProjectReadResult DecodeProjectFile(QByteArrayView bytes, const ProjectTexts& base)
{
    ProjectReadResult result;
    const HeaderReadResult header = DecodeFileHeader(bytes);
    if (header.status != ProjectReadStatus::Ok) {
        result.status = header.status;
        return result;
    }
    const qint64 rest = bytes.size() - ProjectFileLayout::kHeaderSize;
    // A file that ends inside a record (a save cut short) still gives its
    // whole records; the piece of the last one is left aside.
    const qint64 whole = rest / kSceneRecordSize;
    if (whole > kMaxStoredScenes) {
        result.status = ProjectReadStatus::TooManyScenes;
        return result;
    }
    result.cutShort = rest % kSceneRecordSize != 0;
    result.image.header = header.header;
    result.image.texts = base;
    std::vector<SceneRecord>& records = result.image.records;
    try {
        records.reserve(static_cast<std::size_t>(whole));
    } catch (const std::bad_alloc&) {
        // Not all at once: as many as memory takes, one at a time, below.
    }
    for (qint64 n = 0; n < whole; ++n) {
        const char* at = bytes.data() + ProjectFileLayout::kFirstRecordOffset + n * kSceneRecordSize;
        // Each record is read into a buffer of its own first; when memory
        // runs out, the scenes read so far are kept and the rest is left.
        try {
            const std::unique_ptr<SceneRecord, RecordBufferRelease> buffer(
                new (AllocateSceneRecordMemory(sizeof(SceneRecord))) SceneRecord(DecodeSceneRecordFrom(at)));
            records.push_back(std::move(*buffer));
        } catch (const std::bad_alloc&) {
            result.outOfMemory = true;
            break;
        }
        MergeRecordTexts(records.back(), result.image.texts);
    }
    return result;
}

QByteArray EncodeProjectFile(const ProjectFileHeader& header,
                             const std::vector<SceneRecord>& records)
{
    QByteArray out = EncodeFileHeader(header);
    const qsizetype start = out.size();
    out.resize(start + qsizetype(records.size()) * kSceneRecordSize);
    for (std::size_t n = 0; n < records.size(); ++n)
        EncodeSceneRecordInto(records[n], out.data() + start + qsizetype(n) * kSceneRecordSize);
    return out;
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

QString NotAnOrdinaryFileMessage(const QString& path)
{
    return QStringLiteral("The file %1 cannot be opened as a project: it is not an ordinary file "
                          "(it may be a pipe, a device or a socket).")
        .arg(DisplayPath(path));
}

QString NotUtf8NameMessage(const QString& path)
{
    return QStringLiteral("Cannot open file %1: its name is not valid UTF-8, so this program cannot "
                          "reach it by that name. Please rename the file and try again.")
        .arg(DisplayPath(path));
}

ProjectReadResult ReadProjectImage(const QString& path, const ProjectTexts& base)
{
    const RegularFileRead read = ReadRegularFile(path, kLongestReadBytes);
    ProjectReadResult result;
    switch (read.status) {
    case FileReadStatus::Ok:
        return DecodeProjectFile(read.bytes, base);
    case FileReadStatus::TooLarge:
        result.status = ProjectReadStatus::TooManyScenes;
        return result;
    case FileReadStatus::NotRegular: {
        struct stat info {};
        const bool folder = ::stat(NativeFromPath(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
        result.status = folder ? ProjectReadStatus::CannotOpen : ProjectReadStatus::NotRegularFile;
        return result;
    }
    case FileReadStatus::Missing:
        if (PathLostInDecoding(path)) {
            result.status = ProjectReadStatus::NameNotUtf8;
            return result;
        }
        break;
    case FileReadStatus::Unreadable:
        break;
    }
    result.status = ProjectReadStatus::CannotOpen;
    return result;
}

namespace {

ProjectWriteResult WriteProject(const QString& path, const ProjectFileHeader& header,
                                const std::vector<const SceneRecord*>& records, const ProjectTexts* texts)
{
    ProjectWriteResult result;
    // Saves of this project that were cut short (up to a whole project
    // each) go first, which also gives this one their room.
    RemoveLeftTemporaries(path);
    SafeFileWriter file(path);
    if (!file.open()) {
        result.error = PathLostInDecoding(path) ? NotUtf8NameMessage(path)
                                                : QStringLiteral("Cannot open file %1").arg(DisplayPath(path));
        return result;
    }
    // The header is the first piece: one that does not reach the disk is
    // told apart from a failure later on.
    int piecesWritten = 0;
    EmitProjectFile(header, records, texts, [&](QByteArrayView piece) {
        if (!file.write(piece))
            return false;
        ++piecesWritten;
        return true;
    });
    if (piecesWritten == 0) {
        file.cancel();
        result.error = QStringLiteral("Failed to write prefs");
        return result;
    }
    if (!file.commit()) {
        result.error =
            QStringLiteral("The project could not be saved to %1. The file on disk was left as it was.")
                .arg(DisplayPath(path));
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace

ProjectWriteResult WriteProjectFile(const QString& path, const ProjectFileHeader& header,
                                    const std::vector<SceneRecord>& records)
{
    std::vector<const SceneRecord*> pointers;
    pointers.reserve(records.size());
    for (const SceneRecord& record : records)
        pointers.push_back(&record);
    return WriteProject(path, header, pointers, nullptr);
}

ProjectWriteResult WriteProjectFile(const QString& path, const ProjectFileHeader& header,
                                    const std::vector<const SceneRecord*>& records,
                                    const ProjectTexts& texts)
{
    return WriteProject(path, header, records, &texts);
}
