#pragma once
// The program's message boxes and file dialogs on Qt: questions are Yes/No boxes captioned with the
// application title, "No" the default button so that a stray Enter changes nothing. Main thread.

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include "host/dialogs.h"

namespace kalo::gui {

class QtDialogs final : public host::Dialogs {
 public:
  // The window the boxes belong to (centred over it, modal to it); none before it exists.
  void SetParent(QWidget* parent) { parent_ = parent; }
  // The program is ending with no player to answer (a stop signal): from now on messages go to
  // standard error, questions are answered "No" and file choices cancelled, without a box.
  void AnswerNoMore() { answering_ = false; }

  bool Ask(const std::string& question) override;
  void Inform(const std::string& text) override;
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override;
  std::optional<std::string> AskOpenFile(const host::FileChoice& choice) override;
  std::optional<std::string> AskSaveFile(const host::FileChoice& choice) override;
  // A progress box with a "Cancel" button, shown once the work has run for a second.
  bool Progress(const std::string& text, int done, int total) override;

  // "Styles (*.vxs)|*.vxs|All (*.*)|*.*" as Qt writes it: "Styles (*.vxs);;All (*.*)".
  static QString QtFilter(const std::string& filter);

 private:
  QPointer<QWidget> parent_;
  QPointer<QProgressDialog> progress_;
  bool answering_ = true;
};

}  // namespace kalo::gui
