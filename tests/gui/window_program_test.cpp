// The kalo program itself, run as a process: its window start, the instance guard and the screenshot.

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QThread>
#include <csignal>

#include "config/temp_folder.h"
#include "host/instance_lock.h"

namespace kalo::gui {
namespace {

struct Outcome {
  int Code = -1;
  QString Errors;
};

// What a run may be given besides its arguments: a file size limit (bytes), and a signal sent
// `waitMs` after `startedWhen` exists (the window took its lock and is starting).
struct Conditions {
  rlim_t FileSizeLimit = RLIM_INFINITY;
  int Signal = 0;
  std::filesystem::path StartedWhen;
  int WaitMs = 0;
};

Outcome RunKalo(const QStringList& arguments, const QString& platform = "offscreen",
                const Conditions& conditions = {}) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", platform);
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  process.setProcessEnvironment(environment);
  process.setChildProcessModifier([limit = conditions.FileSizeLimit] {
    const rlimit fileSize{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &fileSize);
  });
  process.start(KALO_PROGRAM, arguments);
  if (conditions.Signal != 0) {
    for (int wait = 0; wait < 600 && !std::filesystem::exists(conditions.StartedWhen); ++wait)
      QThread::msleep(50);
    QThread::msleep(static_cast<unsigned long>(conditions.WaitMs));
    ::kill(static_cast<pid_t>(process.processId()), conditions.Signal);
  }
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    return {};
  }
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
          QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(WindowProgram, ASecondInstanceIsRefusedWithExitCode255) {
  config::testing::TempFolder folder;
  const QString ini = QString::fromStdString((folder.Path() / "kalo.ini").string());
  const QString picture = QString::fromStdString((folder.Path() / "main.png").string());
  const host::InstanceLock running(folder.Path() / "kalo.lock");
  ASSERT_EQ(running.Result(), host::InstanceLock::Outcome::Acquired);
  const Outcome second = RunKalo({"--ini", ini, "--screenshot", picture});
  EXPECT_EQ(second.Code, 255);
  EXPECT_TRUE(second.Errors.contains("KALO is already running !")) << second.Errors.toStdString();
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "main.png"));
}

TEST(WindowProgram, AScreenshotShowsTheWindowOrOnePanel) {
  config::testing::TempFolder folder;
  const QString ini = QString::fromStdString((folder.Path() / "kalo.ini").string());
  const struct {
    const char* Panel;
    int Code;
  } rows[] = {{"", 0}, {"Mixer", 0}, {"Configuration", 0}, {"Nowhere", 2}};
  for (const auto& row : rows) {
    const QString picture = QString::fromStdString((folder.Path() / "shot.png").string());
    std::filesystem::remove(folder.Path() / "shot.png");
    QStringList arguments = {"--ini", ini, "--screenshot", picture};
    if (*row.Panel != '\0') arguments << "--panel" << row.Panel;
    const Outcome run = RunKalo(arguments);
    EXPECT_EQ(run.Code, row.Code) << row.Panel << ": " << run.Errors.toStdString();
    const QImage image(picture);
    EXPECT_EQ(!image.isNull(), row.Code == 0) << row.Panel;
  }
  // A screenshot is not a session of the player's: the settings file is not written.
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "kalo.ini"));
}

TEST(WindowProgram, StopSignalsEndTheWindowAsExitDoesSavingTheSettingsAndRemovingTheLock) {
  // Signals after start-up and while the window still starts, with its message boxes to come.
  const struct {
    int Signal;
    bool PlayersFile;  // else a first start, with no settings file yet
    rlim_t FileSizeLimit;
    int WaitMs;
  } rows[] = {{SIGTERM, false, RLIM_INFINITY, 1500},
              {SIGINT, true, RLIM_INFINITY, 0},
              {SIGHUP, true, RLIM_INFINITY, 1500},
              {SIGTERM, false, 256, 0}};  // the save fails: said, and exit code 1
  for (const auto& row : rows) {
    config::testing::TempFolder folder;
    const QString ini = QString::fromStdString((folder.Path() / "kalo.ini").string());
    if (row.PlayersFile) folder.Write("kalo.ini", "[Options]\nTempo3=100\nSynthDriver=4\n");
    const Outcome run = RunKalo({"--ini", ini}, "offscreen",
                                {row.FileSizeLimit, row.Signal, folder.Path() / "kalo.lock", row.WaitMs});
    const bool saves = row.FileSizeLimit == RLIM_INFINITY;
    EXPECT_EQ(run.Code, saves ? 0 : 1) << strsignal(row.Signal) << ": " << run.Errors.toStdString();
    const std::string written = config::testing::ReadText(folder.Path() / "kalo.ini");
    EXPECT_EQ(written.find("Tempo4=150") != std::string::npos, saves) << written;
    EXPECT_EQ(written.find("Tempo3=100") != std::string::npos, row.PlayersFile);
    EXPECT_EQ(run.Errors.contains("kalo: the settings were not saved: \"" + ini + "\": File too large"),
              !saves);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "kalo.lock")) << strsignal(row.Signal);
  }
}

TEST(WindowProgram, AScreenshotIsSavedWholeOrNotAtAllAndLeavesNoFolderOrLock) {
  config::testing::TempFolder folder;
  const std::filesystem::path shot = folder.Write("shot.png", "the old picture");
  const std::filesystem::path fifo = folder.Path() / "picture.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A picture setting naming a FIFO is refused at once, not waited on.
  const std::string ini = folder.Write("kalo.ini", "[Options]\nPicture=" + fifo.string() + "\n").string();
  const QString png = QString::fromStdString(shot.string());
  const Outcome full =
      RunKalo({"--ini", QString::fromStdString(ini), "--screenshot", png}, "offscreen", {4096, 0, {}, 0});
  EXPECT_EQ(full.Code, 1);
  EXPECT_TRUE(full.Errors.contains("File too large")) << full.Errors.toStdString();
  EXPECT_EQ(config::testing::ReadText(shot), "the old picture");
  EXPECT_EQ(RunKalo({"--ini", QString::fromStdString(ini), "--screenshot", png}).Code, 0);
  EXPECT_FALSE(QImage(png).isNull());
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "kalo.lock"));

  const std::filesystem::path elsewhere = folder.Path() / "not-made" / "kalo.ini";
  EXPECT_EQ(RunKalo({"--ini", QString::fromStdString(elsewhere.string()), "--screenshot", png}).Code, 0);
  EXPECT_FALSE(std::filesystem::exists(elsewhere.parent_path()));
  EXPECT_EQ(RunKalo({"--ini", QString::fromStdString(ini), "--screenshot", QString::fromStdString(ini)}).Code,
            1);
}

TEST(WindowProgram, SubcommandsNeedNoDisplay) {
  config::testing::TempFolder folder;
  const QString ini = QString::fromStdString((folder.Path() / "kalo.ini").string());
  // A platform that cannot start would end any run that initialises Qt.
  for (const QStringList& arguments :
       {QStringList{"config", "--ini", ini}, QStringList{"chord", "60", "64", "67"}}) {
    const Outcome run = RunKalo(arguments, "no-such-platform");
    EXPECT_EQ(run.Code, 0) << arguments.join(' ').toStdString() << ": " << run.Errors.toStdString();
  }
}

}  // namespace
}  // namespace kalo::gui
