#include "config/settings_file.h"

#include "config/profile_document.h"
#include "config/settings_keys.h"
#include "host/dialogs.h"
#include "host/file_store.h"
#include "host/process_environment.h"

namespace kalo::config {

namespace fs = std::filesystem;

namespace {

// A settings file is a few kilobytes; anything beyond this is not a settings file and is neither
// read nor rewritten.
constexpr size_t kMaxFileSize = 1u << 20;

enum class LoadOutcome { Missing, Loaded, Unreadable };

struct LoadedProfile {
  LoadOutcome Outcome = LoadOutcome::Missing;
  ProfileDocument Document;
  std::string Problem;  // why an unreadable file was not read, naming it
};

LoadedProfile LoadProfile(const fs::path& path) {
  LoadedProfile loaded;
  const host::FileRead read = host::ReadRegularFile(path, kMaxFileSize);
  if (read.Missing) return loaded;
  loaded.Outcome = LoadOutcome::Unreadable;
  if (!read.Ok()) {
    loaded.Problem = read.Error;
  } else if (read.Longer) {
    loaded.Problem = host::PrintableName(path) + ": larger than 1 MiB, which no settings file is";
  } else if (std::optional<ProfileDocument> document = ProfileDocument::Parse(read.Bytes)) {
    loaded.Outcome = LoadOutcome::Loaded;
    loaded.Document = std::move(*document);
  } else {
    loaded.Problem = host::PrintableName(path) + ": no line is a key, a section or a comment";
  }
  return loaded;
}

// Reads key into settings; a present but unusable value is recorded and leaves the default.
void ReadKey(const ProfileDocument& document, const SettingsKey& key, Settings& settings,
             std::vector<std::string>& rejected) {
  const std::optional<std::string> text = document.Value(key.Section, key.Name);
  if (!text) return;
  if (!ParseSettingsValue(settings, key, *text)) rejected.emplace_back(key.Name);
}

// Whether the file in the program folder, if any, asks for portable mode.
bool ProgramFileSaysPortable(const fs::path& file) {
  const LoadedProfile loaded = LoadProfile(file);
  if (loaded.Outcome != LoadOutcome::Loaded) return false;
  Settings probe;
  std::vector<std::string> ignored;
  ReadKey(loaded.Document, *FindSettingsKey("Reset"), probe, ignored);
  if (probe.Reset) return false;
  ReadKey(loaded.Document, *FindSettingsKey("Portable"), probe, ignored);
  return probe.Portable;
}

}  // namespace

Settings FactorySettings(const host::ProgramFolder& folder) {
  Settings s;
  s.MidiOut = 0;
  s.MidiIn = 0;
  s.MidiSubOut = -2;
  s.MidiSubIn = -2;
  s.MciOut = -1;
  s.FillIn = 0;   // C
  s.Ending = 2;   // D
  s.ToAdv = 3;    // Eb (the missing-key default is C#)
  s.ToBasic = 1;  // C# (the missing-key default is Eb)
  s.FirstKey = 4;
  s.LastKey = 11;
  s.OctFillin = s.OctEnding = s.OctToAdv = s.OctToBasic = s.OctFirstKey = 3;
  s.OctLastKey = 4;
  s.Quantize = 0;
  s.Metrum = 2;   // "4/4"
  s.KLayout = 1;  // "English (USA)"
  s.AccChannel = 0;
  s.PadItemIndex = 89;
  s.Color = static_cast<int32_t>(0x80000001u);
  s.Picture = folder.WithExtension(".bmp").string();
  s.PicVis = true;
  s.Portable = host::PathExists(folder.Path() / kPortableMarkerName);
  return s;
}

SettingsFile::SettingsFile(host::ProgramFolder folder, SettingsEnvironment environment)
    : folder_(std::move(folder)), environment_(std::move(environment)) {
  if (!environment_.FolderWritable) environment_.FolderWritable = host::ProbeFolderWritable;
  fs::path programFile = folder_.WithExtension(".ini");
  bool portable =
      host::PathExists(folder_.Path() / kPortableMarkerName) || ProgramFileSaysPortable(programFile);
  path_ = programFile;
  // An installed program keeps its settings in the user's folder even where it could write its own.
  if (portable || (!folder_.Installed() && environment_.FolderWritable(folder_.Path()))) return;
  std::string name = folder_.ProgramName() + ".ini";
  if (environment_.XdgConfigHome && environment_.XdgConfigHome->is_absolute()) {
    path_ = *environment_.XdgConfigHome / "kalo" / name;
  } else if (environment_.Home) {
    path_ = *environment_.Home / ".config" / "kalo" / name;
  }
}

SettingsFile::SettingsFile(host::ProgramFolder folder, fs::path file, SettingsEnvironment environment)
    : folder_(std::move(folder)), path_(std::move(file)), environment_(std::move(environment)) {
  if (!environment_.FolderWritable) environment_.FolderWritable = host::ProbeFolderWritable;
}

bool SettingsFile::Exists() const { return host::PathExists(path_); }

SettingsReadResult SettingsFile::Read() {
  SettingsReadResult result;
  const LoadedProfile loaded = LoadProfile(path_);
  opened_ = loaded.Outcome != LoadOutcome::Unreadable;
  if (!opened_) {
    result.Unreadable = loaded.Problem;
    result.Problem =
        "Settings not read: " + loaded.Problem + ". Factory settings are used; the file is left as it is.";
  }

  result.KeysOutsideSections = loaded.Document.KeysOutsideSections();
  bool factory = loaded.Outcome != LoadOutcome::Loaded;
  if (!factory) {
    Settings& s = result.Values;
    s.Picture = folder_.WithExtension(".bmp").string();
    auto keys = SettingsKeys();
    ReadKey(loaded.Document, keys[0], s, result.RejectedKeys);  // Reset
    if (s.Reset) {
      factory = true;
    } else {
      ReadKey(loaded.Document, keys[1], s, result.RejectedKeys);  // Portable
      for (const SettingsKey& key : keys.subspan(2)) {
        if (key.Device && s.Portable) continue;
        ReadKey(loaded.Document, key, s, result.RejectedKeys);
      }
    }
  }
  if (factory) {
    result.Values = FactorySettings(folder_);
    result.FirstStart = true;
  }

  Settings& s = result.Values;
  if (s.Portable) {
    if (!s.Picture.empty() && !host::PathExists(s.Picture))
      s.Picture = folder_.WithExtension(".bmp").string();
    if (!s.Patch.empty() && !host::PathExists(s.Patch)) s.Patch.clear();
  }
  if (s.Dir.empty() || s.Portable) s.Dir = folder_.Songs().string();
  if (s.StyleDir.empty() || s.Portable) s.StyleDir = folder_.Styles().string();
  return result;
}

SettingsWriteResult SettingsFile::Write(const Settings& settings) {
  writeProblem_.clear();
  if (!settings.Autoload) return SettingsWriteResult::AutoSaveOff;
  if (!opened_) return SettingsWriteResult::NotOpened;

  fs::path folder = path_.parent_path();
  if (folder.empty()) folder = ".";
  if (!host::PathExists(folder)) {
    if (std::optional<std::string> error = host::CreateFolders(folder)) {
      writeProblem_ = *error;
      return SettingsWriteResult::NotWritable;
    }
  }
  if (!environment_.FolderWritable(folder)) return SettingsWriteResult::NotWritable;
  if (host::IsReadOnlyFile(path_)) return SettingsWriteResult::NotWritable;

  // The file as it is now: only the values of the program's keys change, every other line stays.
  LoadedProfile loaded = LoadProfile(path_);
  if (loaded.Outcome == LoadOutcome::Unreadable) {
    writeProblem_ = loaded.Problem;
    return SettingsWriteResult::NotOpened;
  }
  for (const SettingsKey& key : SettingsKeys())
    loaded.Document.SetValue(key.Section, key.Name, FormatSettingsValue(settings, key));
  if (std::optional<std::string> error = host::WriteFileSafely(path_, loaded.Document.Bytes())) {
    writeProblem_ = *error;
    return SettingsWriteResult::Failed;
  }
  return SettingsWriteResult::Written;
}

std::string KeysOutsideSectionsText(const std::vector<std::string>& keys) {
  if (keys.empty()) return {};
  std::string names;
  for (size_t i = 0; i < keys.size(); ++i)
    names += (i == 0 ? "" : i + 1 == keys.size() ? " and " : ", ") + keys[i];
  return names + (keys.size() == 1 ? " stands" : " stand") + " outside any section and " +
         (keys.size() == 1 ? "is" : "are") + " not read; settings belong under [Options]";
}

bool AskReset(host::Dialogs& dialogs, Settings& settings) {
  if (!dialogs.Ask(kResetQuestion)) return false;
  settings.Reset = true;
  // The confirmed reset is written even while "Auto-save settings" is off. The next start reads no
  // other key, so the stored Autoload=1 is what a factory start has anyway.
  settings.Autoload = true;
  return true;
}

}  // namespace kalo::config
