#include "gui/chord_pads_panel.h"

#include <QGridLayout>
#include <QGuiApplication>

#include "gui/virtual_keys.h"
#include "perform/chord.h"

namespace kalo::gui {

namespace {

constexpr int kChordRows = 11;  // A .. K
constexpr int kColumns = 12;
constexpr std::array<const char*, 5> kPartCaptions = {"Fill in - F1", "Basic - F3", "Ending - F4",
                                                      "Ext. - F2", "Intro"};
constexpr std::array<const char*, 5> kPartHints = {
    "Play a fill-in (with Shift: the Intro)", "Change to the Basic part (with Shift: the Intro)",
    "Play the Ending (with Shift: the Intro)", "Change to the Extended part (with Shift: the Intro)",
    "Play the Intro"};

}  // namespace

ChordPadsPanel::ChordPadsPanel(LiveControls& live, QWidget* parent)
    : ToolPanel("Chordpads", parent), live_(live) {
  auto* grid = new QGridLayout(this);
  grid->setSpacing(2);
  for (int row = 0; row < kChordRows; ++row) {
    const int type = perform::OrderedChordType(row + 1);
    for (int column = 0; column < kColumns; ++column) {
      const int root = 40 + column + (column < 4 ? 12 : 0);
      const QString name = QString("%1%2").arg(QChar('A' + row)).arg(column, 2, 10, QChar('0'));
      const QString chord = QString::fromStdString(perform::ChordName(root, type));
      QPushButton* pad = AddPad(name, chord);
      pad->setToolTip("Play " + chord + " as if held on the keyboard, as long as the pad is pressed");
      grid->addWidget(pad, row, column);
    }
  }
  for (int column = 0; column < static_cast<int>(kPartCaptions.size()); ++column) {
    const QString name = QString("L%1").arg(column, 2, 10, QChar('0'));
    QPushButton* pad = AddPad(name, kPartCaptions[static_cast<size_t>(column)]);
    pad->setToolTip(kPartHints[static_cast<size_t>(column)]);
    grid->addWidget(pad, kChordRows, column * 2, 1, 2);
  }
}

QPushButton* ChordPadsPanel::AddPad(const QString& name, const QString& caption) {
  auto* pad = new QPushButton(caption);
  pad->setObjectName(name);
  pad->setFocusPolicy(Qt::NoFocus);  // the computer keys keep playing while the pads are used
  // A push button answers the left button only, which is the only one that plays.
  connect(pad, &QPushButton::pressed, this, [this, name] {
    live_.Pads.ChordButtonDown(name.toStdString(), KeyModifiers(QGuiApplication::keyboardModifiers()), true);
  });
  connect(pad, &QPushButton::released, this, [this] { live_.Pads.ChordButtonUp(); });
  return pad;
}

QPushButton* ChordPadsPanel::Pad(const QString& name) const { return findChild<QPushButton*>(name); }

}  // namespace kalo::gui
