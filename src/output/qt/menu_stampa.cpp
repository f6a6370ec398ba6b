#include "output/qt/menu_stampa.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "common/environment.h"
#include "dialogs/dialoghi.h"
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
constexpr ButtonText kButtons[6] = {
    {"Apre la copia d'archivio della stampa", "Copia d'archivio"},
    {"Esporta la stampa in formato CSV e la apre", "Esporta CSV"},
    {"Stampa sulla destinazione PDF", "Stampa PDF"},
    {"Stampa sulla destinazione scelta", "Stampa"},
    {"Mostra l'anteprima di stampa", "Anteprima"},
    {"Chiude il menu di stampa", "Chiudi"},
};

}  // namespace

ServiziMenuStampa serviziMenuStampa() {
    ServiziMenuStampa s;
    s.apri = apriFile;
    s.avviso = [](const QString& text, const QString& title) {
        QMessageBox::warning(QApplication::activeWindow(), title, text);
    };
    s.messaggio = [](const QString& text) {
        MostraMessaggio(text.toStdString(), "Stampa", QApplication::activeWindow());
    };
    s.anteprima = [](QWidget* parent) {
        Anteprima preview(parent);
        preview.exec();
    };
    s.stampanti = [] { return QPrinterInfo::availablePrinterNames(); };
    s.render = renderStampante;
    s.raw = inviaRaw;
    return s;
}

MenuStampa::MenuStampa(QWidget* parent, ServiziMenuStampa servizi)
    : QDialog(parent), servizi_(std::move(servizi)) {
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
    for (int i = 0; i < 6; ++i) {
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
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(checks);
    layout->addLayout(row);
    layout->addWidget(status_);

    // Opening: the archive copy, then the system's printers. Failures here
    // leave the menu usable without the part that failed.
    archive_ = creaCopiaArchivio();
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

void MenuStampa::Tst(int index) {
    try {
        switch (index) {
            case 0:
                if (archive_.empty()) {
                    servizi_.messaggio(
                        QStringLiteral("Copia d'archivio non disponibile: il file di "
                                       "stampa %1 non esiste o la cartella doc non "
                                       "e' scrivibile")
                            .arg(daCp(reportFileName())));
                } else if (!servizi_.apri(daCp(archive_))) {
                    dici(QStringLiteral("Copia d'archivio: %1").arg(daCp(archive_)));
                }
                return;
            case 1: {
                const std::string csv = ConvertiXLS(reportFileName());
                if (!servizi_.apri(daCp(csv))) dici(QStringLiteral("File CSV: %1").arg(daCp(csv)));
                return;
            }
            case 2:
                stampaPDF();
                return;
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
        servizi_.messaggio(QString::fromUtf8(e.what()));
    }
}

void MenuStampa::stampaPDF() {
    std::vector<std::string> names;
    for (int i = 0; i < combo1_->count(); ++i) names.push_back(aCp(combo1_->itemText(i)));
    const auto pdf = destinazionePDF(names);
    if (!pdf) {
        servizi_.avviso(QStringLiteral("Nessuna stampante PDF impostata!"),
                        QStringLiteral("Stampa"));
        return;
    }
    combo1_->setCurrentText(daCp(*pdf));
    SceltaStampa s = scelta();
    s.stampante.clear();  // a PDF is a file, never the printer typed below
    auto config = configuraStampa(s);
    if (!config) {
        servizi_.messaggio(
            QStringLiteral("La destinazione %1 non esiste piu' in Stampanti.mdb").arg(daCp(*pdf)));
        return;
    }
    config->modoStampante = true;
    stampaCon(*config, percorsoPDF(config->dispositivo, archive_));
}

void MenuStampa::stampa() {
    const auto config = configuraStampa(scelta());
    if (!config) {
        servizi_.messaggio(QStringLiteral("La destinazione %1 non esiste piu' in Stampanti.mdb")
                               .arg(combo1_->currentText()));
        return;
    }
    stampaCon(*config, "");
}

void MenuStampa::stampaCon(const ConfigStampa& config, const std::string& pdfPath) {
    const std::string report = reportFileName();
    const bool exists = reportFileExists(report);
    const auto lines = exists ? readReportLines(report) : std::vector<std::string>{};
    if (!config.modoStampante) {
        const std::string done =
            servizi_.raw(config.dispositivo, uscitaRaw(exists ? &lines : nullptr, config), report);
        dici(daCp("Stampa " + done));
        return;
    }
    if (!exists) {
        servizi_.messaggio(QStringLiteral("Il file di stampa %1 non esiste").arg(daCp(report)));
        return;
    }
    servizi_.render(config, lines, pdfPath);
    if (pdfPath.empty()) {
        dici(QStringLiteral("Stampa inviata a %1").arg(daCp(config.dispositivo)));
    } else {
        dici(QStringLiteral("PDF: %1").arg(daCp(pdfPath)));
        servizi_.apri(daCp(pdfPath));
    }
}

void mostraMenuStampa(QWidget* parent) {
    MenuStampa menu(parent);
    menu.exec();
}

}  // namespace corvex::qt
