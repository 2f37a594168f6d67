// The real program started on a project, as the desktop entry starts it:
// what the project brings stays through the start-up and goes back into the
// file with the operator's save.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDir>

#include <sys/stat.h>

#include "app/project_file.h"
#include "support/program_run.h"
#include "support/x_display.h"

namespace {

// The file's inode: a save writes a new file and renames it over the old one.
ino_t InodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

// The unit names of a project named at start stay, with that unit on line,
// and Ctrl+S writes them back unchanged.
TEST(Program, AProjectNamedAtStartKeepsItsUnitNamesThroughASave)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("shows")));
    const QString project = home.filePath(QStringLiteral("shows/Friday Gig.qsx"));
    SceneRecord record;
    record.Name.setText(QStringLiteral("Verse"));
    record.SliderPosition.fill(63);
    record.UnitName[0].setText(QStringLiteral("Stage Left")); // unit 1, both slots
    record.UnitName[1].setText(QStringLiteral("Stage Left"));
    record.UnitName[32].setText(QStringLiteral("Brass")); // unit 17
    ASSERT_TRUE(WriteProjectFile(project, ProjectFileHeader{}, {record}).ok);
    const ino_t written = InodeOf(project);

    x_display::Display display(/*withWindowManager=*/true);
    ASSERT_TRUE(display.isValid()) << "no X display with a window manager";
    const std::uint16_t pcPort = FreeUdpPort();
    emu::Emulator emulator(pcPort, FreeUdpPort());
    const int unit = emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 1, 1));
    QProcessEnvironment env = program_run::Environment(home);
    display.useFor(env);
    program_run::TalkTo(env, pcPort, emulator);

    QProcess program;
    program.setWorkingDirectory(home.filePath(QStringLiteral("shows")));
    program_run::Start(program, env, {QStringLiteral("Friday Gig.qsx")});
    ASSERT_TRUE(program.waitForStarted(30000));
    ASSERT_TRUE(program_run::ReportUntilAnswered(emulator, unit));
    const auto window = display.waitForWindow(QStringLiteral("^ Corvane - Friday Gig.qsx$"));
    ASSERT_TRUE(window) << "the main window never showed the project";

    // Save, as the operator does, until the file has been written anew.
    bool saved = false;
    for (int attempt = 0; attempt < 5 && !saved; ++attempt) {
        ASSERT_TRUE(display.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), *window}));
        ASSERT_TRUE(display.xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                                     QStringLiteral("ctrl+s")}));
        saved = program_run::WaitInFolder(home.filePath(QStringLiteral("shows")), 10000,
                                          [&] { return InodeOf(project) != written; });
    }
    EXPECT_TRUE(saved) << "Ctrl+S wrote nothing";

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000));
    const QString log = QString::fromLocal8Bit(program.readAllStandardError());

    const ProjectReadResult read = ReadProjectImage(project, ProjectTexts{});
    ASSERT_TRUE(read.ok()) << log.toStdString();
    ASSERT_EQ(read.image.records.size(), 1u);
    const SceneRecord& kept = read.image.records[0];
    EXPECT_EQ(kept.UnitName[0].text().toStdString(), "Stage Left");
    EXPECT_EQ(kept.UnitName[1].text().toStdString(), "Stage Left");
    EXPECT_EQ(kept.UnitName[32].text().toStdString(), "Brass");
    EXPECT_EQ(kept.Name.text().toStdString(), "Verse");
}
