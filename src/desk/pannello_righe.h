// The desk's rows laid out in one panel: captions, date fields, print
// buttons, separating lines, and the room range with "Esci" at the bottom.
#pragma once

#include <QWidget>
#include <array>

#include "desk/campi_desk.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace corvex::desk {

struct ControlliDesk {
    std::array<QLineEdit*, kCampi> campi{};
    std::array<QPushButton*, kTasti> tasti{};
    QCheckBox* chk = nullptr;
};

// Builds the panel and returns it with its controls.
QWidget* pannelloRighe(QWidget* parent, ControlliDesk& controlli);

}  // namespace corvex::desk
