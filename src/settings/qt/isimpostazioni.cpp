#include "settings/qt/isimpostazioni.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
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

// An operator's tax code: 16 letters and digits (a person) or 11 digits (a
// company), as "corvex settings structure" takes it. Empty is allowed.
bool codiceFiscaleValido(const std::string& code) {
    if (code.empty()) return true;
    bool digits = true;
    for (char c : code) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
        if (!std::isdigit(static_cast<unsigned char>(c))) digits = false;
    }
    return code.size() == 16 || (code.size() == 11 && digits);
}

// The categories offered for an item, by their stored value.
const std::pair<Categoria, const char*> kCategorie[] = {
    {Categoria::Piena, "Piena"},
    {Categoria::Ridotta, "Ridotta"},
    {Categoria::Esente, "Esente"},
    {Categoria::Esclusa, "Esclusa (oltre il massimo di notti)"},
};

enum ColonnaCategorie { kColCodice, kColDescrizione, kColCategoria, kColMotivo, kColOrigine };

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

    auto* tax = new QWidget(this);
    auto* columns = new QHBoxLayout(tax);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(pannelloGenerale());
    auto* right = new QVBoxLayout;
    right->addWidget(pannelloVoci(), 1);
    right->addWidget(pannelloPeriodi(), 1);
    columns->addLayout(right, 1);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("Pagine"));
    tabs_->addTab(tax, QStringLiteral("&Imposta"));
    tabs_->addTab(paginaStruttura(), QStringLiteral("S&truttura"));

    auto* buttons = new QDialogButtonBox(this);
    auto* save = buttons->addButton(QStringLiteral("&Salva"), QDialogButtonBox::AcceptRole);
    auto* exit = buttons->addButton(QStringLiteral("&Esci"), QDialogButtonBox::RejectRole);
    save->setAutoDefault(false);
    exit->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, [this] { salva(); });
    connect(exit, &QPushButton::clicked, this, &ISImpostazioni::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons);

    Impostazioni current;
    try {
        current = impostazioni::carica();
    } catch (const std::exception& e) {
        messaggio_(std::string("Impossibile leggere IdS.mdb: ") + e.what());
    }
    mostra(current);
    salvate_ = valori();
    try {
        strutturaSalvata_ = leggiStruttura();
    } catch (const std::exception& e) {
        messaggio_(std::string("Impossibile leggere ") + kFileDichiarazioni + ": " + e.what());
    }
    for (const auto& f : campiStruttura())
        structure_.at(f.nome)->setText(daCp(strutturaSalvata_.*f.membro));
    strutturaSalvata_ = struttura();
    mostraCategorie();
    invioPremeTasti(this);
}

QWidget* ISImpostazioni::paginaStruttura() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* data =
        new QGroupBox(QStringLiteral("Struttura e gestore (dati delle dichiarazioni)"), page);
    auto* form = new QFormLayout(data);
    for (const auto& f : campiStruttura()) {
        auto* e = new QLineEdit(data);
        e->setObjectName(QString::fromUtf8(f.colonna));
        e->setMaxLength(f.larghezza);
        structure_[f.nome] = e;
        form->addRow(QString::fromUtf8(f.etichetta), e);
    }
    layout->addWidget(data);

    auto* box = new QGroupBox(QStringLiteral("Categorie delle voci d'imposta"), page);
    auto* inner = new QVBoxLayout(box);
    auto* note = new QLabel(QStringLiteral("Le voci indicate nella pagina «Imposta» prendono la "
                                           "categoria dal loro campo; per le altre va scelta "
                                           "qui (un'esenzione richiede il motivo)."),
                            box);
    note->setWordWrap(true);
    inner->addWidget(note);
    categories_ = new QTableWidget(0, 5, box);
    categories_->setObjectName(QStringLiteral("CategorieVoci"));
    categories_->setHorizontalHeaderLabels({QStringLiteral("Codice"), QStringLiteral("Descrizione"),
                                            QStringLiteral("Categoria"), QStringLiteral("Motivo"),
                                            QStringLiteral("Origine")});
    categories_->verticalHeader()->hide();
    categories_->setSelectionMode(QAbstractItemView::SingleSelection);
    categories_->horizontalHeader()->setSectionResizeMode(kColMotivo, QHeaderView::Stretch);
    inner->addWidget(categories_);
    layout->addWidget(box, 1);
    return page;
}

