// The main window's song and melody menus and the intro voices choice: each entry calls the arranger's
// song command, or shows the song state it switches as its check mark.

#include <QMenuBar>

#include "app/chord_editor_side.h"
#include "gui/main_window.h"
#include "song/song_options.h"

namespace kalo::gui {

QAction* MainWindow::AddChoice(QMenu* menu, QActionGroup* group, const QString& text,
                               std::function<bool()> get, std::function<void(bool)> set) {
  QAction* action = AddCheck(menu, text, std::move(get), std::move(set));
  group->addAction(action);
  return action;
}

void MainWindow::MakeSongMenus(QMenu* styleMenu) {
  // What sounds during lead-in beats: one of five.
  styleMenu->addSeparator();
  auto* voices = new QActionGroup(this);
  for (int i = 0; i < 5; ++i) {
    const auto choice = static_cast<song::IntroVoices>(i);
    QAction* action = AddChoice(
        styleMenu, voices, song::kIntroVoicesNames[i],
        [this, choice] { return arranger_.SongOptions().Voices == choice; },
        [this, choice](bool on) {
          if (on) arranger_.SetIntroVoices(choice);
        });
    action->setObjectName(
        QString("Intro %1").arg(song::kIntroVoicesNames[i]));  // "Metronome" is also a Play entry
  }

  QMenu* song = menuBar()->addMenu("S&ong");
  // "&New" goes on to "Create New Measures ..." and opens the chord editor over the measures made.
  AddCommand(song, "&New", [this] {
    if (arranger_.ClearSong() && arranger_.ChordEditor().CreateNewMeasures()) Q_EMIT EditorRequested(1);
  });
  AddCommand(song, "&Clear", [this] { arranger_.ClearSong(); });
  AddCommand(song, "Open ...", [this] {
    // With "Auto pop-up" a song chosen in the dialog shows in the chord editor, with its memo.
    if (arranger_.SongFiles().Open(false) != song::SongLoad::Loaded || !arranger_.Settings().MPU) return;
    Q_EMIT EditorRequested(1);
    ShowPanel("Memo");
  });
  AddCommand(song, "Save", [this] { arranger_.SongFiles().Save(); });
  AddCommand(song, "Save as ...", [this] { arranger_.SongFiles().SaveAs(); });
  AddCommand(song, "Editor", [this] { Q_EMIT EditorRequested(0); })->setObjectName("Editor Entry");
  song->addSeparator();
  // The step panel holds the start button and the taps per measure.
  AddCommand(song, "Step Record", [this] { ShowPanel("Step"); });
  AddCommand(song, "Play && Overwrite", [this] { arranger_.PlayAndOverwrite(); });
  AddCommand(song, "Punch in", [this] { arranger_.PunchIn(); });
  song->addSeparator();
  song::SongOptions& options = arranger_.SongOptions();
  const std::pair<const char*, bool song::SongOptions::*> switches[] = {
      {"Loop", &song::SongOptions::Loop},
      {"Ignore Loops", &song::SongOptions::IgnoreLoops},
      {" Edit", &song::SongOptions::Edit},
      {"Step Record Preview", &song::SongOptions::StepRecordPreview}};
  for (const auto& [text, member] : switches) {
    AddCheck(
        song, text, [&options, member = member] { return options.*member; },
        [&options, member = member](bool on) { options.*member = on; });
  }
  // The chord preview: at most one of three; unticking the one in force switches the preview off.
  song->addSeparator();
  auto* preview = new QActionGroup(this);
  preview->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  const std::pair<const char*, int> previews[] = {
      {"Chordpreview 1/4", 4}, {"Chordpreview 1/2", 8}, {"Chordpreview 3/4", 12}};
  for (const auto& [text, ahead] : previews) {
    AddChoice(
        song, preview, text, [&options, ahead = ahead] { return options.PreviewAhead == ahead; },
        [&options, ahead = ahead](bool on) {
          if (on) {
            options.PreviewAhead = ahead;
          } else if (options.PreviewAhead == ahead) {
            options.PreviewAhead = 0;
          }
        });
  }

  QMenu* melody = menuBar()->addMenu("M&elody");
  song::MelodyTrack& track = arranger_.Song().Melody;
  // "Record" and "Play" are also transport entries: these go by object name.
  AddCheck(
      melody, "Record", [&track] { return track.Record; },
      [this](bool) {
        arranger_.ToggleMelodyRecord();
        Refresh();  // a refused toggle or a No keeps the mark as the track has it
      })
      ->setObjectName("Melody Record");
  AddCheck(
      melody, "Play", [&track] { return track.Play; }, [this](bool on) { arranger_.SetMelodyPlay(on); })
      ->setObjectName("Melody Play");
  AddCommand(melody, "Delete", [this] { arranger_.DeleteMelody(); });
  AddCommand(melody, "Restore", [this] {
    arranger_.RestoreMelody();
    quantized_ = song::QuantizeGrid::None;
  });
  AddCommand(melody, "Notes ...", [this] { ShowPanel("Melody-Notes"); });
  QMenu* quantize = melody->addMenu("Quantize");
  auto* grids = new QActionGroup(this);
  for (int i = 0; i < song::kQuantizeGridCount; ++i) {
    const auto grid = static_cast<song::QuantizeGrid>(i);
    AddChoice(
        quantize, grids, song::kQuantizeGridNames[i], [this, grid] { return quantized_ == grid; },
        [this, grid](bool on) {
          if (!on) return;
          arranger_.QuantizeMelody(grid);
          quantized_ = grid;
        });
  }
  AddCheck(
      melody, "Humanize", [&track] { return track.Humanize; }, [&track](bool on) { track.Humanize = on; });
  melody->addSeparator();
  // The two ways of giving the player a voice of the style: at most one is on, and the Solo-Mute window
  // opens for choosing that voice.
  config::Options& session = arranger_.Options();
  auto voiceSwitch = [this, &session](bool config::Options::*mine, bool config::Options::*other) {
    return [this, &session, mine, other](bool on) {
      session.*mine = on;
      if (!on) return;
      session.*other = false;
      Refresh();
      ShowPanel("Solo-Mute");
    };
  };
  AddCheck(
      melody, "Minus One", [&session] { return session.MinusOne; },
      voiceSwitch(&config::Options::MinusOne, &config::Options::ReplaceOne));
  AddCheck(
      melody, "Replace One", [&session] { return session.ReplaceOne; },
      voiceSwitch(&config::Options::ReplaceOne, &config::Options::MinusOne));
}

}  // namespace kalo::gui
