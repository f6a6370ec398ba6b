// The main desk "Controllo Imposta di soggiorno": one row per report with
// its date fields and print buttons, the room range, "Esci" and the menu
// entries "Impostazioni" and "Versamenti".
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

#include "desk/dispatch.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QAction;

namespace corvex::desk {

// The default services: the system's dialogs, the print menu, the settings
// editor and the report routines of the catalog.
ServiziDesk serviziDesk(QWidget* desk);

class ISDeskTop : public QMainWindow {
    Q_OBJECT
  public:
    // Fills every date field with today's date; the room fields hold "" and
    // "ZZZZZZ". Without services, the default ones.
    explicit ISDeskTop(ServiziDesk servizi = {}, QWidget* parent = nullptr);

    QLineEdit* Text1(int i) const { return fields_[static_cast<std::size_t>(i)]; }
    QPushButton* T(int i) const { return buttons_[static_cast<std::size_t>(i)]; }
    QCheckBox* Chk() const { return chk_; }
    QAction* menuImpostazioni() const { return settings_; }
    QAction* menuVersamenti() const { return payments_; }
    QAction* menuAndamento() const { return trend_; }
    // What "Versamenti" opens: the payments window by default.
    void apriVersamentiCon(std::function<void()> apri) { versamenti_ = std::move(apri); }
    // What "Andamento" opens: the monthly charts by default.
    void apriAndamentoCon(std::function<void()> apri) { andamento_ = std::move(apri); }
    const StatoDesk& stato() const { return stato_; }
    bool reportInCorso() const { return running_; }

    // A print or exit button T(index) pressed.
    void premuto(int index);
    // Enter in Text1(index).
    void invio(int index);

    // Room for every row without scrolling (the window itself starts no
    // larger than the screen, and scrolls when the rows need more).
    QSize sizeHint() const override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* righe_ = nullptr;
    void eseguiReport(int button);
    // F10: into the menu bar (its entry highlighted) or back where the
    // keyboard was.
    void barraMenu(bool enter);
    std::array<std::string, kCampi> testi() const;

    ServiziDesk servizi_;
    StatoDesk stato_;
    bool running_ = false;
    std::array<QLineEdit*, kCampi> fields_{};
    std::array<QPushButton*, kTasti> buttons_{};
    QCheckBox* chk_ = nullptr;
    QAction* settings_ = nullptr;
    QAction* payments_ = nullptr;
    std::function<void()> versamenti_;
    QAction* trend_ = nullptr;
    std::function<void()> andamento_;
    QPointer<QWidget> before_;
};

}  // namespace corvex::desk
