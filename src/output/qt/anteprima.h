// The print preview "Anteprima di Stampa": the report file block by block,
// editable, with font size buttons, e-mail and save; a long report is walked
// block by block ("Blocco n di N", back, first, last) and searched (Ctrl+F,
// F3 / Shift+F3), its matches highlighted.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "output/preview_pages.h"

class QLabel;
class QLineEdit;
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
    // closes as soon as it is shown. The title names the report and its
    // period when the file's heading says them.
    explicit Anteprima(QWidget* parent = nullptr, AvviaPosta posta = {});

    bool fileTrovato() const { return found_; }
    QPlainTextEdit* testo() const { return text_; }
    // Tasto(0..6) as always; 7 "In&dietro" (previous block), 8 "&Fine"
    // (last block).
    QPushButton* tasto(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    const BloccoAnteprima& blocco() const { return block_; }
    QLineEdit* ricerca() const { return search_; }
    QLabel* stato() const { return status_; }
    int numeroBlocco() const { return static_cast<int>(current_) + 1; }
    int numeroBlocchi() const { return static_cast<int>(starts_.size()); }

    // "E-mail": writes the mail file from the text shown and starts the mail
    // program. "Salva": writes the text shown back in place of its block.
    void InviaEMail(const QString& text);
    void salva();
    // The next (or previous) match of the search text, in this block or in
    // the next ones, around to the first; false when there is none.
    bool cerca(bool avanti = true);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void mostra(std::size_t index);
    void premuto(int index);
    void evidenzia();
    void dici(const QString& message = QString());
    bool bloccoContiene(std::size_t index, const QString& needle) const;

    std::string path_;
    PaginaAnteprima pages_;
    BloccoAnteprima block_;
    std::vector<std::size_t> starts_;  // first line of each block
    std::size_t current_ = 0;          // the block shown
    bool found_ = false;
    AvviaPosta posta_;
    QPlainTextEdit* text_;
    QLineEdit* search_;
    QLabel* status_;
    std::array<QPushButton*, 9> buttons_{};
};

}  // namespace corvex::qt
