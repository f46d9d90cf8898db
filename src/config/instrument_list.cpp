#include "config/instrument_list.h"

#include <algorithm>
#include <string_view>
#include <system_error>

#include "config/general_midi_names.h"
#include "host/file_store.h"
#include "midi/midi_status.h"

namespace kalo::config {

namespace fs = std::filesystem;

namespace {

// kMaxListEntries lines of 256 characters; real entries are short (three numbers and a name).
constexpr size_t kMaxListBytes = kMaxListEntries * 256;
// The main choice's preferred entry and the second list's.
constexpr int kSecondListEntry = 17;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool SendsNothing(char first) { return static_cast<unsigned char>(first) <= 0x20 || first == 0x7F; }

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The number in the 1-based columns first..first+2 of line: blanks around, digits between.
std::optional<int> Column(const std::string& line, size_t first) {
  std::string field = line.substr(first - 1, 3);
  size_t begin = field.find_first_not_of(' ');
  size_t end = field.find_last_not_of(' ');
  if (begin == std::string::npos) return std::nullopt;
  int value = 0;
  for (size_t i = begin; i <= end; ++i) {
    if (!IsDigit(field[i])) return std::nullopt;
    value = value * 10 + (field[i] - '0');
  }
  return value;
}

std::optional<InstrumentMessages> BankedEntry(const std::string& entry) {
  if (!IsDigit(entry[0])) return std::nullopt;
  InstrumentMessages m;
  m.SendsBanks = true;
  if (entry.size() < 7 || !IsDigit(entry[2])) return m;  // bank 0/0, program 0
  std::optional<int> number = Column(entry, 1);
  std::optional<int> first = Column(entry, 5);
  if (!number || !first || *number < 1 || *number > 128 || *first > 127) return std::nullopt;
  int second = 0;
  if (entry.size() >= 11 && IsDigit(entry[8])) {
    std::optional<int> value = Column(entry, 9);
    if (!value || *value > 127) return std::nullopt;
    second = *value;
  }
  m.Program = static_cast<uint8_t>(*number - 1);
  m.Controller0 = static_cast<uint8_t>(*first);
  m.Controller32 = static_cast<uint8_t>(second);
  return m;
}

std::vector<std::string> BuiltInNames() { return {kGeneralMidiNames.begin(), kGeneralMidiNames.end()}; }

}  // namespace

std::vector<std::array<uint8_t, 3>> InstrumentMessages::Bytes(int channel) const {
  uint8_t c = static_cast<uint8_t>(channel & 0x0F);
  std::vector<std::array<uint8_t, 3>> out;
  if (SendsBanks) {
    out.push_back({static_cast<uint8_t>(midi::kControlChange | c), 0, Controller0});
    out.push_back({static_cast<uint8_t>(midi::kControlChange | c), 32, Controller32});
  }
  out.push_back({static_cast<uint8_t>(midi::kProgramChange | c), Program, 0});
  return out;
}

std::optional<InstrumentMessages> EntryMessages(std::span<const std::string> entries, int index,
                                                PatchKind kind) {
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) return std::nullopt;
  const std::string& entry = entries[static_cast<size_t>(index)];
  if (entry.empty() || SendsNothing(entry[0])) return std::nullopt;
  if (kind != PatchKind::Gm) {
    std::optional<InstrumentMessages> m = BankedEntry(entry);
    if (m && kind == PatchKind::Xg) std::swap(m->Controller0, m->Controller32);
    return m;
  }
  if (index > 127) return std::nullopt;
  InstrumentMessages m;
  m.Program = static_cast<uint8_t>(index);
  return m;
}

std::optional<PatchKind> KindFromLastLine(std::span<const std::string> lines) {
  if (lines.empty() || lines.back().size() < 2) return std::nullopt;
  switch (lines.back()[1]) {
    case '0':
      return PatchKind::Gm;
    case '1':
      return PatchKind::Gs;
    case '2':
      return PatchKind::Xg;
    default:
      return std::nullopt;
  }
}

ListFile ReadListLines(const fs::path& file) {
  ListFile list;
  const host::FileRead read = host::ReadRegularFile(file, kMaxListBytes);
  list.Missing = read.Missing;
  if (!read.Ok()) {
    list.Error = read.Error;
    return list;
  }
  if (read.Longer) {
    list.Error = host::PrintableName(file) + ": larger than 1 MiB, which no instrument list is";
    return list;
  }
  const std::string_view text(reinterpret_cast<const char*>(read.Bytes.data()), read.Bytes.size());
  for (size_t start = 0; start < text.size();) {
    if (list.Lines.size() == kMaxListEntries) {
      list.Lines.clear();
      list.Error = host::PrintableName(file) + ": more than " + std::to_string(kMaxListEntries) +
                   " lines, which no instrument list holds";
      return list;
    }
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    list.Lines.push_back(std::move(line));
    start = end + 1;
  }
  return list;
}

