#include "settings/qt/isimpostazioni.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "common/dates.h"
#include "common/formatta.h"
#include "common/text.h"
#include "dialogs/dialoghi.h"
#include "dialogs/testo_qt.h"

namespace corvex::qt {

using impostazioni::Impostazioni;
using impostazioni::Periodo;
using impostazioni::Voce;

namespace {

// Code fields of Generale that name a tax item, with their labels.
const std::pair<const char*, const char*> kCodici[] = {
    {"CodStd", "Codice da applicare standard"},
    {"CodGGMax", "Codice da applicare oltre i giorni indicati"},
    {"CodMin", "Codice da applicare per i minori"},
    {"CodGrp", "Codice da applicare per i gruppi"},
    {"CodRes", "Codice da applicare per i residenti"},
    {"CodFEta", "Codice da applicare per fasce di età"},
};
const std::pair<const char*, const char*> kNumeri[] = {
    {"GGMax", "Numero di giorni massimo di applicazione"},
    {"NConto", "N. Conto"},
    {"EtaMin", "Età limite"},
    {"EtaDa", "Età da"},
    {"EtaFinoA", "Età fino a"},
};

QString voceText(int code, const std::string& descr) {
    return QStringLiteral("%1 - %2").arg(code).arg(daCp(descr));
}

int codeOf(const QComboBox* box) {
    const QVariant data = box->currentData();
    if (data.isValid()) return data.toInt();
    return box->currentText().section(QLatin1Char(' '), 0, 0).toInt();
}

void selectCode(QComboBox* box, int code) {
    const int i = box->findData(code);
    if (i >= 0) {
        box->setCurrentIndex(i);
    } else if (box->isEditable()) {
        // A code the list does not hold (or none yet): shown as typed text.
        box->setCurrentIndex(-1);
        box->setEditText(code ? QString::number(code) : QString());
    }
}

QString periodRow(const Periodo& p) {
    return daCp(padRight(p.dataInizio, 17) + padRight(p.dataFine, 17) +
                FormattaImporto(p.valore, 2));
}

}  // namespace

ISImpostazioni::ISImpostazioni(QWidget* parent, Messaggio messaggio, Conferma conferma)
    : QDialog(parent), messaggio_(std::move(messaggio)), conferma_(std::move(conferma)) {
    setObjectName(QStringLiteral("ISImpostazioni"));
    setWindowTitle(QStringLiteral("Impostazioni imposta di soggiorno"));
    setModal(true);
    if (!messaggio_) {
        messaggio_ = [this](const std::string& text) {
            MostraMessaggio(text, "Impostazioni", this);
        };
    }
    if (!conferma_) {
        conferma_ = [this](const std::string& text) {
            return QMessageBox::question(this, windowTitle(), QString::fromUtf8(text)) ==
                   QMessageBox::Yes;
        };
    }

    auto* columns = new QHBoxLayout;
    columns->addWidget(pannelloGenerale());
    auto* right = new QVBoxLayout;
    right->addWidget(pannelloVoci(), 1);
    right->addWidget(pannelloPeriodi(), 1);
    columns->addLayout(right, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* save = buttons->addButton(QStringLiteral("&Salva"), QDialogButtonBox::AcceptRole);
    auto* exit = buttons->addButton(QStringLiteral("&Esci"), QDialogButtonBox::RejectRole);
    save->setAutoDefault(false);
    exit->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, [this] { salva(); });
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(buttons);

    Impostazioni current;
    try {
        current = impostazioni::carica();
    } catch (const std::exception& e) {
        messaggio_(std::string("Impossibile leggere IdS.mdb: ") + e.what());
    }
    mostra(current);
}

QWidget* ISImpostazioni::pannelloGenerale() {
    auto* box = new QGroupBox(QStringLiteral("Generale"), this);
    auto* form = new QFormLayout(box);
    iva_ = new QComboBox(box);
    iva_->setEditable(true);
    iva_->setObjectName(QStringLiteral("CodiceIva"));
    for (const auto& v : impostazioni::codiciIva())
        iva_->addItem(voceText(v.codice, v.descrizione), v.codice);
    form->addRow(QStringLiteral("Cod. IVA"), iva_);
    for (const auto& [field, text] : kNumeri) {
        auto* spin = new QSpinBox(box);
        spin->setObjectName(QString::fromUtf8(field));
        spin->setRange(0, 32767);
        numbers_[field] = spin;
    }
    for (const auto& [field, text] : kCodici) {
        auto* combo = new QComboBox(box);
        combo->setObjectName(QString::fromUtf8(field));
        codes_[field] = combo;
    }
    desRes_ = new QLineEdit(box);
    desRes_->setMaxLength(100);
    desRes_->setObjectName(QStringLiteral("DesRes"));
    auto row = [&](const char* label, QWidget* w) { form->addRow(QString::fromUtf8(label), w); };
    row("Codice da applicare standard", codes_["CodStd"]);
    row("Numero di giorni massimo di applicazione", numbers_["GGMax"]);
    row("Codice da applicare oltre i giorni indicati", codes_["CodGGMax"]);
    row("N. Conto", numbers_["NConto"]);
    row("Età limite", numbers_["EtaMin"]);
    row("Codice da applicare per i minori", codes_["CodMin"]);
    row("Codice da applicare per i gruppi", codes_["CodGrp"]);
    row("Codice da applicare per i residenti", codes_["CodRes"]);
    row("Descrizione dei residenti", desRes_);
    row("Codice da applicare per fasce di età", codes_["CodFEta"]);
    row("Età da", numbers_["EtaDa"]);
    row("Età fino a", numbers_["EtaFinoA"]);
    return box;
}

QWidget* ISImpostazioni::pannelloVoci() {
    auto* box = new QGroupBox(QStringLiteral("Voci dell'imposta di soggiorno (reparto IDS)"), this);
    auto* layout = new QVBoxLayout(box);
    items_ = new QListWidget(box);
    items_->setObjectName(QStringLiteral("VociIdS"));
    layout->addWidget(items_);
    connect(items_, &QListWidget::itemChanged, this, [this] { aggiornaCodici(); });
    return box;
}

QWidget* ISImpostazioni::pannelloPeriodi() {
    auto* box = new QGroupBox(QStringLiteral("Periodi"), this);
    auto* layout = new QVBoxLayout(box);
    periodItem_ = new QComboBox(box);
    periodItem_->setObjectName(QStringLiteral("VocePeriodi"));
    auto* itemRow = new QFormLayout;
    itemRow->addRow(QStringLiteral("Voce"), periodItem_);
    layout->addLayout(itemRow);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    auto* heading = new QLabel(QStringLiteral("Data inizio      Data Fine        Valore"), box);
    heading->setFont(mono);
    layout->addWidget(heading);
    periods_ = new QListWidget(box);
    periods_->setObjectName(QStringLiteral("Periodi"));
    periods_->setFont(mono);
    layout->addWidget(periods_);
    auto* entry = new QHBoxLayout;
    from_ = new QLineEdit(box);
    from_->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    from_->setMaxLength(10);
    to_ = new QLineEdit(box);
    to_->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    to_->setMaxLength(10);
    value_ = new QLineEdit(box);
    value_->setPlaceholderText(QStringLiteral("0,00"));
    add_ = new QPushButton(QStringLiteral("&Aggiungi"), box);
    remove_ = new QPushButton(QStringLiteral("E&limina"), box);
    add_->setAutoDefault(false);
    remove_->setAutoDefault(false);
    for (QWidget* w :
         {static_cast<QWidget*>(from_), static_cast<QWidget*>(to_), static_cast<QWidget*>(value_),
          static_cast<QWidget*>(add_), static_cast<QWidget*>(remove_)}) {
        entry->addWidget(w);
    }
    layout->addLayout(entry);
    connect(periodItem_, &QComboBox::currentIndexChanged, this, [this] { aggiornaPeriodi(); });
    connect(add_, &QPushButton::clicked, this, [this] { aggiungiPeriodo(); });
    connect(remove_, &QPushButton::clicked, this, [this] { eliminaPeriodo(); });
    return box;
}

void ISImpostazioni::mostra(const Impostazioni& s) {
    // The department's items, and any item already saved that the suite no
    // longer lists, so that nothing saved disappears unseen.
    std::vector<Voce> all = impostazioni::vociRepartoIDS();
    for (const auto& v : s.voci) {
        if (std::none_of(all.begin(), all.end(),
                         [&](const Voce& a) { return a.codice == v.codice; })) {
            all.push_back(v);
        }
    }
    std::sort(all.begin(), all.end(),
              [](const Voce& a, const Voce& b) { return a.codice < b.codice; });
    const QSignalBlocker block(items_);
    items_->clear();
    for (const auto& v : all) {
        auto* item = new QListWidgetItem(voceText(v.codice, v.descrizione), items_);
        item->setData(Qt::UserRole, v.codice);
        item->setData(Qt::UserRole + 1, daCp(v.descrizione));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool chosen = std::any_of(s.voci.begin(), s.voci.end(),
                                        [&](const Voce& c) { return c.codice == v.codice; });
        item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
    }
    periodData_ = s.periodi;
    const auto& g = s.generale;
    selectCode(iva_, g.codiceIva);
    numbers_["GGMax"]->setValue(g.ggMax);
    numbers_["NConto"]->setValue(g.nConto);
    numbers_["EtaMin"]->setValue(g.etaMin);
    numbers_["EtaDa"]->setValue(g.etaDa);
    numbers_["EtaFinoA"]->setValue(g.etaFinoA);
    desRes_->setText(daCp(g.desRes));
    aggiornaCodici();
    selectCode(codes_["CodStd"], g.codStd);
    selectCode(codes_["CodGGMax"], g.codGGMax);
    selectCode(codes_["CodMin"], g.codMin);
    selectCode(codes_["CodGrp"], g.codGrp);
    selectCode(codes_["CodRes"], g.codRes);
    selectCode(codes_["CodFEta"], g.codFEta);
}

void ISImpostazioni::aggiornaCodici() {
    std::vector<std::pair<int, QString>> chosen;
    for (int i = 0; i < items_->count(); ++i) {
        const QListWidgetItem* item = items_->item(i);
        if (item->checkState() == Qt::Checked)
            chosen.emplace_back(item->data(Qt::UserRole).toInt(), item->text());
    }
    auto refill = [&](QComboBox* box, bool withNone) {
        const int code = codeOf(box);
        const QSignalBlocker block(box);
        box->clear();
        if (withNone) box->addItem(QStringLiteral("0 - nessuno"), 0);
        for (const auto& [c, text] : chosen) box->addItem(text, c);
        selectCode(box, code);
    };
    for (auto& [field, box] : codes_) refill(box, true);
    refill(periodItem_, false);
    aggiornaPeriodi();
}

void ISImpostazioni::aggiornaPeriodi() {
    periods_->clear();
    const int code = codeOf(periodItem_);
    for (std::size_t i = 0; i < periodData_.size(); ++i) {
        if (periodData_[i].codice != code) continue;
        auto* row = new QListWidgetItem(periodRow(periodData_[i]), periods_);
        row->setData(Qt::UserRole, static_cast<int>(i));
    }
}

void ISImpostazioni::aggiungiPeriodo() {
    if (periodItem_->count() == 0) {
        messaggio_("la voce di riferimento non è stata selezionata!");
        return;
    }
    Periodo p;
    p.codice = codeOf(periodItem_);
    p.dataInizio = CompletaAnno(FormattaImporto(aCp(from_->text()), 0));
    p.dataFine = CompletaAnno(FormattaImporto(aCp(to_->text()), 0));
    const auto value = Currency::parse(trim(aCp(value_->text())));
    if (!DataValida(p.dataInizio) || !DataValida(p.dataFine) ||
        !ConfrontaDate(p.dataInizio, p.dataFine)) {
        messaggio_("le date inserite non sono corrette!");
        return;
    }
    if (!value) {
        messaggio_("Dati incompleti");
        return;
    }
    p.valore = *value;
    periodData_.push_back(p);
    std::stable_sort(
        periodData_.begin(), periodData_.end(), [](const Periodo& a, const Periodo& b) {
            return a.codice != b.codice ? a.codice < b.codice
                                        : DataSql(a.dataInizio) < DataSql(b.dataInizio);
        });
    from_->clear();
    to_->clear();
    value_->clear();
    aggiornaPeriodi();
}

void ISImpostazioni::eliminaPeriodo() {
    const QListWidgetItem* row = periods_->currentItem();
    if (!row) return;
    periodData_.erase(periodData_.begin() + row->data(Qt::UserRole).toInt());
    aggiornaPeriodi();
}

Impostazioni ISImpostazioni::valori() const {
    Impostazioni s;
    for (int i = 0; i < items_->count(); ++i) {
        const QListWidgetItem* item = items_->item(i);
        if (item->checkState() != Qt::Checked) continue;
        s.voci.push_back(
            {item->data(Qt::UserRole).toInt(), aCp(item->data(Qt::UserRole + 1).toString())});
    }
    auto& g = s.generale;
    g.codiceIva = codeOf(iva_);
    g.ggMax = numbers_.at("GGMax")->value();
    g.nConto = numbers_.at("NConto")->value();
    g.etaMin = numbers_.at("EtaMin")->value();
    g.etaDa = numbers_.at("EtaDa")->value();
    g.etaFinoA = numbers_.at("EtaFinoA")->value();
    g.desRes = aCp(desRes_->text());
    g.codStd = codeOf(codes_.at("CodStd"));
    g.codGGMax = codeOf(codes_.at("CodGGMax"));
    g.codMin = codeOf(codes_.at("CodMin"));
    g.codGrp = codeOf(codes_.at("CodGrp"));
    g.codRes = codeOf(codes_.at("CodRes"));
    g.codFEta = codeOf(codes_.at("CodFEta"));
    // Periods of items no longer chosen are not kept.
    for (const auto& p : periodData_) {
        if (std::any_of(s.voci.begin(), s.voci.end(),
                        [&](const Voce& v) { return v.codice == p.codice; })) {
            s.periodi.push_back(p);
        }
    }
    return s;
}

bool ISImpostazioni::salva() {
    const Impostazioni s = valori();
    if (const auto problem = impostazioni::verifica(s)) {
        messaggio_(*problem);
        return false;
    }
    try {
        if (impostazioni::idsInFormatoJet()) {
            if (!conferma_("IdS.mdb è nel formato di un'altra versione del programma e non può "
                           "essere modificato. Convertirlo nel formato di questo programma? "
                           "L'originale resterà nella stessa cartella come "
                           "IdS.mdb.jet-backup.")) {
                return false;
            }
            const std::string backup = impostazioni::convertiESalva(s);
            messaggio_(std::string(
                           "Impostazioni salvate. IdS.mdb è stato convertito; l'originale è ora ") +
                       backup);
            return true;
        }
        impostazioni::salva(s);
    } catch (const std::exception& e) {
        messaggio_(std::string("Impostazioni non salvate: ") + e.what());
        return false;
    }
    return true;
}

}  // namespace corvex::qt
