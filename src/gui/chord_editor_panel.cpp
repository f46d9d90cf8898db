#include "gui/chord_editor_panel.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <utility>

#include "gui/guarded.h"
#include "gui/main_controls.h"
#include "perform/chord.h"
#include "song/play_range.h"

namespace kalo::gui {

namespace {

constexpr const char* kSoloMuteChoices[] = {"Play",     "Solo",        "Mute",       "Play all",
                                            "Mute all", "Play Melody", "Mute Melody"};
constexpr app::EditorFunction kPartFunctions[] = {
    app::EditorFunction::Intro,   app::EditorFunction::FillIn, app::EditorFunction::ToExtended,
    app::EditorFunction::ToBasic, app::EditorFunction::Ending, app::EditorFunction::Stop};
constexpr const char* kPartCaptions[] = {"Intro", "Fill in", "To Extended", "To Basic", "Ending", "Stop"};

// Tooltips of the controls that carry none from where they are made, by object name.
constexpr std::pair<const char*, const char*> kHints[] = {
    {"Measure", "The measure the grid shows and edits"},
    {"Stop", "Stop playing"},
    {"TempoField", "The tempo the Tempo button writes into the selected beat"},
    {"Tempo", "Write a tempo change into the selected beat"},
    {"LoopChoice", "Start or end a repeated stretch of the song"},
    {"LoopCount", "How often the loop repeats"},
    {"Loop", "Write the loop start or end into the selected beat"},
    {"Semitones", "The semitones the Transpose button writes into the selected beat"},
    {"Transpose", "Write a transposition into the selected beat"},
    {"SoloMuteChoice", "What the Solo/Mute button writes: solo, mute or play again"},
    {"Channel", "The channel the solo or mute is for"},
    {"Solo/Mute", "Write a solo or mute into the selected beat"},
    {"Insert Measure ", "Insert a measure before the selected one"},
    {"Delete Measure", "Delete the selected measure"},
    {"Insert Beat", "Insert a beat before the selected one; the song grows by a beat"},
    {"Delete Beat", "Delete the selected beat; the song shrinks by a beat"},
    {"Copy Measures", "Copy a range of measures to another place"},
    {"Undo", "Take back the last change"},
    {"Cut Chord", "Take the chord out of the selected beat"},
    {"Cut Function", "Take the part or function out of the selected beat"},
    {"Copy Beat", "Copy the selected beat"},
    {"Cut Beat", "Copy the selected beat and empty it"},
    {"Paste Beat", "Put the copied beat into the selected beat"},
    {"First Measure", "The first measure to copy"},
    {"Last Measure", "The last measure to copy"},
    {"Dest. Measure", "Where the copied measures go"},
    {"OK", "Copy the measures"},
    {"Cancel", "Close the copy panel without copying"},
};

QSpinBox* Field(int low, int high, int value, const QString& name) {
  auto* field = new QSpinBox;
  field->setObjectName(name);
  field->setRange(low, high);
  field->setValue(value);
  field->setFocusPolicy(Qt::ClickFocus);  // the computer keys keep playing until a field is clicked
  return field;
}

}  // namespace

ChordEditorPanel::ChordEditorPanel(app::Arranger& arranger, MainWindow& main, QWidget* parent)
    : ToolPanel("Chord & Style Editor", parent),
      arranger_(arranger),
      side_(arranger.ChordEditor()),
      main_(main) {
  setObjectName("Editor");
  auto* rows = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Measure"));
  measure_ = Field(1, 1, 1, "Measure");
  connect(measure_, &QSpinBox::valueChanged, this,
          [this](int measure) { side_.Select(measure, side_.Editing().Column); });
  top->addWidget(measure_);
  metrum_ = new QLabel;
  metrum_->setObjectName("Metrum");
  top->addWidget(metrum_);
  top->addStretch();
  AddButton(top, "Play", [this] { arranger_.PlayFromEditor(); })->setToolTip("Play the song from the editor");
  AddButton(top, "Stop", [this] { arranger_.Stop(); });
  rows->addLayout(top);
  MakeGrid();
  rows->addWidget(grid_);
  rows->addLayout(MakeFunctionFields());
  rows->addLayout(MakeMeasureButtons());

  copyPanel_ = new QGroupBox("Copy Measures");
  copyPanel_->setObjectName("CopyPanel");
  auto* copy = new QGridLayout(copyPanel_);
  int column = 0;
  for (auto [field, caption] : {std::pair{&first_, "First Measure"}, std::pair{&last_, "Last Measure"},
                                std::pair{&destination_, "Dest. Measure"}}) {
    copy->addWidget(new QLabel(caption), 0, column++);
    *field = Field(1, song::kMaxMeasure * 2, 1, caption);
    copy->addWidget(*field, 0, column++);
  }
  auto* confirm = new QHBoxLayout;
  confirm->addStretch();
  AddButton(confirm, "OK", [this] {
    if (side_.CopyMeasures(first_->value(), last_->value(), destination_->value())) copyPanel_->hide();
  });
  AddButton(confirm, "Cancel", [this] { copyPanel_->hide(); });
  copy->addLayout(confirm, 1, 0, 1, column);
  copyPanel_->hide();
  rows->addWidget(copyPanel_);
  MakePopUp();

  banner_ = new QLabel(app::kEditModeBanner);
  banner_->setObjectName("EditModeBanner");
  banner_->setAlignment(Qt::AlignCenter);
  banner_->setStyleSheet("QLabel { background: #c00000; color: white; font-weight: bold; padding: 4px; }");
  banner_->hide();
  if (auto* layout = qobject_cast<QBoxLayout*>(main_.centralWidget()->layout())) {
    layout->insertWidget(0, banner_);
  } else {
    banner_->setParent(main_.centralWidget());
  }

  for (const auto& [name, hint] : kHints) {
    for (QWidget* control : findChildren<QWidget*>(name))
      if (control->toolTip().isEmpty()) control->setToolTip(hint);
  }

  follow_.setInterval(100);
  connect(&follow_, &QTimer::timeout, this, &ChordEditorPanel::FollowSong);
  side_.SetView(this);
  Refresh();
}

ChordEditorPanel::~ChordEditorPanel() {
  side_.SetView(nullptr);
  side_.SetWindowShown(false);
}

QPushButton* ChordEditorPanel::AddButton(QLayout* layout, const QString& caption,
                                         std::function<void()> command) {
  auto* button = new QPushButton(caption);
  button->setObjectName(caption);
  button->setFocusPolicy(Qt::NoFocus);
  connect(button, &QPushButton::clicked, this, [this, command = std::move(command)] {
    Guarded(arranger_.Dialogs(), command);
    Changed();
  });
  layout->addWidget(button);
  return button;
}

QAction* ChordEditorPanel::AddEntry(QMenu* menu, const QString& caption, std::function<void()> command) {
  QAction* entry = menu->addAction(caption);
  // Named apart from the main window's entries of the same captions ("Loop", "Stop").
  entry->setObjectName("Cell " + caption);
  connect(entry, &QAction::triggered, this, [this, command = std::move(command)] {
    Guarded(arranger_.Dialogs(), command);
    Changed();
  });
  return entry;
}

void ChordEditorPanel::MakeGrid() {
  grid_ = new QTableWidget;
  grid_->setObjectName("Grid");
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setFixedWidth(kEditorGridWidth);
  grid_->setMinimumHeight(240);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
    if (row >= 0 && column >= 0) side_.Select(row + 1, column + 1);
  });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex cell = grid_->indexAt(at);
    if (cell.isValid()) side_.Select(cell.row() + 1, cell.column() + 1);
    popUp_->popup(grid_->viewport()->mapToGlobal(at));
  });
}

