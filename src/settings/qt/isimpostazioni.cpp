#include "settings/qt/isimpostazioni.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "common/dates.h"
#include "common/formatta.h"
#include "common/text.h"
#include "dialogs/dialoghi.h"
#include "dialogs/tastiera.h"
#include "dialogs/testo_qt.h"

namespace corvex::qt {

using impostazioni::Impostazioni;
using impostazioni::Periodo;
using impostazioni::Voce;

namespace {

// Code fields of Generale that name a tax item, and its number fields.
const char* const kCodici[] = {"CodStd", "CodGGMax", "CodMin", "CodGrp", "CodRes", "CodFEta"};
const char* const kNumeri[] = {"GGMax", "NConto", "EtaMin", "EtaDa", "EtaFinoA"};

// A date field wide enough for the whole "gg/mm/aaaa" (or a typed date) in
// the widget's own font and style, however the window is squeezed.
void larghezzaData(QLineEdit* e) {
    const QFontMetrics fm(e->font());
    const int text = std::max(fm.horizontalAdvance(QStringLiteral("gg/mm/aaaa")),
                              fm.horizontalAdvance(QStringLiteral("00/00/0000")));
    const QMargins m = e->textMargins();
    QStyleOptionFrame option;
    option.initFrom(e);
    option.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, e);
    // 2 px of the line edit's own margin on each side, and the cursor.
    const QSize contents(text + m.left() + m.right() + 2 * 2 + 2, fm.height());
    e->setMinimumWidth(
        e->style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, e).width());
}

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
        // Every question here guards against losing something: "No" is the
        // answer a hasty Enter gives.
        conferma_ = [this](const std::string& text) {
            return ChiediConferma(text, "Impostazioni", false, this);
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
    connect(exit, &QPushButton::clicked, this, &ISImpostazioni::reject);

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
    salvate_ = valori();
    invioPremeTasti(this);
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
    for (const char* field : kNumeri) {
        auto* spin = new QSpinBox(box);
        spin->setObjectName(QString::fromUtf8(field));
        spin->setRange(0, 32767);
        numbers_[field] = spin;
    }
    for (const char* field : kCodici) {
        auto* combo = new QComboBox(box);
        combo->setObjectName(QString::fromUtf8(field));
        codes_[field] = combo;
    }
    desRes_ = new QLineEdit(box);
    desRes_->setMaxLength(100);
    desRes_->setObjectName(QStringLiteral("DesRes"));
    auto row = [&](const char* field, QWidget* w) {
        form->addRow(QString::fromStdString(impostazioni::etichetta(field)), w);
    };
    row("CodStd", codes_["CodStd"]);
    row("GGMax", numbers_["GGMax"]);
    row("CodGGMax", codes_["CodGGMax"]);
    row("NConto", numbers_["NConto"]);
    row("EtaMin", numbers_["EtaMin"]);
    row("CodMin", codes_["CodMin"]);
    row("CodGrp", codes_["CodGrp"]);
    row("CodRes", codes_["CodRes"]);
    row("DesRes", desRes_);
    row("CodFEta", codes_["CodFEta"]);
    row("EtaDa", numbers_["EtaDa"]);
    row("EtaFinoA", numbers_["EtaFinoA"]);
    return box;
}

QWidget* ISImpostazioni::pannelloVoci() {
    auto* box = new QGroupBox(QStringLiteral("Voci dell'imposta di soggiorno (reparto IDS)"), this);
    auto* layout = new QVBoxLayout(box);
    items_ = new QListWidget(box);
    items_->setObjectName(QStringLiteral("VociIdS"));
    layout->addWidget(items_);
    connect(items_, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { voceCambiata(item); });
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
    from_->setObjectName(QStringLiteral("DataInizio"));
    to_ = new QLineEdit(box);
    to_->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    to_->setMaxLength(10);
    to_->setObjectName(QStringLiteral("DataFine"));
    larghezzaData(from_);
    larghezzaData(to_);
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
        messaggio_("la voce di riferimento non è stata selezionata! (nessuna voce scelta)");
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
        messaggio_("Dati incompleti: manca «Valore» del periodo (un importo, per esempio 1,50).");
        return;
    }
    p.valore = *value;
    if (const auto overlap = impostazioni::sovrapposizione(periodData_, p)) {
        messaggio_(*overlap);
        return;
    }
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
            salvate_ = s;
            messaggio_("Impostazioni salvate. IdS.mdb è stato convertito; l'originale è ora " +
                       cp1252ToUtf8(backup));
            return true;
        }
        impostazioni::salva(s);
    } catch (const std::exception& e) {
        messaggio_(std::string("Impostazioni non salvate: ") + e.what());
        return false;
    }
    salvate_ = s;
    messaggio_("Impostazioni salvate in IdS.mdb.");
    return true;
}

bool ISImpostazioni::modificate() const {
    return !(valori() == salvate_);
}

void ISImpostazioni::reject() {
    // "Esci", Esc and the close box all come here.
    if (modificate() && !conferma_("Le modifiche non sono state salvate. Uscire senza salvarle?")) {
        return;
    }
    QDialog::reject();
}

void ISImpostazioni::voceCambiata(QListWidgetItem* item) {
    if (item->checkState() != Qt::Checked) {
        // An item a setting or a period still uses is taken away only when
        // the user says so: the settings would silently lose it.
        const int code = item->data(Qt::UserRole).toInt();
        std::vector<std::string> users;
        for (const char* field : kCodici) {
            if (codeOf(codes_.at(field)) == code) {
                users.push_back("«" + impostazioni::etichetta(field) + "»");
            }
        }
        const auto periods = std::count_if(periodData_.begin(), periodData_.end(),
                                           [&](const Periodo& p) { return p.codice == code; });
        if (periods == 1) users.push_back("1 periodo");
        if (periods > 1) users.push_back(str(static_cast<std::int64_t>(periods)) + " periodi");
        if (!users.empty()) {
            std::string list;
            for (std::size_t i = 0; i < users.size(); ++i) {
                list += (i == 0 ? "" : i + 1 == users.size() ? " e " : ", ") + users[i];
            }
            if (!conferma_("La voce " + item->text().toStdString() + " è usata da " + list +
                           ". Toglierla dalle voci dell'imposta di soggiorno?")) {
                const QSignalBlocker block(items_);
                item->setCheckState(Qt::Checked);
                return;
            }
        }
    }
    aggiornaCodici();
}

}  // namespace corvex::qt
