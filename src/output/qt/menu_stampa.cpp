#include "output/qt/menu_stampa.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPrinterInfo>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "common/environment.h"
#include "dialogs/dialoghi.h"
#include "dialogs/tastiera.h"
#include "dialogs/testo_qt.h"
#include "output/archivio.h"
#include "output/csv.h"
#include "output/qt/anteprima.h"
#include "output/qt/desktop.h"
#include "output/qt/icone.h"
#include "output/qt/printer_output.h"
#include "output/raw_print.h"
#include "output/report_file.h"

namespace corvex::qt {

namespace {

const QString kNoPrinter = QStringLiteral("<nessuna stampante>");

struct ButtonText {
    const char* tip;
    const char* name;
};
constexpr ButtonText kButtons[7] = {
    {"Apre la copia d'archivio della stampa", "Copia d'archivio"},
    {"Esporta la stampa in formato CSV e la apre", "Esporta CSV"},
    {"Stampa sulla destinazione PDF", "Stampa PDF"},
    {"Stampa sulla destinazione scelta", "Stampa"},
    {"Mostra l'anteprima di stampa", "Anteprima"},
    {"Chiude il menu di stampa", "Chiudi"},
    {"Esporta la tabella del report in un foglio XLSX e lo apre", "Esporta XLSX"},
};

}  // namespace

ServiziMenuStampa serviziMenuStampa() {
    ServiziMenuStampa s;
    s.apri = apriFile;
    s.messaggio = [](const QString& text) {
        MostraMessaggio(text, QStringLiteral("Stampa"), QApplication::activeWindow());
    };
    s.anteprima = [](QWidget* parent) {
        Anteprima preview(parent);
        preview.exec();
    };
    s.stampanti = [] { return QPrinterInfo::availablePrinterNames(); };
    s.uscita.render = renderStampante;
    s.uscita.raw = inviaRaw;
    return s;
}

MenuStampa::MenuStampa(QWidget* parent, ServiziMenuStampa servizi, const xlsx::Foglio* foglio)
    : QDialog(parent), servizi_(std::move(servizi)) {
    if (foglio) foglio_ = *foglio;
    setObjectName(QStringLiteral("MenuStampa"));
    setWindowTitle(QStringLiteral("Stampe non modificabili"));
    setModal(true);

    combo1_ = new QComboBox(this);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setMinimumWidth(260);
    combo2_ = new QComboBox(this);
    combo2_->setObjectName(QStringLiteral("Combo2"));
    combo2_->setEditable(true);
    auto* label1 = new QLabel(QStringLiteral("&Virtuale "), this);
    label1->setBuddy(combo1_);
    auto* label2 = new QLabel(QStringLiteral("S&tampante "), this);
    label2->setBuddy(combo2_);
    chk_ = new QCheckBox(QStringLiteral("Stampa &Compressa"), this);
    chk2_ = new QCheckBox(QStringLiteral("Stampa &orizzontale"), this);
    chk3_ = new QCheckBox(QStringLiteral("Stampa &fronte / retro"), this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("stato"));
    status_->setWordWrap(true);

    auto* grid = new QGridLayout;
    grid->addWidget(label1, 0, 0);
    grid->addWidget(combo1_, 0, 1);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(combo2_, 1, 1);
    auto* checks = new QHBoxLayout;
    checks->addWidget(chk_);
    checks->addWidget(chk2_);
    checks->addWidget(chk3_);
    auto* row = new QHBoxLayout;
    // The XLSX button stands beside the CSV one.
    for (int i : {0, 1, 6, 2, 3, 4, 5}) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("Tst%1").arg(i));
        b->setIcon(iconaMenuStampa(i));
        b->setIconSize(QSize(48, 48));
        b->setToolTip(QString::fromUtf8(kButtons[i].tip));
        b->setAccessibleName(QString::fromUtf8(kButtons[i].name));
        b->setAccessibleDescription(QString::fromUtf8(kButtons[i].tip));
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, [this, i] { Tst(i); });
        buttons_[static_cast<std::size_t>(i)] = b;
        row->addWidget(b);
    }
    buttons_[6]->setVisible(foglio_.has_value());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(checks);
    layout->addLayout(row);
    layout->addWidget(status_);
    // Enter on a focused button presses it, as on the desk.
    invioPremeTasti(this);

    // Opening: the archive copy, then the system's printers. Failures here
    // leave the menu usable without the part that failed.
    archive_ = creaCopiaArchivio();
    if (!archive_.errore.empty()) {
        dici(QStringLiteral("Copia d'archivio non riuscita: %1")
                 .arg(QString::fromStdString(archive_.errore)));
    }
    QStringList printers = servizi_.stampanti ? servizi_.stampanti() : QStringList();
    if (printers.isEmpty()) printers << kNoPrinter;
    combo2_->addItems(printers);
    combo2_->setCurrentIndex(-1);
    combo2_->setEditText(QString());
    aggiornaDestinazioni();

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void MenuStampa::aggiornaDestinazioni() {
    combo1_->clear();
    for (const auto& d : destinazioniStampa()) combo1_->addItem(daCp(d));
    const bool none = combo1_->count() == 0;
    buttons_[3]->setEnabled(!none);
    if (none) {
        status_->setText(QStringLiteral(
            "Nessuna destinazione di stampa impostata per l'albergo in Stampanti.mdb: sono "
            "disponibili l'anteprima, l'esportazione CSV e la copia d'archivio."));
    } else {
        combo1_->setCurrentIndex(0);
    }
}