void ChordEditorPanel::MakePopUp() {
  popUp_ = new QMenu(this);
  popUp_->setObjectName("PopUp");
  QMenu* roots = popUp_->addMenu("Chord");
  for (int pitchClass = 0; pitchClass < 12; ++pitchClass)
    AddEntry(roots, perform::kNoteNames[static_cast<size_t>(pitchClass)],
             [this, pitchClass] { side_.SetRoot(pitchClass); });
  roots->addSeparator();
  AddEntry(roots, "None", [this] { side_.CutChord(); })->setObjectName("Cell None Chord");
  QMenu* types = popUp_->addMenu("Type");
  types->setObjectName("Types");
  for (int type = 1; type <= perform::kChordTypeCount; ++type)
    AddEntry(types, perform::kChordTypeNames[static_cast<size_t>(type)],
             [this, type] { side_.SetType(type); });
  AddEntry(popUp_, "Cut Chord", [this] { side_.CutChord(); });
  QMenu* functions = popUp_->addMenu("Function");
  for (size_t i = 0; i < std::size(kPartFunctions); ++i)
    AddEntry(functions, kPartCaptions[i], [this, f = kPartFunctions[i]] { Function(f); });
  AddEntry(functions, "Tempo", [this] { Function(app::EditorFunction::Tempo); });
  AddEntry(functions, "Loop", [this] { Function(app::EditorFunction::Loop); });
  AddEntry(functions, "Transpose", [this] { Function(app::EditorFunction::Transpose); });
  AddEntry(functions, "Solo/Mute", [this] { Function(app::EditorFunction::SoloMute); });
  functions->addSeparator();
  AddEntry(functions, "None", [this] { side_.CutFunction(); })->setObjectName("Cell None Function");
  AddEntry(popUp_, "Cut Function", [this] { side_.CutFunction(); });
  popUp_->addSeparator();
  AddEntry(popUp_, "Copy Beat", [this] { side_.CopyBeat(); });
  AddEntry(popUp_, "Cut Beat", [this] { side_.CutBeat(); });
  AddEntry(popUp_, "Paste Beat", [this] { side_.PasteBeat(); });
  popUp_->addSeparator();
  AddEntry(popUp_, "Chordpads ...", [this] { side_.StartEditMode(); });
}

