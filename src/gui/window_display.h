#pragma once
// The Display the window shows: every visual side effect the core reports becomes a Qt signal that
// the window's widgets subscribe to, and the last value of each stays readable for a widget made
// later. Called on the main thread, also from inside a tick: each call only stores and signals, the
// repaint follows with the window's next paint event.

#include <QColor>
#include <QObject>
#include <QString>

#include "host/display.h"

namespace kalo::gui {

// A 0x00BBGGRR colour as Qt takes it.
QColor ColourOf(uint32_t colour);

class WindowDisplay final : public QObject, public host::Display {
  Q_OBJECT

 public:
  struct Beat {
    QColor Colour = Qt::black;
    QString Text;
  };

  void SetCaption(const std::string& text) override;
  bool ChordPanelVisible() const override { return chordPanelVisible_; }
  void SetChordPanelText(const std::string& text) override;
  void SetChordPanelColour(uint32_t colour) override;
  void SetBeatIndicator(uint32_t colour, const std::string& text) override;
  void SetKeyboardCaption(const std::string& text) override;
  void SetStyleManagerCaption(const std::string& text) override;
  void SetStyleCreatorCaption(const std::string& text) override;
  void SetStyleLabel(const std::string& text) override;
  void SetStyleCreatorPosition(const std::string& text) override;
  void SetBeatIndicatorColour(uint32_t colour) override;
  void SetMeasureText(const std::string& text) override;

  // The chord panel tells whether it is shown.
  void SetChordPanelVisible(bool visible) { chordPanelVisible_ = visible; }

  const QString& Caption() const { return caption_; }
  const QString& ChordText() const { return chordText_; }
  const QColor& ChordColour() const { return chordColour_; }
  const Beat& BeatIndicator() const { return beat_; }
  const QString& KeyboardCaption() const { return keyboardCaption_; }
  const QString& StyleManagerCaption() const { return styleManagerCaption_; }
  const QString& StyleCreatorCaption() const { return styleCreatorCaption_; }
  const QString& StyleLabel() const { return styleLabel_; }
  const QString& StyleCreatorPosition() const { return styleCreatorPosition_; }
  const QString& MeasureText() const { return measureText_; }

 Q_SIGNALS:
  void CaptionChanged(const QString& text);
  void ChordPanelChanged(const QString& text, const QColor& colour);
  void BeatIndicatorChanged(const QColor& colour, const QString& text);
  void KeyboardCaptionChanged(const QString& text);
  void StyleManagerCaptionChanged(const QString& text);
  void StyleCreatorCaptionChanged(const QString& text);
  void StyleLabelChanged(const QString& text);
  void StyleCreatorPositionChanged(const QString& text);
  void MeasureTextChanged(const QString& text);

 private:
  bool chordPanelVisible_ = false;
  QString caption_;
  QString chordText_;
  QColor chordColour_ = Qt::white;
  Beat beat_;
  QString keyboardCaption_;
  QString styleManagerCaption_;
  QString styleCreatorCaption_;
  QString styleLabel_;
  QString styleCreatorPosition_;
  QString measureText_;
};

}  // namespace kalo::gui
