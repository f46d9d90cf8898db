#include "gui/window_display.h"

namespace kalo::gui {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QColor ColourOf(uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

void WindowDisplay::SetCaption(const std::string& text) {
  caption_ = Text(text);
  Q_EMIT CaptionChanged(caption_);
}

void WindowDisplay::SetChordPanelText(const std::string& text) {
  chordText_ = Text(text);
  Q_EMIT ChordPanelChanged(chordText_, chordColour_);
}

void WindowDisplay::SetChordPanelColour(uint32_t colour) {
  chordColour_ = ColourOf(colour);
  Q_EMIT ChordPanelChanged(chordText_, chordColour_);
}

void WindowDisplay::SetBeatIndicator(uint32_t colour, const std::string& text) {
  beat_ = {ColourOf(colour), Text(text)};
  Q_EMIT BeatIndicatorChanged(beat_.Colour, beat_.Text);
}

void WindowDisplay::SetBeatIndicatorColour(uint32_t colour) {
  beat_.Colour = ColourOf(colour);
  Q_EMIT BeatIndicatorChanged(beat_.Colour, beat_.Text);
}

void WindowDisplay::SetKeyboardCaption(const std::string& text) {
  keyboardCaption_ = Text(text);
  Q_EMIT KeyboardCaptionChanged(keyboardCaption_);
}

void WindowDisplay::SetStyleManagerCaption(const std::string& text) {
  styleManagerCaption_ = Text(text);
  Q_EMIT StyleManagerCaptionChanged(styleManagerCaption_);
}

void WindowDisplay::SetStyleCreatorCaption(const std::string& text) {
  styleCreatorCaption_ = Text(text);
  Q_EMIT StyleCreatorCaptionChanged(styleCreatorCaption_);
}

void WindowDisplay::SetStyleLabel(const std::string& text) {
  styleLabel_ = Text(text);
  Q_EMIT StyleLabelChanged(styleLabel_);
}

void WindowDisplay::SetStyleCreatorPosition(const std::string& text) {
  styleCreatorPosition_ = Text(text);
  Q_EMIT StyleCreatorPositionChanged(styleCreatorPosition_);
}

void WindowDisplay::SetMeasureText(const std::string& text) {
  measureText_ = Text(text);
  Q_EMIT MeasureTextChanged(measureText_);
}

}  // namespace kalo::gui