QLayout* ChordEditorPanel::MakeFunctionFields() {
  auto* fields = new QGridLayout;
  fields->setSpacing(2);
  auto* parts = new QHBoxLayout;
  for (size_t i = 0; i < std::size(kPartFunctions); ++i) {
    // The song's end mark, not the transport's Stop above.
    const bool end = kPartFunctions[i] == app::EditorFunction::Stop;
    AddButton(parts, end ? "STOP" : kPartCaptions[i], [this, f = kPartFunctions[i]] {
      Function(f);
    })->setToolTip(end ? "The song ends here" : "Switch to this style part here");
  }
  fields->addLayout(parts, 0, 0, 1, 4);

  tempo_ = Field(25, 250, 120, "TempoField");
  loop_ = new QComboBox;
  loop_->setObjectName("LoopChoice");
  loop_->addItems({"Loop Start - Repeat ...", "Loop End"});
  loopCount_ = Field(0, 100, 10, "LoopCount");
  loopCount_->setSuffix(" x");
  semitones_ = Field(-11, 11, 0, "Semitones");
  soloMute_ = new QComboBox;
  soloMute_->setObjectName("SoloMuteChoice");
  for (const char* choice : kSoloMuteChoices) soloMute_->addItem(choice);
  channel_ = Field(1, 16, 1, "Channel");
  channel_->setPrefix("Ch. ");
  const std::pair<const char*, app::EditorFunction> withFields[] = {
      {"Tempo", app::EditorFunction::Tempo},
      {"Loop", app::EditorFunction::Loop},
      {"Transpose", app::EditorFunction::Transpose},
      {"Solo/Mute", app::EditorFunction::SoloMute}};
  const std::vector<std::vector<QWidget*>> widgets = {
      {tempo_}, {loop_, loopCount_}, {semitones_}, {soloMute_, channel_}};
  for (size_t i = 0; i < widgets.size(); ++i) {
    auto* row = new QHBoxLayout;
    AddButton(row, withFields[i].first, [this, f = withFields[i].second] { Function(f); });
    for (QWidget* widget : widgets[i]) row->addWidget(widget);
    fields->addLayout(row, 1 + static_cast<int>(i) / 2, static_cast<int>(i) % 2 * 2, 1, 2);
  }
  return fields;
}

