// The system's own input box (ChiediValore, window InputBox_form), message
// box (MostraMessaggio, window MsgBox_Form) and yes/no question
// (ChiediConferma). They stay above every other window while shown and size
// themselves to their text: long lines are wrapped at a readable width, long
// texts scroll.
//
// Messages, prompts and titles are UTF-8; the value typed in the input box is
// report data and comes back in code page 1252, as its default goes in.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QCoreApplication;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTranslator;

namespace corvex::qt {

// Rows and columns of a text: lines (at least 1) and the longest line.
int CalcolaRighe(const QString& text);
int CalcolaColonne(const QString& text);

// The widest a message line grows before it wraps, in average characters.
constexpr int kColonneMassime = 72;

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
    // An information (one button, "OK") or a question ("Sì" and "No"; the
    // default answer has the focus, Esc answers "No").
    enum class Tipo { Informazione, Domanda };

    MsgBox_Form(const QString& text, const QString& title, QWidget* parent = nullptr,
                Tipo tipo = Tipo::Informazione, bool defaultSi = true);
    QPlainTextEdit* testo() const { return text_; }
    QPushButton* ok() const { return ok_; }  // "OK", or "Sì" for a question
    QPushButton* no() const { return no_; }  // nullptr for an information

  private:
    QPlainTextEdit* text_;
    QPushButton* ok_;
    QPushButton* no_ = nullptr;
};

// Asks a value: prompt and title are messages (UTF-8), the default and the
// answer report data (code page 1252); nullopt on "Annulla" or when the
// window is closed.
std::optional<std::string> ChiediValore(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText, QWidget* parent = nullptr);

// Shows a message (UTF-8) until the user closes it.
void MostraMessaggio(const std::string& text, const std::string& title = "",
                     QWidget* parent = nullptr);
void MostraMessaggio(const QString& text, const QString& title, QWidget* parent = nullptr);
inline void MostraMessaggio(const char* text, const char* title = "", QWidget* parent = nullptr) {
    MostraMessaggio(std::string(text), std::string(title), parent);
}

// A yes/no question; true for "Sì".
bool ChiediConferma(const std::string& text, const std::string& title, bool defaultSi,
                    QWidget* parent = nullptr);

// Installs Qt's own Italian texts (standard buttons, context menus, file
// dialogs) from Qt's translations folder. Returns the installed translator
// (owned by app), or nullptr when the translations are not installed.
QTranslator* CaricaTraduzioniQt(QCoreApplication& app);

}  // namespace corvex::qt
