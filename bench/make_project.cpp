// Writes a project for the load and start-up measurements:
//   make_project FILE SCENES METER_PERIOD_MS
// SCENES scenes (1 to 199) with varied gains and switches, and the meter
// report period the console asks of every unit once the project is open.

#include <QCoreApplication>
#include <QTextStream>

#include "app/project_file.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    bool scenesOk = false, periodOk = false;
    const int scenes = args.size() == 4 ? args[2].toInt(&scenesOk) : 0;
    const int period = args.size() == 4 ? args[3].toInt(&periodOk) : 0;
    if (!scenesOk || !periodOk || scenes < 1 || scenes > 199 || period < 50 || period > 1000) {
        err << "usage: make_project FILE SCENES(1-199) METER_PERIOD_MS(50-1000)\n";
        return 2;
    }
    ProjectFileHeader header;
    header.Prefs.MeterPeriodMs = period;
    std::vector<SceneRecord> records(static_cast<std::size_t>(scenes));
    for (int n = 0; n < scenes; ++n) {
        SceneRecord& r = records[std::size_t(n)];
        r.Name.setText(QStringLiteral("Scene %1").arg(n + 1));
        r.Notes.setText(QStringLiteral("Measured with every channel set"));
        for (std::size_t ch = 0; ch < r.SliderPosition.size(); ++ch) {
            r.SliderPosition[ch] = std::int32_t((n + int(ch)) % 61);
            r.MuteButton[ch] = std::int32_t((n + int(ch)) % 2);
            r.Button48v[ch] = std::int32_t((n + int(ch)) % 3 == 0);
        }
    }
    RefreshProjectTexts(records, CurrentProjectTexts());
    const ProjectWriteResult written = WriteProjectFile(args[1], header, records);
    if (!written.ok) {
        err << "cannot write " << args[1] << "\n";
        return 1;
    }
    return 0;
}
