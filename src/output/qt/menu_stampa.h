// The print menu "Stampe non modificabili": where the report goes and how.
#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "output/archivio.h"
#include "output/headless.h"
#include "output/qt/desktop.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QToolButton;

namespace corvex::qt {

// What the menu does outside itself; tests replace these.
struct ServiziMenuStampa {
    // Opens a file with the desktop; a failure of the program that opens it
    // is told later through the callback.
    std::function<void(const QString& path, FallimentoAiuto onFailure)> apri;
    std::function<void(const QString& text)> messaggio;  // the system's message box
    std::function<void(QWidget* parent)> anteprima;      // the preview, modal
    std::function<QStringList()> stampanti;              // the system's printers
    ServiziUscita uscita;                                // printer mode, PDF and raw output
};
// The desktop's services: the printer-mode renderer of this build
// (renderStampante), xdg-open, the system's message boxes and printers.
ServiziMenuStampa serviziMenuStampa();

class MenuStampa : public QDialog {
    Q_OBJECT
  public:
    // Makes the archive copy of the report file in doc/ and fills the lists.
    // foglio: the report's table, when it offered one; only then the XLSX
    // button shows.
    explicit MenuStampa(QWidget* parent = nullptr, ServiziMenuStampa servizi = serviziMenuStampa(),
                        const xlsx::Foglio* foglio = nullptr);

    // Button actions by index: 0 archive copy, 1 CSV, 2 PDF, 3 print,
    // 4 preview, 5 close, 6 XLSX (with a sheet only).
    void Tst(int index);

    QComboBox* combo1() const { return combo1_; }
    QComboBox* combo2() const { return combo2_; }
    QCheckBox* compressa() const { return chk_; }
    QCheckBox* orizzontale() const { return chk2_; }
    QCheckBox* fronteRetro() const { return chk3_; }
    QToolButton* tasto(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    QLabel* stato() const { return status_; }
    const std::string& copiaArchivio() const { return archive_.nome; }
    // The chosen settings as the print button would use them.
    SceltaStampa scelta() const;

  private:
    void aggiornaDestinazioni();
    void stampa();
    void stampaPDF();
    void apri(const std::string& file);
    void dici(const QString& text);

    ServiziMenuStampa servizi_;
    CopiaArchivio archive_;
    QComboBox* combo1_;
    QComboBox* combo2_;
    QCheckBox* chk_;
    QCheckBox* chk2_;
    QCheckBox* chk3_;
    QLabel* status_;
    std::array<QToolButton*, 7> buttons_{};
    std::optional<xlsx::Foglio> foglio_;
};

// Shows the print menu for the report file just written (modal), with the
// XLSX button when the report offered its sheet.
void mostraMenuStampa(QWidget* parent, const xlsx::Foglio* foglio = nullptr);

}  // namespace corvex::qt