void ISImpostazioni::mostraCategorie() {
    std::vector<CategoriaVoce> items;
    try {
        items = leggiCategorieVoci();
    } catch (const std::exception&) {
        // No IdS.mdb (or no VociIdS) yet: no items to give a category.
    }
    categories_->setRowCount(0);
    for (const auto& v : items) {
        const int row = categories_->rowCount();
        categories_->insertRow(row);
        const bool fromGenerale = startsWith(v.origine, "Generale.");
        auto cell = [&](int col, const QString& text, bool editable) {
            auto* item = new QTableWidgetItem(text);
            item->setData(Qt::UserRole, v.codice);
            if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            categories_->setItem(row, col, item);
        };
        cell(kColCodice, QString::number(v.codice), false);
        cell(kColDescrizione, daCp(v.descrizione), false);
        cell(kColMotivo, daCp(v.motivo), !fromGenerale);
        QString origin = QStringLiteral("da indicare");
        if (fromGenerale) {
            origin = QStringLiteral("IdS.mdb, «%1»")
                         .arg(QString::fromStdString(impostazioni::etichetta(v.origine.substr(9))));
        } else if (v.categoria) {
            origin = QString::fromUtf8(kFileDichiarazioni);
        }
        cell(kColOrigine, origin, false);
        if (fromGenerale) {
            QString name;
            for (const auto& [c, label] : kCategorie)
                if (c == *v.categoria) name = QString::fromUtf8(label);
            cell(kColCategoria, name, false);
            continue;
        }
        cell(kColCategoria, QString(), false);
        auto* combo = new QComboBox(categories_);
        combo->setObjectName(QStringLiteral("Categoria%1").arg(v.codice));
        // "da indicare" only while the item has none: a stored category is
        // changed, never taken away unseen.
        if (!v.categoria) combo->addItem(QStringLiteral("(da indicare)"), -1);
        for (const auto& [c, label] : kCategorie)
            combo->addItem(QString::fromUtf8(label), static_cast<int>(c));
        if (v.categoria) combo->setCurrentIndex(combo->findData(static_cast<int>(*v.categoria)));
        categories_->setCellWidget(row, kColCategoria, combo);
    }
    categories_->resizeColumnsToContents();
    categories_->horizontalHeader()->setSectionResizeMode(kColMotivo, QHeaderView::Stretch);
    scelteSalvate_ = scelte();
}

Struttura ISImpostazioni::struttura() const {
    Struttura s;
    for (const auto& f : campiStruttura()) {
        std::string value = trim(aCp(structure_.at(f.nome)->text()));
        if (f.membro == &Struttura::codiceFiscaleGestore) value = upper(value);
        s.*f.membro = value;
    }
    return s;
}

std::vector<ISImpostazioni::Scelta> ISImpostazioni::scelte() const {
    std::vector<Scelta> out;
    for (int row = 0; row < categories_->rowCount(); ++row) {
        const auto* combo = qobject_cast<QComboBox*>(categories_->cellWidget(row, kColCategoria));
        if (!combo) continue;
        Scelta s;
        s.codice = categories_->item(row, kColCodice)->data(Qt::UserRole).toInt();
        if (const int c = combo->currentData().toInt(); c >= 0)
            s.categoria = static_cast<Categoria>(c);
        s.motivo = trim(aCp(categories_->item(row, kColMotivo)->text()));
        out.push_back(std::move(s));
    }
    return out;
}

bool ISImpostazioni::strutturaModificata() const {
    const Struttura now = struttura();
    for (const auto& f : campiStruttura())
        if (now.*f.membro != strutturaSalvata_.*f.membro) return true;
    return !(scelte() == scelteSalvate_);
}

