#pragma once
// The "Tap Tempo" dialog: the player taps once per beat for one measure (Space, Return, F8 or the
// "Tap" button, whose caption says how many taps: "Tap 4 times" in 4/4), each tap clicks the metronome
// (the first of the measure accented), and after the measure's last tap its average interval becomes
// the tempo field's value and the clock's tempo, and the dialog closes. "Quantize" switches the count-in
// and beat unit between quarter and eighth notes. Modal, so that its keys are its own. Main thread.

#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <functional>

#include "app/arranger.h"
#include "gui/tap_tempo.h"

namespace kalo::gui {

inline constexpr const char* kTapHint = "Press SPACE or RETURN";

class TapTempoDialog final : public QDialog {
  Q_OBJECT

 public:
  // Monotonic milliseconds.
  using Clock = std::function<int64_t()>;
  TapTempoDialog(app::Arranger& arranger, Clock clock, QWidget* parent = nullptr);

  // Shows the dialog from its first tap again (taps of an earlier opening are forgotten).
  void Open();
  // One tap.
  void Tap();

  QPushButton* TapButton() const { return tap_; }
  QComboBox* Quantize() const { return quantize_; }

 Q_SIGNALS:
  // The measure's last tap set the tempo.
  void TempoSet(int bpm);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // "1/4 measure" or "1/8 measure": the configuration's quantize choice moves to its quarter- or
  // eighth-note item, and the beat unit follows.
  void ChooseUnit(bool eighths);

  app::Arranger& arranger_;
  Clock clock_;
  TapTempo taps_;
  QPushButton* tap_ = nullptr;
  QComboBox* quantize_ = nullptr;
};

}  // namespace kalo::gui
