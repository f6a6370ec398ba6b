// The window of the payments of the tourist tax to the municipality
// (Versamenti in IdSDichiarazioni.mdb): a list with a year filter, a form to
// add a payment, and deletion after asking.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "settings/dichiarazioni.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace corvex::qt {

// Messages and yes/no questions (UTF-8) of these windows; the system's
// message box and question box ("No" by default) when not given.
using MessaggioVersamenti = std::function<void(const std::string& text)>;
using ConfermaVersamenti = std::function<bool(const std::string& text)>;

// The form of one new payment. Dates are completed as the desk's fields
// are (ddmmyy, ddmmyyyy) when the user leaves them; amounts are read as the
// command line reads them.
class ModuloVersamento : public QDialog {
    Q_OBJECT
  public:
    ModuloVersamento(QWidget* parent, MessaggioVersamenti messaggio, ConfermaVersamenti conferma);

    // The payment as typed, checked; nullopt after telling the user the first
    // problem (naming the field, which gets the focus).
    std::optional<Versamento> verifica();
    // Checks, asks when the reference is already recorded, adds the payment
    // and closes the form; the new payment's Id, or 0 when nothing was added.
    std::int64_t registra();

    QLineEdit* data() const { return date_; }
    QLineEdit* importo() const { return amount_; }
    QLineEdit* dal() const { return from_; }
    QLineEdit* al() const { return to_; }
    QLineEdit* riferimento() const { return reference_; }
    QComboBox* canale() const { return channel_; }
    QLineEdit* nota() const { return note_; }
    QPushButton* tastoRegistra() const { return save_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    MessaggioVersamenti messaggio_;
    ConfermaVersamenti conferma_;
    QLineEdit *date_, *amount_, *from_, *to_, *reference_, *note_;
    QComboBox* channel_;
    QPushButton* save_;
};

class FinestraVersamenti : public QDialog {
    Q_OBJECT
  public:
    explicit FinestraVersamenti(QWidget* parent = nullptr, MessaggioVersamenti messaggio = {},
                                ConfermaVersamenti conferma = {});

    // Opens the form for a new payment; tests fill and press it instead of
    // the modal exec() (the default).
    void apriModuloCon(std::function<void(ModuloVersamento&)> apri) { apri_ = std::move(apri); }

    void aggiungi();
    void elimina();
    // Reads the payments again and shows those of the chosen year.
    void aggiorna();

    QComboBox* anno() const { return year_; }
    QTableWidget* tabella() const { return table_; }
    QLabel* totale() const { return total_; }
    QPushButton* tastoAggiungi() const { return add_; }
    QPushButton* tastoElimina() const { return remove_; }
    QPushButton* tastoChiudi() const { return close_; }

  private:
    void riempiAnni();

    MessaggioVersamenti messaggio_;
    ConfermaVersamenti conferma_;
    std::function<void(ModuloVersamento&)> apri_;
    std::vector<Versamento> tutti_;
    QComboBox* year_;
    QTableWidget* table_;
    QLabel* total_;
    QPushButton *add_, *remove_, *close_;
};

}  // namespace corvex::qt
