// Feeds arbitrary bytes to the project-file decoder. Whatever it accepts must
// survive a round trip: encoded again and decoded once more, the header and
// every scene record come back unchanged. The scene names and notes must also
// survive the text codec: a decoded name encodes back to the bytes it came
// from. And every control word it hands on lies in the range the console
// works with: gain steps and linked offsets within the channel's fader,
// switch states off, on or disabled, link groups 0 to 10.
//
// Run as "project_fuzzer -write_seed=DIR" it writes one small valid project
// into DIR and exits, so a corpus can start from a file the decoder takes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QFile>
#include <QString>

#include "app/project_file.h"

namespace {

// A header with a few preferences off their defaults and two scenes that
// carry names, notes, control words and texts.
QByteArray SeedProject()
{
    ProjectFileHeader header;
    header.Prefs.MeterPeriodMs = 250;
    header.Prefs.AutosaveMinutes = 5;
    header.Prefs.AutosaveOff = 0;
    header.Prefs.Reserved = 0x5A5A;
    std::vector<SceneRecord> records(2);
    records[0].Name.setText(QStringLiteral("Opening"));
    records[0].Notes.setText(QStringLiteral("Caf\u00e9 stage \u20ac"));
    records[0].SliderPosition[0] = 12;
    records[0].MuteButton[3] = 1;
    records[0].LinkGroup[8] = 2;
    records[0].LinkGroupLabel[8].setText(QStringLiteral("Drums"));
    records[1].Name.setText(QStringLiteral("Encore"));
    records[1].Blocks = 2;
    records[1].PolButton[kChannelCount - 1] = 5;
    ProjectTexts texts;
    texts.channelTitle[0] = QStringLiteral("Kick");
    texts.unitName[0] = QStringLiteral("Stage left");
    texts.linkGroupTitle[1] = QStringLiteral("Drums");
    RefreshProjectTexts(records, texts);
    records[1].Blocks = 2;
    return EncodeProjectFile(header, records);
}

// The bytes of a text field up to its first NUL.
template <int N>
QByteArrayView StoredBytes(const FixedText<N>& text)
{
    const char* nul = static_cast<const char*>(std::memchr(text.bytes.data(), 0, N));
    return QByteArrayView(text.bytes.data(), nul ? nul - text.bytes.data() : N);
}

template <int N>
void CheckTextRoundTrip(const FixedText<N>& text)
{
    if (EncodeAnsiText(text.text()) != StoredBytes(text))
        __builtin_trap();
}

void CheckControlWordsInRange(const SceneRecord& r)
{
    const auto isState = [](std::int32_t s) {
        return s == SWITCH_OFF || s == SWITCH_ON || s == SWITCH_DISABLED;
    };
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        const int deepest = MaxGainStepOfChannel(ch);
        if (r.SliderPosition[c] < 0 || r.SliderPosition[c] > deepest
            || r.LinkedSliderOffset[c] < 0 || r.LinkedSliderOffset[c] > deepest)
            __builtin_trap();
        for (const ChannelWords* states :
             {&r.PolButton, &r.PadButton, &r.Button48v, &r.MuteButton, &r.SplitButton,
              &r.SafeButton, &r.RbinButton, &r.SqrtButton, &r.LinkButton}) {
            if (!isState((*states)[c]))
                __builtin_trap();
        }
        if (r.LinkGroup[c] < 0 || r.LinkGroup[c] > kLinkGroupCount
            || (r.LinkButtonDown[c] != 0 && r.LinkButtonDown[c] != 1))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static const char kFlag[] = "-write_seed=";
    for (int i = 1; i < *argc; ++i) {
        const char* arg = (*argv)[i];
        if (std::strncmp(arg, kFlag, sizeof kFlag - 1) != 0)
            continue;
        const QString dir = QString::fromLocal8Bit(arg + sizeof kFlag - 1);
        QFile out(dir + QStringLiteral("/seed.qsx"));
        const QByteArray seed = SeedProject();
        if (!out.open(QIODevice::WriteOnly) || out.write(seed) != seed.size()) {
            std::fprintf(stderr, "cannot write the seed into %s\n", arg + sizeof kFlag - 1);
            std::exit(1);
        }
        out.close();
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ProjectTexts base;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ProjectReadResult first = DecodeProjectFile(bytes, base);
    if (!first.ok())
        return 0;
    const QByteArray again = EncodeProjectFile(first.image.header, first.image.records);
    const ProjectReadResult second = DecodeProjectFile(again, base);
    if (!second.ok())
        __builtin_trap();
    if (!(second.image.header == first.image.header))
        __builtin_trap();
    if (second.image.records != first.image.records)
        __builtin_trap();
    if (!(second.image.texts == first.image.texts))
        __builtin_trap();
    for (const SceneRecord& record : first.image.records) {
        CheckTextRoundTrip(record.Name);
        CheckTextRoundTrip(record.Notes);
        CheckControlWordsInRange(record);
    }
    return 0;
}
