#include "settings/qt/versamenti.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cctype>
#include <exception>
#include <set>

#include "common/clock.h"
#include "common/dates.h"
#include "common/formatta.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "dialogs/dialoghi.h"
#include "dialogs/tastiera.h"
#include "dialogs/testo_qt.h"

namespace corvex::qt {

namespace {

constexpr const char* kTitolo = "Versamenti";

// A date as typed, completed as the desk completes its date fields on Enter
// (ddmmyy, ddmmyyyy, a two-digit year); nullopt unless the result is a real
// date of the exact dd/mm/yyyy shape.
std::optional<std::string> completaData(const QString& typed) {
    const std::string text = CompletaAnno(FormattaImporto(aCp(typed.trimmed()), 0));
    if (text.size() != 10 || text[2] != '/' || text[5] != '/') return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 2 && i != 5 && !std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
    if (!DataValida(text)) return std::nullopt;
    return text;
}

QLineEdit* campoData(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromUtf8(name));
    e->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    e->setMaxLength(10);
    return e;
}

std::string annoDi(const std::string& ddmmyyyy) {
    return ddmmyyyy.size() == 10 ? ddmmyyyy.substr(6) : std::string();
}

}  // namespace

// ---------------------------------------------------------------- the form

ModuloVersamento::ModuloVersamento(QWidget* parent, MessaggioVersamenti messaggio,
                                   ConfermaVersamenti conferma)
    : QDialog(parent), messaggio_(std::move(messaggio)), conferma_(std::move(conferma)) {
    setObjectName(QStringLiteral("ModuloVersamento"));
    setWindowTitle(QStringLiteral("Nuovo versamento"));
    setModal(true);
    auto* form = new QFormLayout;
    date_ = campoData(this, "Data");
    amount_ = new QLineEdit(this);
    amount_->setObjectName(QStringLiteral("Importo"));
    amount_->setPlaceholderText(QStringLiteral("1234,50"));
    amount_->setMaxLength(16);
    from_ = campoData(this, "Dal");
    to_ = campoData(this, "Al");
    reference_ = new QLineEdit(this);
    reference_->setObjectName(QStringLiteral("Riferimento"));
    reference_->setPlaceholderText(QStringLiteral("CRO, TRN o codice pagoPA"));
    reference_->setMaxLength(50);
    channel_ = new QComboBox(this);
    channel_->setObjectName(QStringLiteral("Canale"));
    channel_->setEditable(true);
    channel_->addItems(
        {QString(), QStringLiteral("pagoPA"), QStringLiteral("Bonifico"), QStringLiteral("F24")});
    channel_->lineEdit()->setMaxLength(30);
    note_ = new QLineEdit(this);
    note_->setObjectName(QStringLiteral("Nota"));
    note_->setMaxLength(100);
    form->addRow(QStringLiteral("&Data del versamento"), date_);
    form->addRow(QStringLiteral("&Importo"), amount_);
    form->addRow(QStringLiteral("Periodo versato d&al"), from_);
    form->addRow(QStringLiteral("Periodo versato a&l"), to_);
    form->addRow(QStringLiteral("&Riferimento"), reference_);
    form->addRow(QStringLiteral("&Canale"), channel_);
    form->addRow(QStringLiteral("&Nota"), note_);

    auto* buttons = new QDialogButtonBox(this);
    save_ = buttons->addButton(QStringLiteral("Re&gistra"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(QStringLiteral("Ann&ulla"), QDialogButtonBox::RejectRole);
    for (QPushButton* b : {save_, cancel}) b->setAutoDefault(false);
    connect(save_, &QPushButton::clicked, this, [this] { registra(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Enter moves from field to field (a date completed on the way), and
    // from the last one to "Registra"; Enter there presses it.
    for (QWidget* w : {static_cast<QWidget*>(date_), static_cast<QWidget*>(amount_),
                       static_cast<QWidget*>(from_), static_cast<QWidget*>(to_),
                       static_cast<QWidget*>(reference_), static_cast<QWidget*>(channel_),
                       static_cast<QWidget*>(note_)})
        w->installEventFilter(this);
    for (QLineEdit* d : {date_, from_, to_}) {
        connect(d, &QLineEdit::editingFinished, this, [d] {
            if (const auto done = completaData(d->text())) d->setText(daCp(*done));
        });
    }
    invioPremeTasti(this);
}

bool ModuloVersamento::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == note_) {
                save_->setFocus(Qt::TabFocusReason);
            } else {
                focusNextChild();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<Versamento> ModuloVersamento::verifica() {
    auto refuse = [this](QWidget* field, const std::string& text) -> std::optional<Versamento> {
        messaggio_(text);
        field->setFocus(Qt::OtherFocusReason);
        return std::nullopt;
    };
    auto date = [](QLineEdit* e) { return completaData(e->text()); };
    auto invalid = [](const char* label, QLineEdit* e) {
        return std::string("«") + label + "»: \"" + e->text().trimmed().toStdString() +
               "\" non è una data valida (gg/mm/aaaa, ggmmaa o ggmmaaaa)";
    };
    Versamento v;
    const auto day = date(date_);
    if (!day) return refuse(date_, invalid("Data del versamento", date_));
    v.data = *day;
    std::string why;
    const auto amount = leggiImporto(aCp(amount_->text()), &why);
    if (!amount)
        return refuse(amount_, "«Importo»: \"" + amount_->text().trimmed().toStdString() +
                                   "\" non è un importo valido: " + why);
    v.importo = *amount;
    const auto from = date(from_);
    if (!from) return refuse(from_, invalid("Periodo versato dal", from_));
    const auto to = date(to_);
    if (!to) return refuse(to_, invalid("Periodo versato al", to_));
    if (*NumeroGiorno(*from) > *NumeroGiorno(*to))
        return refuse(from_, "il periodo versato va dal " + *from + " al " + *to +
                                 ": «dal» non può essere dopo «al»");
    v.dal = *from;
    v.al = *to;
    v.riferimento = trim(aCp(reference_->text()));
    if (v.riferimento.empty()) return refuse(reference_, "«Riferimento»: il riferimento è vuoto");
    v.canale = trim(aCp(channel_->currentText()));
    v.nota = trim(aCp(note_->text()));
    // What is saved is what the form shows.
    date_->setText(daCp(v.data));
    from_->setText(daCp(v.dal));
    to_->setText(daCp(v.al));
    return v;
}

std::int64_t ModuloVersamento::registra() {
    const auto v = verifica();
    if (!v) return 0;
    try {
        for (const auto& other : leggiVersamenti()) {
            if (equalsNoCase(other.riferimento, v->riferimento) &&
                !conferma_("Il riferimento \"" + cp1252ToUtf8(v->riferimento) +
                           "\" è già nel versamento " + str(other.id) + " del " + other.data +
                           ". Registrare comunque il versamento?")) {
                reference_->setFocus(Qt::OtherFocusReason);
                return 0;
            }
        }
        const std::int64_t id = aggiungiVersamento(*v);
        accept();
        return id;
    } catch (const std::exception& e) {
        messaggio_(std::string("Versamento non registrato: ") + e.what());
        return 0;
    }
}

// ---------------------------------------------------------------- the list

FinestraVersamenti::FinestraVersamenti(QWidget* parent, MessaggioVersamenti messaggio,
                                       ConfermaVersamenti conferma)
    : QDialog(parent), messaggio_(std::move(messaggio)), conferma_(std::move(conferma)) {
    setObjectName(QStringLiteral("Versamenti"));
    setWindowTitle(QStringLiteral("Versamenti dell'imposta di soggiorno al Comune"));
    setModal(true);
    if (!messaggio_)
        messaggio_ = [this](const std::string& text) { MostraMessaggio(text, kTitolo, this); };
    if (!conferma_) {
        // Both questions guard against a mistake: a hasty Enter answers "No".
        conferma_ = [this](const std::string& text) {
            return ChiediConferma(text, kTitolo, false, this);
        };
    }
    apri_ = [](ModuloVersamento& form) { form.exec(); };

    year_ = new QComboBox(this);
    year_->setObjectName(QStringLiteral("Anno"));
    auto* label = new QLabel(QStringLiteral("&Anno del periodo versato"), this);
    label->setBuddy(year_);
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(year_);
    top->addStretch(1);

    table_ = new QTableWidget(0, 7, this);
    table_->setObjectName(QStringLiteral("TabellaVersamenti"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Data"), QStringLiteral("Importo"),
                                       QStringLiteral("Dal"), QStringLiteral("Al"),
                                       QStringLiteral("Riferimento"), QStringLiteral("Canale"),
                                       QStringLiteral("Nota")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setTabKeyNavigation(false);
    total_ = new QLabel(this);
    total_->setObjectName(QStringLiteral("Totale"));

    add_ = new QPushButton(QStringLiteral("A&ggiungi"), this);
    remove_ = new QPushButton(QStringLiteral("&Elimina"), this);
    close_ = new QPushButton(QStringLiteral("&Chiudi"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(total_, 1);
    for (QPushButton* b : {add_, remove_, close_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    connect(add_, &QPushButton::clicked, this, &FinestraVersamenti::aggiungi);
    connect(remove_, &QPushButton::clicked, this, &FinestraVersamenti::elimina);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    auto* del =
        new QShortcut(QKeySequence(Qt::Key_Delete), table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, &FinestraVersamenti::elimina);
    connect(year_, &QComboBox::currentIndexChanged, this, [this] { aggiorna(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(900, 420);

    riempiAnni();
    invioPremeTasti(this);
    table_->setFocus();
}

void FinestraVersamenti::riempiAnni() {
    try {
        tutti_ = leggiVersamenti();
    } catch (const std::exception& e) {
        tutti_.clear();
        messaggio_(std::string("Impossibile leggere i versamenti: ") + e.what());
    }
    // Every year a payment covers, and this year, latest first; then all.
    std::set<int, std::greater<>> years{std::stoi(annoDi(todayText()))};
    for (const auto& v : tutti_) {
        const std::string a = annoDi(v.dal), b = annoDi(v.al);
        if (a.empty() || b.empty()) continue;
        for (int y = std::stoi(a); y <= std::stoi(b); ++y) years.insert(y);
    }
    const QVariant chosen = year_->currentData();
    const QSignalBlocker block(year_);
    year_->clear();
    for (int y : years) year_->addItem(QString::number(y), y);
    year_->addItem(QStringLiteral("Tutti"), 0);
    const int again = chosen.isValid() ? year_->findData(chosen) : -1;
    year_->setCurrentIndex(again >= 0 ? again : 0);
    aggiorna();
}

void FinestraVersamenti::aggiorna() {
    const int year = year_->currentData().toInt();
    // A year shows the payments whose period covered falls in it, even in
    // part, as "corvex remittance list --year" does.
    const std::string first = year ? std::to_string(year) + "0101" : "";
    const std::string last = year ? std::to_string(year) + "1231" : "";
    table_->setRowCount(0);
    Currency sum;
    int shown = 0;
    for (const auto& v : tutti_) {
        if (year && (DataSql(v.al) < first || DataSql(v.dal) > last)) continue;
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString texts[] = {daCp(v.data),        daCp(formatGrouped(v.importo)),
                                 daCp(v.dal),         daCp(v.al),
                                 daCp(v.riferimento), daCp(v.canale),
                                 daCp(v.nota)};
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (c == 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            item->setData(Qt::UserRole, static_cast<qlonglong>(v.id));
            table_->setItem(row, c, item);
        }
        sum += v.importo;
        ++shown;
    }
    table_->resizeColumnsToContents();
    total_->setText(shown == 0 ? QStringLiteral("Nessun versamento")
                               : QStringLiteral("Totale: %1 %2, %3")
                                     .arg(shown)
                                     .arg(shown == 1 ? QStringLiteral("versamento")
                                                     : QStringLiteral("versamenti"))
                                     .arg(daCp(formatGrouped(sum))));
    remove_->setEnabled(shown > 0);
    if (shown > 0 && table_->currentRow() < 0) table_->selectRow(0);
}

void FinestraVersamenti::aggiungi() {
    ModuloVersamento form(this, messaggio_, conferma_);
    apri_(form);
    if (form.result() != QDialog::Accepted) return;
    riempiAnni();
    // The new payment is the highest Id: select it where the filter shows it.
    std::int64_t newest = 0;
    for (const auto& v : tutti_) newest = std::max(newest, v.id);
    for (int r = 0; r < table_->rowCount(); ++r)
        if (table_->item(r, 0)->data(Qt::UserRole).toLongLong() == newest) table_->selectRow(r);
}

void FinestraVersamenti::elimina() {
    const int row = table_->currentRow();
    if (row < 0 || !table_->item(row, 0)) {
        messaggio_("Selezionare il versamento da eliminare.");
        return;
    }
    const std::int64_t id = table_->item(row, 0)->data(Qt::UserRole).toLongLong();
    const auto it = std::find_if(tutti_.begin(), tutti_.end(),
                                 [id](const Versamento& v) { return v.id == id; });
    if (it == tutti_.end()) return;
    if (!conferma_("Eliminare il versamento del " + it->data + " di " + formatGrouped(it->importo) +
                   " (riferimento " + cp1252ToUtf8(it->riferimento) + ")?"))
        return;
    try {
        if (!eliminaVersamento(id))
            messaggio_("Il versamento non c'è più: forse è già stato eliminato.");
    } catch (const std::exception& e) {
        messaggio_(std::string("Versamento non eliminato: ") + e.what());
    }
    riempiAnni();
    if (table_->rowCount() > 0) table_->selectRow(std::min(row, table_->rowCount() - 1));
}

}  // namespace corvex::qt
