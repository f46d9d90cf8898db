#pragma once
// Instrument lists: the names and bank/program numbers of the sound generator's instruments, read
// from a ".vxi" text file (or the built-in General MIDI names), and what choosing an entry sends.
// All calls run on the main thread.
//
// List file: one entry per line. In a General MIDI list an entry is a name whose program number is
// its line index. In GS and XG lists an entry that sends messages begins with a digit: columns 1-3
// hold the program number plus one, columns 5-7 the first bank number, columns 9-11 (optional) the
// second bank number. The second character of the last line gives the list kind: '0' GM, '1' GS,
// '2' XG.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/settings.h"

namespace kalo::config {

// The list kind, stored as the settings' PatchMode.
enum class PatchKind : int { Gm = 0, Gs = 1, Xg = 2 };

// The display name of the built-in list.
inline constexpr const char* kBuiltInListName = "GM.VXI";

// What choosing an entry sends on a channel.
struct InstrumentMessages {
  bool SendsBanks = false;   // GS and XG: Control Change 0 and 32 before the program change
  uint8_t Controller0 = 0;   // bank select MSB as sent
  uint8_t Controller32 = 0;  // bank select LSB as sent
  uint8_t Program = 0;

  // The messages for channel (0 to 15) in sending order: [0xB0+c 0 MSB], [0xB0+c 32 LSB], [0xC0+c P 0].
  std::vector<std::array<uint8_t, 3>> Bytes(int channel) const;
  bool operator==(const InstrumentMessages&) const = default;
};

// The messages entry index of entries sends in a list of kind, or nullopt when it sends nothing: an
// index outside the list, an empty entry or one beginning with a blank or control character, a GS/XG
// entry not beginning with a digit, and (so that no byte leaves the MIDI data range) a GM index above
// 127 or a GS/XG entry whose numbers are not numbers or lie outside 1..128 (program) or 0..127 (banks).
// A GS/XG entry shorter than 7 characters, or without a digit in column 3, sends bank 0/0 program 0.
std::optional<InstrumentMessages> EntryMessages(std::span<const std::string> entries, int index,
                                                PatchKind kind);

// The kind named by the last line's second character, or nullopt when it names none.
std::optional<PatchKind> KindFromLastLine(std::span<const std::string> lines);

// The most entries a list file may hold. A General MIDI list holds 128, GS and XG lists with their
// banks a few hundred to under two thousand; a longer file is no instrument list.
inline constexpr size_t kMaxListEntries = 4096;

// The lines of a list file (line ends LF or CR LF), or Error (naming the file and the reason) when
// it cannot be read, is not a regular file, or holds more than kMaxListEntries lines or 1 MiB.
struct ListFile {
  std::vector<std::string> Lines;
  std::string Error;
  bool Missing = false;  // no file at that path (Error says so too)
};
ListFile ReadListLines(const std::filesystem::path& file);

// The ".vxi" files of folder, by name.
std::vector<std::filesystem::path> ListFilesIn(const std::filesystem::path& folder);

// The list for a "Soundcard-Mode" choice ("GM", "GS", "SC-??", "XG"): the first file of folder whose
// lower-case name contains "gm.vxi", "gs.vxi", "sc-55.vxi" or "db50xg.vxi" respectively, else the first
// file of folder; nullopt when folder holds no list (the built-in names are then used).
std::optional<std::filesystem::path> ListForSoundcardMode(const std::filesystem::path& folder,
                                                          const std::string& mode);

// Whether path names the SC-55 list ("SC-55.VXI" in any case).
bool IsSc55List(const std::string& path);

// SC-55 adjustments of style data: bank selects of 63 and above become 0; program changes on
// channel 10 (channel 9 inside) above 62 become 0.
constexpr uint8_t Sc55Bank(uint8_t bank) { return bank >= 63 ? 0 : bank; }
constexpr uint8_t Sc55Program(int channel, uint8_t program) {
  return channel == 9 && program > 62 && program != 128 ? 0 : program;
}
// Applies both to a style event stream (three-byte channel messages, delay bytes 0xF8-0xFF, 0xF0
// ending a buffer); never reads or writes outside stream.
void AdjustStyleStreamForSc55(std::span<uint8_t> stream);

// The loaded instrument list and its three choices: the main instrument choice, the second list that
// mirrors it and the pad instrument list.
class InstrumentLists {
 public:
  struct ChannelChoice {
    uint8_t Controller0 = 0;
    uint8_t Controller32 = 0;
    uint8_t Program = 0;
    int EntryIndex = -1;  // -1: nothing chosen
  };

  InstrumentLists();

  // Loads the list in use (settings.Patch; empty: the built-in GM names). A readable file with lines
  // sets settings.PatchMode from its last line; the main choice selects entry 0, or entry 17 in both
  // lists when there is one; the pad list selects settings.PadItemIndex when the list has that entry,
  // which also becomes settings.EKeyb. A file that is gone or unreadable leaves the lists empty;
  // LoadError() says why unless it is gone.
  void Load(Settings& settings);

  // Makes file the list in use and clears the per-channel choices; it is loaded by the next Load().
  void ChooseFile(Settings& settings, const std::filesystem::path& file);

  // Reads the list file again into the main choice and the second list and selects entry 0 in both
  // (after the list editor ran); the pad list keeps the entries of the last Load(). False when there is no
  // list file or it cannot be read (LoadError() says why).
  bool Reload(const Settings& settings);
  // Why the last Load() or Reload() found no list in the file, naming it; empty when it did or when
  // the file is gone.
  const std::string& LoadError() const { return loadError_; }

  // Chooses entry index for channel (0 to 15) in the list's kind: returns what to send, and stores the
  // banks, program and entry index for the channel. Nothing is stored when nothing is sent.
  std::optional<InstrumentMessages> Choose(int channel, int index);

  // The pad's instrument: the selected pad entry's messages, nullopt when there is none.
  std::optional<InstrumentMessages> PadInstrument() const;

  const std::vector<std::string>& Entries() const { return entries_; }
  const std::vector<std::string>& PadEntries() const { return padEntries_; }
  PatchKind Kind() const { return kind_; }
  // The name shown for the list: the file name in upper case, or kBuiltInListName.
  const std::string& DisplayName() const { return displayName_; }
  int Selected() const { return selected_; }
  int SecondSelected() const { return secondSelected_; }
  int PadSelected() const { return padSelected_; }  // -1: none
  const ChannelChoice& Channel(int channel) const { return channels_.at(static_cast<size_t>(channel)); }
  // Whether the list in use is the SC-55 list, whose style data need AdjustStyleStreamForSc55.
  bool IsSc55() const { return sc55_; }

 private:
  std::vector<std::string> entries_;     // the main choice and the second list
  std::vector<std::string> padEntries_;  // the pad list
  PatchKind kind_ = PatchKind::Gm;
  std::string displayName_ = kBuiltInListName;
  int selected_ = -1;
  int secondSelected_ = -1;
  int padSelected_ = -1;
  bool sc55_ = false;
  std::string loadError_;
  std::array<ChannelChoice, 16> channels_{};
};

}  // namespace kalo::config
