#include "gui/qt_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <iostream>

#include "host/printable_text.h"

namespace kalo::gui {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString FileDialogStart(const host::FileChoice& choice) {
  QString start = Text(choice.Folder);
  // "*.VXS" is a pattern, not a name to propose.
  if (!choice.InitialName.empty() && choice.InitialName.find('*') == std::string::npos) {
    start = start.isEmpty() ? Text(choice.InitialName) : start + "/" + Text(choice.InitialName);
  }
  return start;
}

}  // namespace

QString QtDialogs::QtFilter(const std::string& filter) {
  const QStringList parts = Text(filter).split('|');
  QStringList entries;
  // Pairs of caption and pattern; the caption already shows the pattern.
  for (qsizetype i = 0; i < parts.size(); i += 2) entries.push_back(parts[i]);
  return entries.join(";;");
}

bool QtDialogs::Ask(const std::string& question) {
  if (!answering_) return false;
  return QMessageBox::question(parent_, host::kApplicationTitle, Text(question),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::Inform(const std::string& text) {
  if (!answering_) {
    std::cerr << "kalo: " << host::PrintableText(text) << '\n';
    return;
  }
  QMessageBox::information(parent_, host::kApplicationTitle, Text(text));
}

bool QtDialogs::Progress(const std::string& text, int done, int total) {
  if (!answering_) return false;
  if (done >= total) {
    delete progress_;
    return true;
  }
  if (progress_ == nullptr) {
    progress_ = new QProgressDialog(parent_);
    progress_->setWindowTitle(host::kApplicationTitle);
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(1000);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
  }
  progress_->setMaximum(total);
  progress_->setLabelText(Text(text));
  progress_->setValue(done);  // a modal box lets the window paint and the button be pressed here
  return !progress_->wasCanceled();
}

std::optional<std::string> QtDialogs::AskText(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) {
  if (!answering_) return std::nullopt;
  bool ok = false;
  const QString text =
      QInputDialog::getText(parent_, Text(caption), Text(prompt), QLineEdit::Normal, Text(initial), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

std::optional<std::string> QtDialogs::AskOpenFile(const host::FileChoice& choice) {
  if (!answering_) return std::nullopt;
  const QString file = QFileDialog::getOpenFileName(parent_, Text(choice.Title), FileDialogStart(choice),
                                                    QtFilter(choice.Filter));
  if (file.isEmpty()) return std::nullopt;
  return file.toStdString();
}

std::optional<std::string> QtDialogs::AskSaveFile(const host::FileChoice& choice) {
  if (!answering_) return std::nullopt;
  QFileDialog dialog(parent_, Text(choice.Title), FileDialogStart(choice), QtFilter(choice.Filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(Text(choice.DefaultExtension).toLower());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace kalo::gui
