#include "config/settings_listing.h"

#include "config/settings_keys.h"
#include "host/file_store.h"

namespace kalo::config {

std::string SettingsListing(const std::filesystem::path& file, bool fileExisted,
                            const SettingsReadResult& result) {
  std::string out = "# " + host::PrintableName(file);
  if (!fileExisted) {
    out += " (does not exist: factory settings)";
  } else if (result.FirstStart) {
    out += " (Reset or unreadable: factory settings)";
  }
  out += "\n";
  if (!result.Problem.empty()) out += "# " + result.Problem + "\n";
  if (!result.KeysOutsideSections.empty())
    out += "# " + KeysOutsideSectionsText(result.KeysOutsideSections) + "\n";
  for (const std::string& key : result.RejectedKeys)
    out += "# " + key + ": stored value unusable, default used\n";
  for (const SettingsKey& key : SettingsKeys()) {
    out += std::string(key.Name) + "=" + FormatSettingsValue(result.Values, key) + "\n";
  }
  return out;
}

}  // namespace kalo::config