std::optional<std::string> ISImpostazioni::salvaStruttura() {
    auto refuse = [this](QWidget* where, const std::string& text) {
        tabs_->setCurrentIndex(1);
        if (where) where->setFocus(Qt::OtherFocusReason);
        return std::optional<std::string>(text);
    };
    const Struttura s = struttura();
    if (!codiceFiscaleValido(s.codiceFiscaleGestore)) {
        return refuse(
            structure_.at("codice-fiscale"),
            "«Codice fiscale del gestore»: \"" + cp1252ToUtf8(s.codiceFiscaleGestore) +
                "\" non è un codice fiscale (16 caratteri) né una partita IVA (11 cifre)");
    }
    const std::vector<Scelta> chosen = scelte();
    std::vector<Scelta> changed;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const Scelta& c = chosen[i];
        if (i < scelteSalvate_.size() && c == scelteSalvate_[i]) continue;
        if (!c.categoria) continue;  // still to be given
        // The items Generale names have no choice: find the item's row.
        QString item = QString::number(c.codice);
        for (int row = 0; row < categories_->rowCount(); ++row) {
            if (categories_->item(row, kColCodice)->data(Qt::UserRole).toInt() == c.codice)
                item += QStringLiteral(" - ") + categories_->item(row, kColDescrizione)->text();
        }
        if (*c.categoria == Categoria::Esente && c.motivo.empty())
            return refuse(categories_, "La voce " + item.toStdString() +
                                           " è esente: indicare il motivo dell'esenzione.");
        if (c.motivo.size() > 100)
            return refuse(categories_, "Il motivo della voce " + item.toStdString() +
                                           " supera i 100 caratteri.");
        changed.push_back(c);
    }
    try {
        corvex::salvaStruttura(s);
        for (const auto& c : changed) salvaCategoriaVoce(c.codice, *c.categoria, c.motivo);
    } catch (const std::exception& e) {
        return std::string("Dati della struttura non salvati: ") + e.what();
    }
    for (const auto& f : campiStruttura()) structure_.at(f.nome)->setText(daCp(s.*f.membro));
    strutturaSalvata_ = s;
    mostraCategorie();
    return std::nullopt;
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
    // The "Struttura" page goes to its own file: when only it changed,
    // IdS.mdb is not written (nor a genuine Jet one offered for conversion).
    const bool structure = strutturaModificata();
    const bool ids = !structure || !(s == salvate_);
    if (ids) {
        if (const auto problem = impostazioni::verifica(s)) {
            tabs_->setCurrentIndex(0);
            messaggio_(*problem);
            return false;
        }
    }
    std::string saved;
    if (structure) {
        if (const auto problem = salvaStruttura()) {
            messaggio_(*problem);
            return false;
        }
        saved = std::string("Dati della struttura salvati in ") + kFileDichiarazioni + ".";
        if (!ids) {
            messaggio_(saved);
            return true;
        }
        saved = " " + saved;
    }
    try {
        if (impostazioni::idsInFormatoJet()) {
            if (!conferma_("IdS.mdb è nel formato di un'altra versione del programma e non può "
                           "essere modificato. Convertirlo nel formato di questo programma? "
                           "L'originale resterà nella stessa cartella come "
                           "IdS.mdb.jet-backup.")) {
                if (structure)
                    messaggio_("Le impostazioni dell'imposta non sono state salvate." + saved);
                return false;
            }
            const std::string backup = impostazioni::convertiESalva(s);
            salvate_ = s;
            mostraCategorie();
            messaggio_("Impostazioni salvate. IdS.mdb è stato convertito; l'originale è ora " +
                       cp1252ToUtf8(backup) + saved);
            return true;
        }
        impostazioni::salva(s);
    } catch (const std::exception& e) {
        messaggio_(std::string("Impostazioni non salvate: ") + e.what() + saved);
        return false;
    }
    salvate_ = s;
    // The items Generale names may have changed.
    mostraCategorie();
    messaggio_("Impostazioni salvate in IdS.mdb." + saved);
    return true;
}

bool ISImpostazioni::modificate() const {
    return !(valori() == salvate_) || strutturaModificata();
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
