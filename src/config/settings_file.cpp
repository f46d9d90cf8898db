#include "config/settings_file.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "config/settings_keys.h"
#include "host/dialogs.h"
#include "host/process_environment.h"

// Plain char strings without wide-character conversion, with the template bodies compiled here:
// SimpleIni is then header-only and needs neither its library nor ICU.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace kalo::config {

namespace fs = std::filesystem;

namespace {

// A settings file is a few kilobytes; anything beyond this is not ours to rewrite.
constexpr std::uintmax_t kMaxFileSize = 4u << 20;

using Ini = CSimpleIniA;

enum class LoadOutcome { Missing, Loaded, Unreadable };

// Reads path into ini. NUL bytes (only found in damaged files) become line ends, so that what
// follows them is still parsed rather than silently cut off.
LoadOutcome LoadIni(const fs::path& path, Ini& ini) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) return LoadOutcome::Missing;
  if (ec) return LoadOutcome::Unreadable;
  if (status.type() != fs::file_type::regular) return LoadOutcome::Unreadable;
  std::uintmax_t size = fs::file_size(path, ec);
  if (ec || size > kMaxFileSize) return LoadOutcome::Unreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return LoadOutcome::Unreadable;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return LoadOutcome::Unreadable;
  for (char& c : data) {
    if (c == '\0') c = '\n';
  }
  ini.SetMultiKey(false);
  ini.SetMultiLine(false);
  if (ini.LoadData(data) < 0) return LoadOutcome::Unreadable;
  return LoadOutcome::Loaded;
}

const char* Value(const Ini& ini, const SettingsKey& key) {
  return ini.GetValue(key.Section, key.Name, nullptr);
}

// Reads key into settings; a present but unusable value is recorded and leaves the default.
void ReadKey(const Ini& ini, const SettingsKey& key, Settings& settings, std::vector<std::string>& rejected) {
  const char* text = Value(ini, key);
  if (text == nullptr) return;
  if (!ParseSettingsValue(settings, key, text)) rejected.emplace_back(key.Name);
}

// A text that stays one value line in the file.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return text;
}

bool AnyWriteBit(fs::perms perms) {
  return (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) !=
         fs::perms::none;
}

// Whether the file in the program folder, if any, asks for portable mode.
bool ProgramFileSaysPortable(const fs::path& file) {
  Ini ini;
  if (LoadIni(file, ini) != LoadOutcome::Loaded) return false;
  Settings probe;
  const SettingsKey* reset = FindSettingsKey("Reset");
  const SettingsKey* portable = FindSettingsKey("Portable");
  std::vector<std::string> ignored;
  ReadKey(ini, *reset, probe, ignored);
  if (probe.Reset) return false;
  ReadKey(ini, *portable, probe, ignored);
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
  std::error_code ec;
  s.Portable = fs::exists(folder.Path() / kPortableMarkerName, ec);
  return s;
}

SettingsFile::SettingsFile(host::ProgramFolder folder, SettingsEnvironment environment)
    : folder_(std::move(folder)), environment_(std::move(environment)) {
  if (!environment_.FolderWritable) environment_.FolderWritable = host::ProbeFolderWritable;
  fs::path programFile = folder_.WithExtension(".ini");
  std::error_code ec;
  bool portable =
      fs::exists(folder_.Path() / kPortableMarkerName, ec) || ProgramFileSaysPortable(programFile);
  path_ = programFile;
  if (portable || environment_.FolderWritable(folder_.Path())) return;
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

bool SettingsFile::Exists() const {
  std::error_code ec;
  return fs::exists(path_, ec);
}

SettingsReadResult SettingsFile::Read() {
  SettingsReadResult result;
  Ini ini;
  LoadOutcome outcome = LoadIni(path_, ini);
  opened_ = outcome != LoadOutcome::Unreadable;

  bool factory = outcome != LoadOutcome::Loaded;
  if (!factory) {
    Settings& s = result.Values;
    s.Picture = folder_.WithExtension(".bmp").string();
    auto keys = SettingsKeys();
    ReadKey(ini, keys[0], s, result.RejectedKeys);  // Reset
    if (s.Reset) {
      factory = true;
    } else {
      ReadKey(ini, keys[1], s, result.RejectedKeys);  // Portable
      for (const SettingsKey& key : keys.subspan(2)) {
        if (key.Device && s.Portable) continue;
        ReadKey(ini, key, s, result.RejectedKeys);
      }
    }
  }
  if (factory) {
    result.Values = FactorySettings(folder_);
    result.FirstStart = true;
  }

  Settings& s = result.Values;
  std::error_code ec;
  if (s.Portable) {
    if (!s.Picture.empty() && !fs::exists(s.Picture, ec)) s.Picture = folder_.WithExtension(".bmp").string();
    if (!s.Patch.empty() && !fs::exists(s.Patch, ec)) s.Patch.clear();
  }
  if (s.Dir.empty() || s.Portable) s.Dir = folder_.Songs().string();
  if (s.StyleDir.empty() || s.Portable) s.StyleDir = folder_.Styles().string();
  return result;
}

SettingsWriteResult SettingsFile::Write(const Settings& settings) {
  if (!settings.Autoload) return SettingsWriteResult::AutoSaveOff;
  if (!opened_) return SettingsWriteResult::NotOpened;

  fs::path folder = path_.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!fs::exists(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec) return SettingsWriteResult::NotWritable;
  }
  if (!environment_.FolderWritable(folder)) return SettingsWriteResult::NotWritable;
  fs::file_status status = fs::status(path_, ec);
  if (!ec && fs::exists(status) && !AnyWriteBit(status.permissions()))
    return SettingsWriteResult::NotWritable;

  // Start from the file as it is now, so that keys of other sections and other programs survive.
  Ini ini;
  ini.SetSpaces(false);
  if (LoadIni(path_, ini) == LoadOutcome::Unreadable) return SettingsWriteResult::NotOpened;
  for (const SettingsKey& key : SettingsKeys()) {
    std::string value = OneLine(FormatSettingsValue(settings, key));
    if (ini.SetValue(key.Section, key.Name, value.c_str()) < 0) return SettingsWriteResult::Failed;
  }
  std::string text;
  if (ini.Save(text) < 0) return SettingsWriteResult::Failed;

  // Through a symbolic link the file it names is replaced, not the link.
  fs::path target = fs::is_symlink(path_, ec) ? fs::weakly_canonical(path_, ec) : path_;
  if (target.empty()) target = path_;
  fs::path temporary = target;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return SettingsWriteResult::NotWritable;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      fs::remove(temporary, ec);
      return SettingsWriteResult::Failed;
    }
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return SettingsWriteResult::Failed;
  }
  return SettingsWriteResult::Written;
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
