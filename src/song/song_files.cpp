#include "song/song_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "host/file_store.h"
#include "song/arrangement_file.h"
#include "song/memo_text.h"

namespace kalo::song {

namespace {

constexpr const char* kArrangementFilter = "Arrangements (*.vxa)|*.vxa";

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool HasVxaExtension(const std::string& path) {
  return Upper(std::filesystem::path(path).extension().string()) == ".VXA";
}

}  // namespace

SongFiles::SongFiles(Song& song, host::Dialogs& dialogs, SongFileHost& host, host::ProgramFolder folder,
                     config::Settings& settings, const config::Options& options)
    : song_(song),
      dialogs_(dialogs),
      host_(host),
      folder_(std::move(folder)),
      settings_(settings),
      options_(options) {}

SongLoad SongFiles::Open(bool byFunctionKey) {
  host_.StopTransport();
  if (!byFunctionKey && !song_.Chords.Empty() && !dialogs_.Ask(kReplaceChordsAndMelodyQuestion))
    return SongLoad::Refused;
  const std::string initial =
      HasVxaExtension(currentFile_) ? std::filesystem::path(currentFile_).filename().string() : "*.VXA";
  const auto chosen =
      dialogs_.AskOpenFile({"Open arrangement ...", kArrangementFilter, "VXA", initial, settings_.Dir});
  if (!chosen || !HasVxaExtension(*chosen)) return SongLoad::Cancelled;
  return LoadFile(*chosen);
}

SongLoad SongFiles::LoadDemoSong() {
  const auto path = folder_.Songs() / kDemoSongName;
  const auto bytes = host::ReadFilePrefix(path, kArrangementReadLimit);
  if (!bytes) return SongLoad::Unreadable;
  LoadFromBytes(path.string(), *bytes);
  return SongLoad::Loaded;
}

SongLoad SongFiles::LoadFile(const std::string& path) {
  const auto bytes = host::ReadFilePrefix(path, kArrangementReadLimit);
  if (!bytes) {
    dialogs_.Inform("Cannot read " + path);
    return SongLoad::Unreadable;
  }
  LoadFromBytes(path, *bytes);
  return SongLoad::Loaded;
}

void SongFiles::LoadFromBytes(const std::string& path, std::span<const uint8_t> bytes) {
  const ParsedArrangement parsed = ParseArrangementFile(bytes);
  settings_.Dir = std::filesystem::path(path).parent_path().string();
  song_.Chords = parsed.Chords;
  song_.Melody.Load(parsed.Melody);
  song_.Memo = parsed.Memo;
  song_.Position = kSongStart;
  song_.FirstWritePosition = kSongStart;
  currentFile_ = path;
  host_.SetCaption(std::string(host::kApplicationTitle) + " - " +
                   Upper(std::filesystem::path(path).stem().string()));

  // An empty path names no style: nothing to look up, no message.
  if (parsed.HasStyleBlock && options_.LoadSongAndStyleTogether && !parsed.StylePath.empty())
    host_.LoadStyleByName(parsed.StylePath);

  const ChordmemoryHeader header = song_.Chords.Header();
  if (!parsed.OldestLayout) {
    // Values the fields cannot take (a tempo of 0, a measure length outside the metrum table) keep
    // the current ones: they would stop the clock or divide by zero.
    if (header.Tempo >= 25 && header.Tempo <= 250) host_.SetTempo(header.Tempo);
    if (!parsed.HasStyleBlock) {
      if (const auto metrum = MetrumIndexForLength(header.MeasureLength, host_.EighthNoteStyle())) {
        host_.SetMetrum(*metrum);
        song_.SetMeasureLength(header.MeasureLength);
      }
    }
    // Only a file that holds a melody sets the melody channel's program: an empty melody block (every
    // save writes one) must not change the voice of channel 1.
    if (parsed.HasMelodyBlock && !parsed.Melody.empty() && header.MelodyProgram < 128)
      host_.SendMelodyProgram(header.MelodyProgram);
  }

  PlayRange& range = song_.Range;
  range.SetFromMeasure(1);
  range.SetToMeasure((song_.Chords.Length - kSongStart) / range.MeasureLength());
  // The oldest layout's header is not used: tempo, measure length and start measure stay.
  if (!parsed.OldestLayout && header.StartMeasure >= 1 && header.StartMeasure <= 8)
    range.SetFromMeasure(header.StartMeasure);
  if (options_.MelodyAdLib && range.RecordStartMeasure() >= 0) range.SetRecordStartMeasure(-4);

  // The oldest layout's header was not read: saving stamps the session's values.
  song_.Loaded.reset();
  if (!parsed.OldestLayout)
    song_.Loaded = LoadedFields{.Header = header,
                                .StylePath = parsed.StylePath,
                                .HasStyleBlock = parsed.HasStyleBlock,
                                .FromMeasure = range.FromMeasure(),
                                .Tempo = host_.Tempo(),
                                .MeasureLength = range.MeasureLength(),
                                .MelodyProgram = host_.MelodyProgram(),
                                .CurrentStyle = host_.CurrentStylePath()};
}

bool SongFiles::Save() {
  if (!song_.RequireSong(dialogs_)) return false;
  if (currentFile_.empty()) return SaveAs();
  return SaveTo(currentFile_);
}

bool SongFiles::SaveAs() {
  if (!song_.RequireSong(dialogs_)) return false;
  const std::string initial = std::filesystem::path(currentFile_).filename().string();
  const auto chosen =
      dialogs_.AskSaveFile({"Save arrangement ...", kArrangementFilter, "VXA", initial, settings_.Dir});
  if (!chosen) return false;
  return SaveTo(*chosen);
}

bool SongFiles::SaveTo(const std::string& path) {
  if (!song_.RequireSong(dialogs_)) return false;
  host_.StopTransport();
  const std::string target = HasVxaExtension(path) ? path : path + ".vxa";
  const PlayRange& range = song_.Range;
  ChordmemoryHeader header = song_.Chords.Header();
  header.StartMeasure = static_cast<uint8_t>(range.FromMeasure() <= 8 ? range.FromMeasure() : 0);
  header.Tempo = static_cast<uint8_t>(std::clamp(host_.Tempo(), 0, 255));
  header.MeasureLength = static_cast<uint8_t>(range.MeasureLength());
  header.MelodyProgram = host_.MelodyProgram();
  std::string stylePath = host_.CurrentStylePath();
  if (const std::optional<LoadedFields>& loaded = song_.Loaded) {
    // What the user left as the file gave it goes back as the file held it.
    if (range.FromMeasure() == loaded->FromMeasure) header.StartMeasure = loaded->Header.StartMeasure;
    if (host_.Tempo() == loaded->Tempo) header.Tempo = loaded->Header.Tempo;
    if (range.MeasureLength() == loaded->MeasureLength) header.MeasureLength = loaded->Header.MeasureLength;
    if (host_.MelodyProgram() == loaded->MelodyProgram) header.MelodyProgram = loaded->Header.MelodyProgram;
    if (loaded->HasStyleBlock && stylePath == loaded->CurrentStyle) stylePath = loaded->StylePath;
  }
  song_.Chords.SetHeader(header);

  const auto bytes = SerializeArrangementFile(song_.Chords, song_.Melody.Events(), song_.Memo, stylePath);
  if (auto error = host::WriteFileSafely(target, bytes)) {
    dialogs_.Inform("Arrangement not saved: " + *error);
    return false;
  }
  currentFile_ = target;
  settings_.Dir = std::filesystem::path(target).parent_path().string();
  const SongMemo& memo = song_.Memo;
  const std::string lost =
      UnstorableCharacters(memo.Title + memo.Subtitle + memo.Author + memo.Copyright + memo.Comments);
  if (!lost.empty()) dialogs_.Inform(UnstorableMemoMessage(lost));
  return true;
}

}  // namespace kalo::song