QLayout* ChordEditorPanel::MakeMeasureButtons() {
  auto* buttons = new QGridLayout;
  buttons->setSpacing(2);
  auto add = [&](int row, int column, const QString& caption, std::function<void()> command) {
    auto* cell = new QHBoxLayout;
    QPushButton* button = AddButton(cell, caption, std::move(command));
    buttons->addLayout(cell, row, column);
    return button;
  };
  add(0, 0, "Insert Measure ", [this] { side_.InsertMeasure(); });
  add(0, 1, "Delete Measure", [this] { side_.DeleteMeasure(); });
  add(0, 2, "Insert Beat", [this] { side_.InsertBeat(); });
  add(0, 3, "Delete Beat", [this] { side_.DeleteBeat(); });
  add(0, 4, "Copy Measures", [this] {
    for (QSpinBox* field : {first_, last_, destination_}) field->setValue(side_.Editing().Measure);
    copyPanel_->show();
  });
  undo_ = add(0, 5, "Undo", [this] { side_.Undo(); });
  add(1, 0, "Cut Chord", [this] { side_.CutChord(); });
  add(1, 1, "Cut Function", [this] { side_.CutFunction(); });
  add(1, 2, "Copy Beat", [this] { side_.CopyBeat(); });
  add(1, 3, "Cut Beat", [this] { side_.CutBeat(); });
  add(1, 4, "Paste Beat", [this] { side_.PasteBeat(); });
  add(1, 5, "Chordpads ...", [this] {
    side_.StartEditMode();
  })->setToolTip("The next chord pad (with Shift: style pad) goes into the selected beat");
  add(2, 0, "Copy as chart", [this] {
    if (const auto chart = side_.Chart())
      QGuiApplication::clipboard()->setText(QString::fromStdString(*chart));
  })->setToolTip("The whole song as a chord chart, for kalo song from-chart or a chord sheet");
  add(2, 1, "Paste chart", [this] {
    side_.PasteChart(QGuiApplication::clipboard()->text().toStdString());
  })->setToolTip("A chord chart or ChordPro sheet from the clipboard becomes the song");
  return buttons;
}

app::EditorFields ChordEditorPanel::Fields() const {
  app::EditorFields fields;
  fields.Tempo = tempo_->value();
  fields.LoopCount = loopCount_->value();
  fields.LoopEnd = loop_->currentIndex() == 1;
  fields.Semitones = semitones_->value();
  fields.SoloMute = static_cast<song::SoloMuteChoice>(soloMute_->currentIndex());
  fields.Channel = channel_->value();
  return fields;
}

void ChordEditorPanel::Function(app::EditorFunction function) { side_.SetFunction(function, Fields()); }

void ChordEditorPanel::Changed() {
  ShowChords();
  Q_EMIT SessionChanged();
}

void ChordEditorPanel::Refresh() { ShowChords(); }

