// The print preview "Anteprima di Stampa": the report file block by block,
// editable, with font size buttons, e-mail and save.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "output/preview_pages.h"

class QPlainTextEdit;
class QPushButton;

namespace corvex::qt {

class Anteprima : public QDialog {
    Q_OBJECT
  public:
    // Starts the mail program for the written mail file and the text shown;
    // returns a message for the user, empty when all went well.
    using AvviaPosta = std::function<QString(const std::string& mailFile, const QString& text)>;

    // Reads the report file of this workstation; without one the window
    // closes as soon as it is shown.
    explicit Anteprima(QWidget* parent = nullptr, AvviaPosta posta = {});

    bool fileTrovato() const { return found_; }
    QPlainTextEdit* testo() const { return text_; }
    QPushButton* tasto(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    const BloccoAnteprima& blocco() const { return block_; }

    // "E-mail": writes the mail file from the text shown and starts the mail
    // program. "Salva": writes the text shown back in place of its block.
    void InviaEMail(const QString& text);
    void salva();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void mostra(std::size_t first, long limit);
    void premuto(int index);

    std::string path_;
    PaginaAnteprima pages_;
    BloccoAnteprima block_;
    bool found_ = false;
    AvviaPosta posta_;
    QPlainTextEdit* text_;
    std::array<QPushButton*, 7> buttons_{};
};

}  // namespace corvex::qt
