// The settings editor ISImpostazioni. Page "Imposta": the general tax
// settings, the tax items chosen among the billing items of department
// "IDS", and the rate periods of each item, saved to IdS.mdb. Page
// "Struttura": the structure's and operator's data and the category of each
// tax item that Generale does not name, saved to IdSDichiarazioni.mdb (so
// that a genuine Jet IdS.mdb is left as it is when only they change).
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/dichiarazioni.h"
#include "settings/qt/impostazioni_ids.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

namespace corvex::qt {

class ISImpostazioni : public QDialog {
    Q_OBJECT
  public:
    // Messages and yes/no questions (UTF-8) go through these (the system's
    // message box and question box by default).
    using Messaggio = std::function<void(const std::string& text)>;
    using Conferma = std::function<bool(const std::string& text)>;

    explicit ISImpostazioni(QWidget* parent = nullptr, Messaggio messaggio = {},
                            Conferma conferma = {});

    // The settings as the window shows them.
    impostazioni::Impostazioni valori() const;
    // Checks and saves what changed (both pages, or IdS.mdb when nothing
    // did); true when saved (and the user is told so).
    bool salva();
    // True when the window shows something not saved.
    bool modificate() const;
    // "Esci": asks first when there are changes not saved.
    void reject() override;

    // Controls, for tests.
    QComboBox* codiceIva() const { return iva_; }
    QComboBox* codice(const char* field) const { return codes_.at(field); }
    QSpinBox* numero(const char* field) const { return numbers_.at(field); }
    QLineEdit* desRes() const { return desRes_; }
    QListWidget* voci() const { return items_; }
    QComboBox* vocePeriodi() const { return periodItem_; }
    QListWidget* periodi() const { return periods_; }
    QLineEdit* dataInizio() const { return from_; }
    QLineEdit* dataFine() const { return to_; }
    QLineEdit* valore() const { return value_; }
    QPushButton* aggiungi() const { return add_; }
    QTabWidget* pagine() const { return tabs_; }
    QLineEdit* campoStruttura(const std::string& nome) const { return structure_.at(nome); }
    QTableWidget* categorie() const { return categories_; }

    // The "Struttura" page as shown (texts trimmed, the tax code upper-case).
    Struttura struttura() const;

  private:
    // The category chosen for an item Generale does not name.
    struct Scelta {
        int codice = 0;
        std::optional<Categoria> categoria;
        std::string motivo;
        friend bool operator==(const Scelta&, const Scelta&) = default;
    };

    QWidget* paginaStruttura();
    void mostraCategorie();
    std::vector<Scelta> scelte() const;
    bool strutturaModificata() const;
    // Checks and saves the "Struttura" page; the message of the first
    // problem when it is not saved.
    std::optional<std::string> salvaStruttura();
    QWidget* pannelloGenerale();
    QWidget* pannelloVoci();
    QWidget* pannelloPeriodi();
    void mostra(const impostazioni::Impostazioni& s);
    void aggiornaCodici();
    void voceCambiata(QListWidgetItem* item);
    void aggiornaPeriodi();
    void aggiungiPeriodo();
    void eliminaPeriodo();

    Messaggio messaggio_;
    Conferma conferma_;
    QComboBox* iva_ = nullptr;
    std::map<std::string, QComboBox*> codes_;
    std::map<std::string, QSpinBox*> numbers_;
    QLineEdit* desRes_ = nullptr;
    QListWidget* items_ = nullptr;
    QComboBox* periodItem_ = nullptr;
    QListWidget* periods_ = nullptr;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QLineEdit* value_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    std::vector<impostazioni::Periodo> periodData_;
    impostazioni::Impostazioni salvate_;  // as last loaded or saved
    QTabWidget* tabs_ = nullptr;
    std::map<std::string, QLineEdit*> structure_;  // by the field's option name
    QTableWidget* categories_ = nullptr;
    Struttura strutturaSalvata_;
    std::vector<Scelta> scelteSalvate_;
};

}  // namespace corvex::qt
