#include "app/style_manager_side.h"

#include "app/arranger.h"
#include "app/style_preview.h"
#include "config/recent_styles.h"
#include "host/file_store.h"
#include "midi/midi_errors.h"
#include "midi/midi_output.h"
#include "perform/chord.h"
#include "perform/chord_state.h"
#include "styles/style_file.h"
#include "styles/style_summary.h"

namespace kalo::app {

namespace {

// Seconds a rendered preview's output stays open after its last message, so that the sound rings.
constexpr double kRingSeconds = 2.0;
// C, as the chord recognizer names a C chord held in the accompaniment zone.
constexpr int kPreviewRoot = 48;

bool SamePath(const std::string& a, const std::string& b) {
  return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
}

}  // namespace

StyleManagerSide::StyleManagerSide(Arranger& session) : session_(session) {}

StyleManagerSide::~StyleManagerSide() { StopPreview(); }

// --- The groups ---------------------------------------------------------------------------------------

styles::StyleGroupList& StyleManagerSide::Groups() {
  if (!groups_) {
    const std::filesystem::path beside = session_.Folder().WithExtension(".VXG");
    file_ = std::make_unique<styles::StyleGroupFile>(
        styles::StyleGroupFile::Open(location_.value_or(styles::GroupFileLocation{beside, beside})));
    groups_ = std::make_unique<styles::StyleGroupList>(*file_, session_.Dialogs());
    if (!file_->Problem().empty())
      session_.Dialogs().Inform("The style groups could not be read: " + file_->Problem());
  }
  return *groups_;
}

int StyleManagerSide::FirstFilledGroup() {
  Groups();
  for (int group = 1; group <= styles::kStyleGroupCount; ++group)
    if (!file_->Entries(group).empty()) return group;
  return 1;
}

void StyleManagerSide::ShowGroup(int group) { Groups().ShowGroup(group); }

void StyleManagerSide::ClickEntry(int index) {
  lastClicked_ = ManagerList::Group;
  Groups().Select(index);
}

void StyleManagerSide::AddOrEditCurrentStyle(std::string_view description) {
  const styles::TGen& gen = session_.Gen();
  const std::string path = gen.StyleLoaded ? gen.CurrentStylePath : std::string();
  Groups().AddOrEditCurrentStyle(path, styles::SummarizeHeader(gen.CurrentStyle().Header), description);
}

void StyleManagerSide::Remove() { Groups().Remove(); }

void StyleManagerSide::RemoveAll() { Groups().RemoveAll(); }

// --- The file browser -----------------------------------------------------------------------------------

styles::StyleBrowser& StyleManagerSide::Browser() {
  if (!browser_) {
    browser_ = std::make_unique<styles::StyleBrowser>(
        styles::StartFolder(session_.Settings().StyleDir, session_.Folder()));
  }
  return *browser_;
}

void StyleManagerSide::ClickFile(const std::string& fileName) {
  lastClicked_ = ManagerList::Files;
  selectedFile_ = fileName;
}

// --- Loading ---------------------------------------------------------------------------------------------

styles::LoadOutcome StyleManagerSide::Loaded(styles::LoadOutcome outcome) {
  if (outcome == styles::LoadOutcome::Loaded)
    config::RememberRecentStyle(session_.Settings(), session_.Gen().CurrentStylePath);
  return outcome;
}

styles::LoadOutcome StyleManagerSide::LoadByName(const std::string& path) {
  StopPreview();
  return Loaded(session_.Gen().LoadStyleByName(path));
}

styles::LoadOutcome StyleManagerSide::LoadEntry() {
  const std::string path = Groups().SelectedText().Path;
  return path.empty() ? styles::LoadOutcome::Cancelled : LoadByName(path);
}

styles::LoadOutcome StyleManagerSide::LoadFile() {
  if (selectedFile_.empty()) return styles::LoadOutcome::Cancelled;
  return LoadByName(Browser().PathOf(selectedFile_).string());
}

styles::LoadOutcome StyleManagerSide::LoadByDialog() {
  StopPreview();
  return Loaded(session_.Gen().LoadStyleByDialog());
}

styles::LoadOutcome StyleManagerSide::LoadRecent(const std::string& path) {
  const styles::LoadOutcome outcome = LoadByName(path);
  if (outcome == styles::LoadOutcome::NotFound) config::ForgetRecentStyle(session_.Settings(), path);
  return outcome;
}

// --- Preview -----------------------------------------------------------------------------------------------

std::string StyleManagerSide::ChosenPath() {
  if (lastClicked_ == ManagerList::Group) return Groups().SelectedText().Path;
  return selectedFile_.empty() ? std::string() : Browser().PathOf(selectedFile_).string();
}

void StyleManagerSide::Play() {
  const std::string path = ChosenPath();
  if (path.empty() || LoadByName(path) != styles::LoadOutcome::Loaded) return;
  styles::TGen& gen = session_.Gen();
  if (!gen.CurrentStyle().HasMaterial()) return;
  gen.RunningPart = styles::kBasic;
  if (!gen.CurrentStyle().Parts[styles::kBasic].Exists()) return;
  if (session_.Devices().Midiout().IsOpen()) {
    // Selects Basic, makes it repeat and starts the style player on it.
    session_.Engine().PlayPart(styles::kBasic);
    // A style plays nothing before its first chord: without one it is heard in C major, the key
    // styles are recorded in, until the player gives another.
    perform::ChordState& chords = session_.Chords();
    if (chords.CurrentRoot == perform::kNoRoot)
      chords.SetChord(kPreviewRoot, perform::kMaj, perform::kUntransposed);
  } else {
    StartRenderedPreview();
  }
}

void StyleManagerSide::StartRenderedPreview() {
  const std::string& path = session_.Gen().CurrentStylePath;
  const host::FileRead read = host::ReadRegularFile(path, styles::kMaxStyleFileBytes);
  if (!read.Ok()) {
    session_.Dialogs().Inform("Style not played: " + read.Error);
    return;
  }
  StylePreview preview = RenderStylePreview(session_.Settings(), session_.Folder(), path, read.Bytes);
  if (!preview.Ok) {
    session_.Dialogs().Inform(preview.Error);
    return;
  }
  output_ = std::make_unique<midi::TMidiOutput>(session_.Midi());
  try {
    output_->SetDeviceID(midi::kDefaultOutput);
    if (!output_->Open()) throw midi::EmidioutputError("the output did not open");
  } catch (const midi::EmidioutputError& error) {
    output_.reset();
    session_.Dialogs().Inform(std::string("The preview cannot be played: ") + error.what());
    return;
  }
  midi::TMidiOutput& out = *output_;
  player_ = std::make_unique<PreviewPlayer>(
      preview.Capture.Midiout(), preview.Capture.Tempi, [&out](const std::vector<uint8_t>& m) {
        if (m.size() <= 3) {
          out.PutShort(m[0], m.size() > 1 ? m[1] : 0, m.size() > 2 ? m[2] : 0);
        } else {
          out.PutLong(m.data(), m.size());
        }
      });
  startMicros_ = clock_->NowMicros();
  Pump();
}

void StyleManagerSide::Pump() {
  if (!player_) return;
  const double seconds = static_cast<double>(clock_->NowMicros() - startMicros_) / 1e6;
  try {
    if (!player_->Advance(seconds) && seconds > player_->Seconds() + kRingSeconds) CloseOutput();
  } catch (const midi::EmidioutputError& error) {
    CloseOutput();
    session_.Dialogs().Inform(error.what());
  }
}

void StyleManagerSide::StopPreview() {
  if (!player_) return;
  try {
    player_->Stop();
  } catch (const midi::EmidioutputError&) {
    // The output failed while silencing: closing it below is all that is left to do.
  }
  CloseOutput();
}

void StyleManagerSide::CloseOutput() {
  player_.reset();
  if (output_) {
    try {
      output_->Close();
    } catch (const midi::EmidioutputError&) {
    }
    output_.reset();
  }
}

void StyleManagerSide::Stop() { session_.Stop(); }

bool StyleManagerSide::Playing() const { return player_ != nullptr || session_.Gen().Playing; }

// --- Keys and mouse ----------------------------------------------------------------------------------------

void StyleManagerSide::Space(ManagerList list) {
  if (Playing()) {
    Stop();
  } else if (list == ManagerList::Group) {
    lastClicked_ = ManagerList::Group;
    LoadEntry();
  } else {
    lastClicked_ = ManagerList::Files;
    Play();
  }
}

void StyleManagerSide::RightClickEntry(int index) {
  if (index != Groups().Selected() || lastClicked_ != ManagerList::Group) {
    ClickEntry(index);
    Play();
  } else if (Playing()) {
    Stop();
  } else {
    Play();
  }
}

void StyleManagerSide::RightClickFile(const std::string& fileName) {
  if (fileName != selectedFile_ || lastClicked_ != ManagerList::Files) {
    ClickFile(fileName);
    Play();
  } else if (Playing()) {
    Stop();
  } else {
    Play();
  }
}

void StyleManagerSide::DropFile(const std::string& path, std::string_view description) {
  if (!styles::IsDraggableStyle(path)) return;
  const styles::TGen& gen = session_.Gen();
  const bool current = gen.StyleLoaded && SamePath(path, gen.CurrentStylePath);
  if (!current && LoadByName(path) != styles::LoadOutcome::Loaded) return;
  AddOrEditCurrentStyle(description);
}

}  // namespace kalo::app
