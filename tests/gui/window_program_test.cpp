// The kalo program itself, run as a process: its window start, the instance guard and the screenshot.

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include "config/temp_folder.h"
#include "host/instance_lock.h"

namespace kalo::gui {
namespace {

struct Outcome {
  int Code = -1;
  QString Errors;
};

Outcome RunKalo(const QStringList& arguments, const QString& platform = "offscreen") {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", platform);
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  process.setProcessEnvironment(environment);
  process.start(KALO_PROGRAM, arguments);
  if (!process.waitForFinished(60000)) return {};
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
