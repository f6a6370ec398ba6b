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

// A date field with its label as buddy and an accessible name naming its row.
void dateField(QWidget* panel, QHBoxLayout* dates, ControlliDesk& c, int index,
               const QString& labelText, const QString& row) {
    auto* l = label(labelText, panel);
    QLineEdit* f = field(panel, index, 10);
    l->setBuddy(f);
    f->setAccessibleName(row + QStringLiteral(": ") + labelText);
    c.campi[static_cast<std::size_t>(index)] = f;
    dates->addWidget(l);
    dates->addWidget(f);
}

}  // namespace

QWidget* pannelloRighe(QWidget* parent, ControlliDesk& c) {
    auto* panel = new QWidget(parent);
    auto* grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(8);
    int row = 0;
    for (const RigaDesk& r : righeDesk()) {
        const QString caption = QString::fromUtf8(r.caption);
        if (row > 0) grid->addWidget(line(panel), row++, 0, 1, 6);
        grid->addWidget(label(caption, panel, true), row++, 0, 1, 6);
        auto* dates = new QHBoxLayout;
        dates->setSpacing(6);
        if (r.al < 0) {
            dateField(panel, dates, c, r.dal, QStringLiteral("Data di riferimento"), caption);
        } else {
            dateField(panel, dates, c, r.dal, QStringLiteral("Dal"), caption);
            dateField(panel, dates, c, r.al, QStringLiteral("al"), caption);
        }
        dates->addStretch(1);
        grid->addLayout(dates, row, 0, 1, 3);
        if (r.prepagamenti) {
            c.chk = new QCheckBox(QStringLiteral("Solo prepagamenti"), panel);
            c.chk->setObjectName(QStringLiteral("Chk"));
            grid->addWidget(c.chk, row, 3);
        }
        // The buttons end at the right edge, one column each.
        int column = 6 - static_cast<int>(r.tasti.size());
        for (int t : r.tasti) {
            const QString text = QString::fromUtf8(reportDelTasto(t).desk.button);
            auto* b = new QPushButton(text, panel);
            b->setObjectName(QStringLiteral("T%1").arg(t));
            b->setAutoDefault(false);
            b->setAccessibleName(text + QStringLiteral(": ") + caption);
            b->setToolTip(caption);
            c.tasti[static_cast<std::size_t>(t)] = b;
            grid->addWidget(b, row, column++);
        }
        ++row;
    }
    grid->addWidget(line(panel), row++, 0, 1, 6);

    auto* rooms = new QHBoxLayout;
    auto* from = label(QStringLiteral("Da cam."), panel);
    c.campi[kPrimaCamera] = field(panel, kPrimaCamera, 6);
    from->setBuddy(c.campi[kPrimaCamera]);
    c.campi[kPrimaCamera]->setAccessibleName(QStringLiteral("Dalla camera"));
    auto* to = label(QStringLiteral("a cam."), panel);
    c.campi[kUltimaCamera] = field(panel, kUltimaCamera, 6);
    c.campi[kUltimaCamera]->setText(QStringLiteral("ZZZZZZ"));
    to->setBuddy(c.campi[kUltimaCamera]);
    c.campi[kUltimaCamera]->setAccessibleName(QStringLiteral("Alla camera"));
    // Labels keep a gap from their fields, as on the date rows.
    rooms->setSpacing(6);
    rooms->addWidget(from);
    rooms->addWidget(c.campi[kPrimaCamera]);
    rooms->addSpacing(12);
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
