#include "desk/pannello_righe.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "output/qt/icone.h"

namespace corvex::desk {

namespace {

struct Riga {
    const char* caption;
    int dal, al;  // date fields (al -1: a single "Data di riferimento")
    std::array<int, 2> tasti;
    std::array<const char*, 2> testi;
};

// Top to bottom, as the user reads the desk.
const Riga kRighe[] = {
    {"Stampa corrispettivi generali", 0, 1, {1, -1}, {"Stampa", nullptr}},
    {"Stampa corrispettivi dettagliati per giorno", 2, 3, {2, -1}, {"Stampa", nullptr}},
    {"Stampa tabella incassi del periodo",
     4,
     5,
     {9, 3},
     {"Stampa su partenze", "Stampa su doc. fisc."}},
    {"Stampa imposta maturata ad una certa data (non fatturata)",
     6,
     -1,
     {4, -1},
     {"Stampa", nullptr}},
    {"Controllo giornaliero imposte assegnate", 7, -1, {5, -1}, {"Stampa", nullptr}},
    {"Riepilogo imposte maturate nel periodo", 8, 9, {6, -1}, {"Stampa", nullptr}},
    {"Dettaglio arrivi e presenze imposte riscosse nel periodo",
     10,
     11,
     {7, -1},
     {"Stampa", nullptr}},
    {"Dettaglio presenze ospiti nel periodo", 12, 13, {8, -1}, {"Stampa", nullptr}},
};

QLineEdit* field(QWidget* parent, int index, int maxLength) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(QStringLiteral("Text1_%1").arg(index));
    f->setMaxLength(maxLength);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    f->setFont(font);
    f->setFixedWidth(f->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 16);
    return f;
}

QLabel* label(const QString& text, QWidget* parent, bool caption = false) {
    auto* l = new QLabel(text, parent);
    QFont font(QStringLiteral("Corbel"));
    font.setStyleHint(QFont::SansSerif);
    if (caption) font.setBold(true);
    l->setFont(font);
    return l;
}

QFrame* line(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

}  // namespace

QWidget* pannelloRighe(QWidget* parent, ControlliDesk& c) {
    auto* panel = new QWidget(parent);
    auto* grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(8);
    int row = 0;
    for (const auto& r : kRighe) {
        if (row > 0) grid->addWidget(line(panel), row++, 0, 1, 6);
        grid->addWidget(label(QString::fromUtf8(r.caption), panel, true), row++, 0, 1, 6);
        auto* dates = new QHBoxLayout;
        if (r.al < 0) {
            dates->addWidget(label(QStringLiteral("Data di riferimento"), panel));
            c.campi[static_cast<std::size_t>(r.dal)] = field(panel, r.dal, 10);
            dates->addWidget(c.campi[static_cast<std::size_t>(r.dal)]);
        } else {
            dates->addWidget(label(QStringLiteral("Dal"), panel));
            c.campi[static_cast<std::size_t>(r.dal)] = field(panel, r.dal, 10);
            dates->addWidget(c.campi[static_cast<std::size_t>(r.dal)]);
            dates->addWidget(label(QStringLiteral("al"), panel));
            c.campi[static_cast<std::size_t>(r.al)] = field(panel, r.al, 10);
            dates->addWidget(c.campi[static_cast<std::size_t>(r.al)]);
        }
        dates->addStretch(1);
        grid->addLayout(dates, row, 0, 1, 3);
        int column = 3;
        if (r.dal == 4) {
            c.chk = new QCheckBox(QStringLiteral("Solo prepagamenti"), panel);
            c.chk->setObjectName(QStringLiteral("Chk"));
            grid->addWidget(c.chk, row, column++);
        }
        for (std::size_t k = 0; k < 2; ++k) {
            if (r.tasti[k] < 0) continue;
            auto* b = new QPushButton(QString::fromUtf8(r.testi[k]), panel);
            b->setObjectName(QStringLiteral("T%1").arg(r.tasti[k]));
            b->setAutoDefault(false);
            c.tasti[static_cast<std::size_t>(r.tasti[k])] = b;
            grid->addWidget(b, row, r.tasti[k] == 3 || r.testi[1] == nullptr ? 5 : 4);
        }
        ++row;
    }
    grid->addWidget(line(panel), row++, 0, 1, 6);

    auto* rooms = new QHBoxLayout;
    auto* from = label(QStringLiteral("Da cam."), panel);
    c.campi[kPrimaCamera] = field(panel, kPrimaCamera, 6);
    from->setBuddy(c.campi[kPrimaCamera]);
    auto* to = label(QStringLiteral("a cam."), panel);
    c.campi[kUltimaCamera] = field(panel, kUltimaCamera, 6);
    c.campi[kUltimaCamera]->setText(QStringLiteral("ZZZZZZ"));
    to->setBuddy(c.campi[kUltimaCamera]);
    rooms->addWidget(from);
    rooms->addWidget(c.campi[kPrimaCamera]);
    rooms->addWidget(to);
    rooms->addWidget(c.campi[kUltimaCamera]);
    rooms->addStretch(1);
    grid->addLayout(rooms, row, 0, 1, 3);

    auto* exit = new QPushButton(QStringLiteral("&Esci"), panel);
    exit->setObjectName(QStringLiteral("T0"));
    exit->setIcon(qt::iconaMenuStampa(5));
    exit->setIconSize(QSize(40, 40));
    exit->setMinimumSize(140, 56);
    exit->setAutoDefault(false);
    c.tasti[0] = exit;
    grid->addWidget(exit, row, 4, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(2, 1);
    return panel;
}

}  // namespace corvex::desk