void ChordEditorPanel::ShowChords() {
  const int measureLength = side_.MeasureLength();
  const int beats = std::max(1, measureLength / song::kRecordBytes);
  const int measures = side_.Measures();
  const song::ChordEditing& editing = side_.Editing();
  const song::Chordmemory& chords = arranger_.Song().Chords;
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(arranger_.Settings());
  const QSignalBlocker blockGrid(grid_);
  const QSignalBlocker blockMeasure(measure_);
  if (grid_->columnCount() != beats) {
    grid_->setColumnCount(beats);
    QStringList headers;
    for (int beat = 1; beat <= beats; ++beat) headers << QString("%1/4").arg(beat);
    grid_->setHorizontalHeaderLabels(headers);
  }
  if (grid_->rowCount() != measures) {
    grid_->setRowCount(measures);
    QStringList headers;
    for (int measure = 1; measure <= measures; ++measure) headers << QString::asprintf("%03d", measure);
    grid_->setVerticalHeaderLabels(headers);
  }
  for (int row = 0; row < measures; ++row) {
    for (int column = 0; column < beats; ++column) {
      const QString text = QString::fromStdString(
          song::CellText(chords.RecordAt(song::PositionOf(row + 1, column + 1, measureLength)), keys));
      QTableWidgetItem* item = grid_->item(row, column);
      if (item == nullptr) grid_->setItem(row, column, item = new QTableWidgetItem);
      if (item->text() != text) item->setText(text);
    }
  }
  grid_->setCurrentCell(std::min(editing.Measure, measures) - 1, std::min(editing.Column, beats) - 1);
  if (grid_->currentItem() != nullptr) grid_->scrollToItem(grid_->currentItem());
  measure_->setRange(1, measures);
  measure_->setValue(editing.Measure);
  undo_->setEnabled(editing.CanUndo());
  const int metrum = std::clamp(arranger_.Settings().Metrum, 0, config::kMetrumCount - 1);
  metrum_->setText(config::kMetrumNames[metrum]);
  if (QMenu* types = popUp_->findChild<QMenu*>("Types"))
    types->setEnabled(side_.Editing().Selected(measureLength).HasRoot());
}

void ChordEditorPanel::ShowEditMode(bool on) {
  banner_->setVisible(on);
  for (QAction* menu : main_.menuBar()->actions())
    if (menu->text() == "S&ong") menu->setEnabled(!on);
  if (on) main_.ShowPanel("Chordpads");
}

void ChordEditorPanel::BringToFront() {
  if (window()->isVisible()) window()->raise();
}

void ChordEditorPanel::OpenAt(int measure, bool bringUp) {
  opening_ = true;
  side_.OpenAt(measure);
  if (bringUp) {
    main_.Tools().Show(this);
    // The main window takes the keys again, with its to-measure field in view; the field itself takes
    // them only when clicked, so that the computer keys and F8 keep playing.
    main_.activateWindow();
  }
  opening_ = false;
}

int ChordEditorPanel::PositionMeasure() const {
  const QString text = main_.Controls()->Measure()->text();
  return std::max(1, text.section(':', 0, 0).trimmed().toInt());
}

void ChordEditorPanel::FollowSong() {
  const int state = arranger_.Engine().SongState;
  if (state > 0) ShowChords();  // a recording writes the beats as they pass
  if (state != -2) return;
  const int played = std::max(song::kSongStart, arranger_.Song().Position - song::kRecordBytes);
  const int measure = song::MeasureOf(played, side_.MeasureLength());
  if (measure != side_.Editing().Measure) side_.Select(measure, side_.Editing().Column);
}

void ChordEditorPanel::showEvent(QShowEvent* event) {
  ToolPanel::showEvent(event);
  if (watchedWindow_ != window()) {
    if (watchedWindow_ != nullptr) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = window();
    watchedWindow_->installEventFilter(this);
  }
  side_.SetWindowShown(true);
  if (!opening_) side_.OpenAt(PositionMeasure());
  follow_.start();
}

void ChordEditorPanel::hideEvent(QHideEvent* event) {
  ToolPanel::hideEvent(event);
  follow_.stop();
  side_.SetWindowShown(false);
  side_.EndEditMode();
  side_.Leave();
}

bool ChordEditorPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedWindow_ && event->type() == QEvent::WindowDeactivate) side_.Leave();
  return ToolPanel::eventFilter(watched, event);
}

}  // namespace kalo::gui