SceltaStampa MenuStampa::scelta() const {
    SceltaStampa s;
    s.destinazione = aCp(combo1_->currentText());
    const QString printer = combo2_->currentText().trimmed();
    if (printer != kNoPrinter) s.stampante = aCp(printer);
    s.compressa = chk_->isChecked();
    s.orizzontale = chk2_->isChecked();
    s.fronteRetro = chk3_->isChecked();
    return s;
}

void MenuStampa::dici(const QString& text) {
    status_->setText(text);
}

void MenuStampa::apri(const std::string& file) {
    // The program that opens the file ends after this call returns; its
    // failure is told in the status line (if the menu is still open) and
    // in a message box, with the file to open by hand.
    QPointer<MenuStampa> self(this);
    auto messaggio = servizi_.messaggio;
    servizi_.apri(daCp(percorsoCompleto(file)), [self, messaggio](const QString& problem) {
        if (self) self->dici(problem);
        if (messaggio) messaggio(problem);
    });
}

void MenuStampa::Tst(int index) {
    try {
        switch (index) {
            case 0:
                if (archive_.nome.empty()) {
                    servizi_.messaggio(
                        archive_.errore.empty()
                            ? QStringLiteral("Copia d'archivio non disponibile: il file di "
                                             "stampa %1 non esiste")
                                  .arg(daCp(percorsoCompleto(reportFileName())))
                            : QStringLiteral("Copia d'archivio non riuscita: %1")
                                  .arg(QString::fromStdString(archive_.errore)));
                } else {
                    dici(QStringLiteral("Copia d'archivio: %1")
                             .arg(daCp(percorsoCompleto(archive_.nome))));
                    apri(archive_.nome);
                }
                return;
            case 1: {
                const EsitoUscita done = uscitaCSV();
                dici(QString::fromStdString(done.avviso));
                apri(done.file);
                return;
            }
            case 2:
                stampaPDF();
                return;
            case 6: {
                if (!foglio_) return;
                const EsitoUscita done = uscitaXLSX(*foglio_, nomeFileXLSX());
                dici(QString::fromStdString(done.avviso));
                apri(done.file);
                return;
            }
            case 3:
                stampa();
                return;
            case 4:
                servizi_.anteprima(this);
                aggiornaDestinazioni();
                return;
            default:
                accept();
                return;
        }
    } catch (const std::exception& e) {
        const QString text = QString::fromStdString(e.what());
        dici(text);
        servizi_.messaggio(text);
    }
}

void MenuStampa::stampaPDF() {
    // The last destination holding "PDF" gives the settings, as on the
    // command line; without one the PDF takes the default settings.
    std::string used;
    const ConfigStampa config =
        configPDF({}, chk_->isChecked(), chk2_->isChecked(), chk3_->isChecked(), &used);
    if (!used.empty()) combo1_->setCurrentText(daCp(used));
    const EsitoUscita done = uscitaPDF(
        config, percorsoPDF(used.empty() ? std::string() : config.dispositivo, archive_.nome),
        servizi_.uscita);
    QString text = QString::fromStdString(done.avviso);
    if (used.empty()) {
        text = QStringLiteral(
                   "Nessuna stampante PDF impostata: PDF con le impostazioni "
                   "predefinite. ") +
               text;
    }
    dici(text);
    apri(done.file);
}

void MenuStampa::stampa() {
    const auto config = configuraStampa(scelta());
    if (!config) {
        servizi_.messaggio(QStringLiteral("La destinazione %1 non esiste più in Stampanti.mdb")
                               .arg(combo1_->currentText()));
        return;
    }
    dici(QString::fromStdString(uscitaStampa(*config, servizi_.uscita).avviso));
}

void mostraMenuStampa(QWidget* parent, const xlsx::Foglio* foglio) {
    MenuStampa menu(parent, serviziMenuStampa(), foglio);
    menu.exec();
}

}  // namespace corvex::qt