std::vector<fs::path> ListFilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && Lower(it->path().extension().string()) == ".vxi")
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
    return Lower(a.filename().string()) < Lower(b.filename().string());
  });
  return files;
}

std::optional<fs::path> ListForSoundcardMode(const fs::path& folder, const std::string& mode) {
  static constexpr std::pair<const char*, const char*> kNames[] = {
      {"GM", "gm.vxi"}, {"GS", "gs.vxi"}, {"SC-??", "sc-55.vxi"}, {"XG", "db50xg.vxi"}};
  std::vector<fs::path> files = ListFilesIn(folder);
  if (files.empty()) return std::nullopt;
  for (const auto& [name, file] : kNames) {
    if (mode != name) continue;
    for (const fs::path& candidate : files) {
      if (Lower(candidate.filename().string()).find(file) != std::string::npos) return candidate;
    }
  }
  return files.front();
}

bool IsSc55List(const std::string& path) {
  return !path.empty() && Upper(fs::path(path).filename().string()) == "SC-55.VXI";
}

void AdjustStyleStreamForSc55(std::span<uint8_t> stream) {
  size_t i = 0;
  while (i < stream.size()) {
    uint8_t status = stream[i];
    // A delay, a buffer end, or a stray data byte.
    if (status < midi::kNoteOff || status >= midi::kSysexStatus) {
      ++i;
      continue;
    }
    if (i + 2 >= stream.size()) break;
    int channel = status & 0x0F;
    if ((status & 0xF0) == midi::kControlChange && stream[i + 1] == 0)
      stream[i + 2] = Sc55Bank(stream[i + 2]);
    if ((status & 0xF0) == midi::kProgramChange) stream[i + 1] = Sc55Program(channel, stream[i + 1]);
    i += 3;
  }
}

InstrumentLists::InstrumentLists() = default;

void InstrumentLists::Load(Settings& settings) {
  entries_.clear();
  padEntries_.clear();
  selected_ = secondSelected_ = padSelected_ = -1;
  loadError_.clear();
  sc55_ = IsSc55List(settings.Patch);
  if (!settings.Patch.empty()) {
    displayName_ = Upper(fs::path(settings.Patch).filename().string());
    ListFile list = ReadListLines(settings.Patch);
    if (!list.Missing) loadError_ = list.Error;
    if (list.Error.empty()) {
      entries_ = std::move(list.Lines);
      if (std::optional<PatchKind> kind = KindFromLastLine(entries_))
        settings.PatchMode = static_cast<int>(*kind);
    }
    kind_ = static_cast<PatchKind>(std::clamp(settings.PatchMode, 0, 2));
  } else {
    kind_ = PatchKind::Gm;
    settings.PatchMode = 0;
    displayName_ = kBuiltInListName;
    entries_ = BuiltInNames();
  }
  if (entries_.empty()) return;
  selected_ = secondSelected_ = 0;
  // The entry must exist: "at least 17 entries" would select past the end of a list of exactly 17.
  if (entries_.size() > static_cast<size_t>(kSecondListEntry)) selected_ = secondSelected_ = kSecondListEntry;
  padEntries_ = entries_;
  if (settings.PadItemIndex >= 0 && static_cast<size_t>(settings.PadItemIndex) < entries_.size()) {
    padSelected_ = settings.PadItemIndex;
    settings.EKeyb = padSelected_;
  }
}

void InstrumentLists::ChooseFile(Settings& settings, const fs::path& file) {
  settings.Patch = file.string();
  channels_.fill(ChannelChoice{});
}

bool InstrumentLists::Reload(const Settings& settings) {
  if (settings.Patch.empty()) return false;
  ListFile list = ReadListLines(settings.Patch);
  loadError_ = list.Missing ? "" : list.Error;
  if (!list.Error.empty()) return false;
  entries_ = std::move(list.Lines);
  selected_ = secondSelected_ = entries_.empty() ? -1 : 0;
  return true;
}

std::optional<InstrumentMessages> InstrumentLists::Choose(int channel, int index) {
  if (channel < 0 || channel > 15) return std::nullopt;
  std::optional<InstrumentMessages> m = EntryMessages(entries_, index, kind_);
  if (!m) return std::nullopt;
  channels_[static_cast<size_t>(channel)] = ChannelChoice{m->Controller0, m->Controller32, m->Program, index};
  return m;
}

std::optional<InstrumentMessages> InstrumentLists::PadInstrument() const {
  return EntryMessages(padEntries_, padSelected_, kind_);
}

}  // namespace kalo::config
