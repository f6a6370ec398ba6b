// The system's own input box (ChiediValore, window InputBox_form) and message
// box (MostraMessaggio, window MsgBox_Form). Both stay above every other
// window while shown and size themselves to their text.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace corvex::qt {

// Rows and columns of a text: lines (at least 1) and the longest line.
int CalcolaRighe(const QString& text);
int CalcolaColonne(const QString& text);

class InputBox_form : public QDialog {
    Q_OBJECT
  public:
    InputBox_form(const QString& prompt, const QString& title, const QString& defaultText,
                  QWidget* parent = nullptr);
    QString valore() const;
    QLineEdit* campo() const { return field_; }
    QPushButton* annulla() const { return cancel_; }

  private:
    QPlainTextEdit* text_;
    QLineEdit* field_;
    QPushButton* cancel_;
};

class MsgBox_Form : public QDialog {
    Q_OBJECT
  public:
    MsgBox_Form(const QString& text, const QString& title, QWidget* parent = nullptr);
    QPlainTextEdit* testo() const { return text_; }
    QPushButton* annulla() const { return cancel_; }

  private:
    QPlainTextEdit* text_;
    QPushButton* cancel_;
};

// Asks a value: prompt and title are messages (UTF-8), the default and the
// answer report data (code page 1252); nullopt on "Annulla" or when the
// window is closed.
std::optional<std::string> ChiediValore(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText, QWidget* parent = nullptr);

// Shows a message (UTF-8) until the user closes it.
void MostraMessaggio(const std::string& text, const std::string& title = "",
                     QWidget* parent = nullptr);

}  // namespace corvex::qt
