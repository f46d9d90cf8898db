#pragma once
// The configuration window: the device lists with their routes, the instrument list ("Patches :") and
// patch mode, the reset commands, and every setting the player sets, on four pages. The device lists,
// routes and reset commands act at once; the settings are taken on "OK" (then the instrument list is
// loaded again) and dropped on "Cancel". The built-in synthesizer's page (soundfont, sound system,
// latency) takes effect when the program starts next, since the synthesizer is the first device.
// Main thread.

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QListWidget>
#include <QTabWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "app/arranger.h"
#include "gui/configuration_fields.h"
#include "gui/tool_panel.h"
#include "host/program_folder.h"

namespace kalo::gui {

class ConfigurationWindow final : public ToolPanel {
  Q_OBJECT

 public:
  ConfigurationWindow(app::Arranger& arranger, const host::ProgramFolder& folder, QWidget* parent = nullptr);

  // Shows the settings in force, the device lists and the routes.
  void Refresh() override;
  // "OK": the shown settings become the settings in force, the instrument list is loaded again.
  void Accept();
  // "Cancel": the settings in force are shown again.
  void Cancel();

  // The options that mirror a setting take its value (at start-up and on "OK").
  static void MirrorIntoOptions(const config::Settings& settings, config::Options& options);

  // The widget showing a settings key (by its key name), or a device list ("MIDI out", "MIDI in",
  // "2nd MIDI out", "Ext. MIDI in").
  QWidget* Field(const QString& name) const { return findChild<QWidget*>(name); }

 Q_SIGNALS:
  void Accepted();

 private:
  struct Editor {
    std::function<void(const config::Settings&)> Show;
    std::function<void(config::Settings&)> Store;
  };

  QWidget* MakeFieldPage(ConfigurationPage page);
  QWidget* MakeDeviceLists();
  QWidget* MakeRoutes();
  QWidget* MakePatches();
  QWidget* MakeResetButtons();
  QWidget* MakeSynthesizerPage();
  // Adds the editor of one field to `form` (a QFormLayout).
  void AddField(const ConfigurationField& field, QFormLayout* form);
  void RefreshDevices();

  app::Arranger& arranger_;
  host::ProgramFolder folder_;
  std::vector<Editor> editors_;
  std::array<QComboBox*, 4> deviceLists_{};
  std::array<QButtonGroup*, 3> routes_{};
  QListWidget* patches_ = nullptr;
  // The list file chosen in "Patches :" and not yet taken by "OK" (empty path: the built-in names).
  std::optional<std::filesystem::path> chosenPatch_;
};

}  // namespace kalo::gui
